#!/usr/bin/env bash
# Takes screenshots of the windows during a simulated run on a virtual X screen.
# Usage: tests/ui/screenshots.sh [build folder] [picture folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${2:-$build/screenshots}
cmake --build "$build" --target test_ui >/dev/null
mkdir -p "$out"
# With a window manager the dialogs get their frames, as on a desktop.
shots="$build/test_ui --gtest_filter=Screenshots.*"
if command -v openbox >/dev/null; then
    shots="openbox & sleep 1; $shots"
fi
TESSARO_SCREENSHOT_DIR=$(realpath "$out") QT_QPA_PLATFORM=xcb \
    timeout 180 xvfb-run -a -s "-screen 0 1024x768x24" sh -c "$shots"
ls -l "$out"
