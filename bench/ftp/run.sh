#!/usr/bin/env bash
# Benchmark: our FTP upload against curl -T, both to a local pyftpdlib server.
# Usage: bench/ftp/run.sh [small-files [large-files [MiB-per-large-file]]]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TESSARO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tessaro_core -j4 >/dev/null
g++ -std=c++20 -O2 -I"$root/src" -I"$root/tests" -I"$build/generated" -DTESSARO_SOURCE_DIR="\"$root\"" \
    "$root/bench/ftp/FtpBench.cpp" "$build/libtessaro_core.a" -lz -ldeflate -lcrypto -lcurl -pthread -o "$build/ftp_bench"
"$build/ftp_bench" "$@"
