#!/usr/bin/env bash
# The screen-fit tests under a real window manager: on a virtual X screen with openbox, which
# frames, places and resizes the windows as a desktop does (ctest's offscreen screens do none
# of that). Screens of 800x500 and 1024x600 at scale 1 and of 1600x1000 at scale 2, in English
# and German; each window must lie on the screen with every control in reach.
# Usage: scripts/ci.d/window-manager.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup
build=${1:-${TESSARO_BUILD_DIR:-build}}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_TESTS=ON >/dev/null
fi
cmake --build "$build" --target test_ui -j"$(nproc)" >/dev/null
test_ui=$(realpath "$build/test_ui")

# One screen: the X server, openbox (ready once it announces itself on the root window), the tests.
run_on_screen() { # device size, scale, language
    xvfb-run -a -s "-screen 0 ${1}x24 -nolisten tcp" env LANGUAGE="$3" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$2" \
        TEST_UI="$test_ui" sh -c '
            openbox >/dev/null 2>&1 &
            wm=$!
            tries=0
            until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
                tries=$((tries + 1))
                [ $tries -lt 100 ] || { echo "openbox did not start" >&2; kill $wm; exit 1; }
                sleep 0.1
            done
            status=0
            timeout 600 "$TEST_UI" --gtest_filter="ScreenFit.*" || status=$?
            kill $wm 2>/dev/null || true
            wait $wm 2>/dev/null || true
            exit $status'
}

status=0
for screen in 800x500:1 1024x600:1 1600x1000:2; do
    for language in en de; do
        echo "== ${screen%:*} at scale ${screen#*:}, $language"
        run_on_screen "${screen%:*}" "${screen#*:}" "$language" || status=1
    done
done
exit $status
