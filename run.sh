#!/usr/bin/env bash
# Installs what is missing, builds the program (Release) and runs it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)"
exec build-release/tessaro "$@"
