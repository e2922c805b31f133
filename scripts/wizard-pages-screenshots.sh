#!/bin/sh
# Pictures of the wizard's table selection, query dialog (with the source's
# saved queries, and a refused Test Query), progress page, error dialogs,
# finish page with errors and finish page after Verify:
# docs/screenshots/wizard-*.png at 100 % and wizard-*-2x.png at 200 %, taken
# under Xvfb like the pages' pictures (see wizard-screenshots.sh).
# Usage: scripts/wizard-pages-screenshots.sh [BUILD_DIR]   (default build-test)
set -eu
# The finish page after its Verify button ran, then the other pictures.
"$(dirname "$0")/wizard-screenshots.sh" "${1:-build-test}" gui2_finish_verify_shot
exec "$(dirname "$0")/wizard-screenshots.sh" "${1:-build-test}" gui2_page_shots
