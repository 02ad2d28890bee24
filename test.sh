#!/usr/bin/env bash
# Installs what is missing, builds with the tests and runs them all.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
build=${TESSARO_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_TESTS=ON -DTESSARO_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest -j"$(nproc)" --output-on-failure --timeout 600
