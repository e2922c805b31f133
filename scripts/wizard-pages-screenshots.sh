#!/bin/sh
# Pictures of the wizard's table selection, query dialog (with the source's
# saved queries), progress page, error dialogs and finish page with errors,
# taken on a real (virtual) X display: docs/screenshots/wizard-*.png at 100 %
# and wizard-*-2x.png at 200 % (QT_SCALE_FACTOR=2). Needs the test build
# (make test or the build-test folder) and the Debian packages xvfb and xauth.
# Usage: scripts/wizard-pages-screenshots.sh [BUILD_DIR]   (default build-test)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-test}
shots="$root/$build/tests/bin/gui2_page_shots"
out="$root/docs/screenshots"

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "wizard-pages-screenshots: xvfb-run is missing; install it with: apt-get install xvfb xauth" >&2
  exit 1
fi
if [ ! -x "$shots" ]; then
  echo "wizard-pages-screenshots: build it first: cmake --build $build --target gui2_page_shots" >&2
  exit 1
fi
mkdir -p "$out"
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1600x1200x24" "$shots" "$out"
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2400x1800x24" "$shots" "$out" -2x
