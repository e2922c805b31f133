#!/bin/sh
# Installs every Debian package the project needs. The list lives here and
# nowhere else. Present packages are skipped; apt-get update runs only when
# something is missing.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config
  clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev
  mdbtools mdbtools-dev
  libssl-dev zlib1g-dev
  qt6-base-dev
  clang-format-14
  lintian man-db
"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "install-deps: installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "install-deps: not root and no sudo; run this as root:" >&2
  echo "  apt-get update && apt-get install -y$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
