#!/bin/sh
# Saves a screenshot of every page of the wizard into docs/screenshots, at
# 100 % and at 200 % scaling (QT_SCALE_FACTOR=2, files ending in "-2x"). The
# walk converts samples/sample.mdb into the embedded engine in a real X
# window under Xvfb. Needs the Debian packages xvfb and xauth.
# Usage: scripts/wizard-screenshots.sh [BUILD_DIR]   (default build-test)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-test}
tool="$root/$build/tests/bin/wizard_screenshots"
out="$root/docs/screenshots"

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "wizard-screenshots: xvfb-run is missing; install it with: apt-get install xvfb xauth" >&2
  exit 1
fi
if [ ! -x "$tool" ]; then
  echo "wizard-screenshots: build it first: cmake --build $build --target wizard_screenshots" >&2
  exit 1
fi
mkdir -p "$out"
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1600x1200x24" "$tool" "$out"
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2400x1800x24" "$tool" "$out" -2x
