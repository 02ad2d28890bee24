#!/usr/bin/env bash
# Builds and runs the copy/encrypt/decrypt benchmark against cp and openssl.
# usage: bench/engine/run.sh [MiB] [BUFFER-KiB]   (default 1024 MiB, 256 KiB: the program's copy buffer)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_UI=OFF -DTESSARO_TESTS=OFF >/dev/null
cmake --build "$build" --target tessaro_core -j4 >/dev/null
g++ -std=c++20 -O2 -I"$root/src" -I"$build/generated" "$root/bench/engine/CopyBench.cpp" \
    "$build/libtessaro_core.a" -lz -lcrypto -lcurl -pthread -o "$build/copy_bench"
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/copy_bench" "$work" "${1:-1024}" "${2:-256}"
