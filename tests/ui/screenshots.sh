#!/usr/bin/env bash
# Takes screenshots of the windows on a virtual X screen with a window manager, at the
# scale factors 1 and 2 (pictures in 1x/ and 2x/ below the picture folder).
# Usage: tests/ui/screenshots.sh [build folder] [picture folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${2:-$build/screenshots}
cmake --build "$build" --target test_ui >/dev/null
test_ui=$(realpath "$build/test_ui")
for scale in 1 2; do
    dir=$(realpath -m "$out/${scale}x")
    mkdir -p "$dir"
    TESSARO_SCREENSHOT_DIR=$dir QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
        timeout 180 xvfb-run -a -s "-screen 0 $((1280 * scale))x$((900 * scale))x24" \
        sh -c 'if command -v openbox >/dev/null; then openbox & sleep 1; fi; "$0" --gtest_filter="Screenshots.*"' \
        "$test_ui"
    ls -l "$dir"
done
