#!/bin/sh
# Checks the Debian package that `make package` built: its file list and
# control data, lintian at error level, and the programs run from an unpacked
# tree (help texts, a conversion of the sample into the embedded engine, the
# manual pages). Usage: package-check.sh BUILD_DIR (relative to the tree).
set -u
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(tarvel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
deb="$root/$build/package/tarvel_${version}_amd64.deb"
fail=0
bad() { echo "package-check: $*" >&2; fail=1; }

[ -f "$deb" ] || { echo "package-check: no package at $deb (run make package)" >&2; exit 1; }
echo "== $deb"

# Control data: name, version, dependencies computed from the binaries.
info=$(dpkg-deb -I "$deb") || bad "dpkg-deb -I failed"
echo "$info" | grep -q "^ Package: tarvel$" || bad "control: Package is not tarvel"
echo "$info" | grep -q "^ Version: $version$" || bad "control: Version is not $version"
echo "$info" | grep -q "^ Architecture: amd64$" || bad "control: Architecture is not amd64"
echo "$info" | grep -q "^ Depends:.*libsqlite3" || bad "control: Depends does not name libsqlite3"
echo "$info" | grep -q "^ Depends:.*libc6" || bad "control: Depends does not name libc6"

# File list.
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/TARVAGENT ./usr/bin/oraemb-sql ./usr/lib/tarvel/liboraemb.so \
         ./usr/share/man/man1/TARVAGENT.1.gz ./usr/share/man/man1/oraemb-sql.1.gz \
         ./usr/share/doc/tarvel/copyright ./usr/share/doc/tarvel/changelog.gz \
         ./usr/share/doc/tarvel/README.md; do
  echo "$files" | grep -qx "$f" || bad "missing in the package: $f"
done
if echo "$files" | grep -qx ./usr/bin/tarvel-wizard; then
  for f in ./usr/share/man/man1/tarvel-wizard.1.gz ./usr/share/applications/tarvel-wizard.desktop; do
    echo "$files" | grep -qx "$f" || bad "missing in the package: $f"
  done
fi
if echo "$files" | grep -qx ./usr/bin/tarvel-verify; then
  echo "$files" | grep -qx ./usr/share/man/man1/tarvel-verify.1.gz ||
    bad "missing in the package: ./usr/share/man/man1/tarvel-verify.1.gz"
fi

# lintian: errors fail the check; warnings are shown.
if command -v lintian >/dev/null 2>&1; then
  lint=$(lintian --tag-display-limit 0 "$deb" 2>&1)
  [ -n "$lint" ] && echo "$lint"
  echo "$lint" | grep -q "^E: " && bad "lintian reports errors"
else
  bad "lintian is not installed"
fi

# The unpacked tree: programs find the engine relative to themselves.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root" || bad "dpkg-deb -x failed"
bin="$work/root/usr/bin"
"$bin/TARVAGENT" --help >"$work/help.txt" 2>&1
grep -q -- "--src=" "$work/help.txt" || bad "TARVAGENT --help printed no usage"
"$bin/oraemb-sql" --help >"$work/sqlhelp.txt" 2>&1 || bad "oraemb-sql --help failed"
grep -q -- "--connect" "$work/sqlhelp.txt" || bad "oraemb-sql --help printed no usage"

mkdir -p "$work/db"
if env -u LD_LIBRARY_PATH TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR="$work/db" \
   "$bin/TARVAGENT" --src="$root/samples/sample.mdb" --dest=PKG --oraclh=localhost \
   --oraclu=pkg --oraclp=pkg >"$work/run.txt" 2>&1; then
  count=$(env -u LD_LIBRARY_PATH TARVEL_ORAEMB_DIR="$work/db" "$bin/oraemb-sql" \
          --connect=//localhost:1521/PKG --user=pkg --password=pkg --csv \
          'SELECT COUNT(*) FROM user_tables' | tail -n 1)
  [ "$count" = 5 ] || bad "the sample converted from the unpacked tree has '$count' tables, not 5"
else
  cat "$work/run.txt" >&2
  bad "TARVAGENT from the unpacked tree did not convert the sample"
fi

# Manual pages: each renders without a warning.
for page in "$work"/root/usr/share/man/man1/*.1.gz; do
  warn=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warn" ] || bad "$(basename "$page"): $warn"
  LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | grep -q "NAME" || bad "$(basename "$page") shows nothing"
done

[ "$fail" -eq 0 ] && echo "package-check: passed"
exit "$fail"
