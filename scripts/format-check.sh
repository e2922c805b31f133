#!/bin/sh
# Checks that every C and C++ source of the tree is formatted as .clang-format
# says; lists the files that are not and fails. Fix them with
#   clang-format-14 -i FILE...
# Usage: format-check.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=clang-format-14
command -v "$format" >/dev/null 2>&1 || format=clang-format
# The files under version control; outside a git checkout, the source
# folders without the build folders.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files '*.c' '*.cpp' '*.h')
else
  files=$(find . -path './build*' -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) \
    -print | sed 's#^\./##' | sort)
fi
# One run over every file; clang-format names each file that is off in its
# "error:" lines.
# shellcheck disable=SC2086
bad=$("$format" --dry-run -Werror $files 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' |
  sort -u | tr '\n' ' ')
if [ -n "$bad" ]; then
  echo "format-check: not formatted as .clang-format says:" >&2
  for f in $bad; do echo "  $f" >&2; done
  echo "format-check: fix with: $format -i $bad" >&2
  exit 1
fi
echo "format-check: $(echo "$files" | wc -l) files formatted"
