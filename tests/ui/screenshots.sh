#!/usr/bin/env bash
# Takes screenshots of the windows on a virtual X screen with a window manager, in English
# and German at the scale factors 1 and 2 (pictures in en-1x/, en-2x/, de-1x/, de-2x/
# below the picture folder). The same tests check each window's layout as they go; the
# screen-fit tests add the whole screen with each main window as the window manager placed it
# (screen-*.png).
# Usage: [SCREEN=WIDTHxHEIGHT] tests/ui/screenshots.sh [build folder] [picture folder]
# SCREEN is the screen's size in logical pixels (default 1280x900), e.g. SCREEN=800x500 for
# the smallest screen the windows must fit.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${2:-$build/screenshots}
cmake --build "$build" --target test_ui >/dev/null
test_ui=$(realpath "$build/test_ui")
screen=${SCREEN:-1280x900}
width=${screen%x*}
height=${screen#*x}
status=0
for lang in en de; do
    for scale in 1 2; do
        dir=$(realpath -m "$out/$lang-${scale}x")
        mkdir -p "$dir"
        LANGUAGE=$lang TESSARO_SCREENSHOT_DIR=$dir QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
            timeout 300 xvfb-run -a -s "-screen 0 $((width * scale))x$((height * scale))x24" \
            sh -c 'if command -v openbox >/dev/null; then openbox & sleep 1; fi; "$0" --gtest_filter="Screenshots.*:ScreenFit.*"' \
            "$test_ui" || status=1
        ls "$dir"
    done
done
exit $status
