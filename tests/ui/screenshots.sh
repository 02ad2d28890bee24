#!/usr/bin/env bash
# Takes screenshots of the windows during a simulated run on a virtual X screen.
# Usage: tests/ui/screenshots.sh [build folder] [picture folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${2:-$build/screenshots}
cmake --build "$build" --target test_ui >/dev/null
mkdir -p "$out"
TESSARO_SCREENSHOT_DIR=$(realpath "$out") QT_QPA_PLATFORM=xcb \
    timeout 120 xvfb-run -a -s "-screen 0 800x600x24" \
    "$build/test_ui" --gtest_filter='Screenshots.*'
ls -l "$out"
