#!/usr/bin/env bash
# Builds and runs the backup benchmark against cp -a and rsync -a.
# usage: bench/backup/run.sh [FILES] [LARGE-MiB]   (default 20000 files, 16 MiB per large file)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_UI=OFF -DTESSARO_TESTS=OFF >/dev/null
cmake --build "$build" --target tessaro_core -j4 >/dev/null
g++ -std=c++20 -O2 -I"$root/src" -I"$build/generated" "$root/bench/backup/BackupBench.cpp" \
    "$build/libtessaro_core.a" -lz -lcrypto -lcurl -pthread -o "$build/backup_bench"
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/backup_bench" "$work" "${1:-20000}" "${2:-16}"
