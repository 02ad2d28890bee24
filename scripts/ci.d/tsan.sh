#!/usr/bin/env bash
# The progress window under ThreadSanitizer: a worker thread floods it with progress
# events while the window runs. Only the window tests are built and run.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target test_ui
QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/ci.d/tsan.supp" \
    timeout 600 build-tsan/test_ui --gtest_filter='ProgressWindowStress.*'
