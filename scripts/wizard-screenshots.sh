#!/bin/sh
# Saves screenshots of the wizard into docs/screenshots, at 100 % and at 200 %
# scaling (QT_SCALE_FACTOR=2, files ending in "-2x"), in a real X window under
# Xvfb. The default picture program walks every page, converting
# samples/sample.mdb into the embedded engine; scripts/wizard-pages-screenshots.sh
# names the one of the table, query, progress and error views. Needs the
# Debian packages xvfb and xauth.
# Usage: scripts/wizard-screenshots.sh [BUILD_DIR [PROGRAM]]
#        (defaults: build-test, wizard_screenshots)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-test}
program=${2:-wizard_screenshots}
tool="$root/$build/tests/bin/$program"
out="$root/docs/screenshots"

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "wizard-screenshots: xvfb-run is missing; install it with: apt-get install xvfb xauth" >&2
  exit 1
fi
if [ ! -x "$tool" ]; then
  echo "wizard-screenshots: build it first: cmake --build $build --target $program" >&2
  exit 1
fi
mkdir -p "$out"
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1600x1200x24" "$tool" "$out"
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2400x1800x24" "$tool" "$out" -2x
