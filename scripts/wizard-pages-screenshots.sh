#!/bin/sh
# Pictures of the wizard's table selection, query dialog, progress page,
# error dialogs and finish page with errors, taken on a real (virtual) X
# display: docs/screenshots/wizard-*.png. Needs the test build (make test or
# the build-test folder) and xvfb (Debian package xvfb).
# Usage: scripts/wizard-pages-screenshots.sh [build folder] [scale factor]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-test}
scale=${2:-1}
shots="$build/tests/bin/gui2_page_shots"
[ -x "$shots" ] || { echo "missing $shots: build the target gui2_page_shots first" >&2; exit 1; }
out=docs/screenshots
[ "$scale" = 1 ] || out="$out/x$scale"
mkdir -p "$out"
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" ASAN_OPTIONS=detect_leaks=0 \
  xvfb-run -a -s "-screen 0 1600x1200x24" "$shots" "$out"
# The finish page after its Verify button ran.
verify_shot="$build/tests/bin/gui2_finish_verify_shot"
if [ -x "$verify_shot" ]; then
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1600x1200x24" "$verify_shot" "$out"
fi
