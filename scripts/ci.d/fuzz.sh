#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (core instrumented, sanitizers on) and runs each for
# at most a minute, starting from the seed corpus kept in tests/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSARO_UI=OFF -DTESSARO_TESTS=OFF -DTESSARO_FUZZ=ON \
    -DTESSARO_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j"$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for src in tests/fuzz/*.cpp; do
    name=$(basename "$src" .cpp)
    corpus="$work/$name"
    mkdir -p "$corpus"
    if [ -d "tests/fuzz/corpus/$name" ]; then
        cp tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
    fi
    echo "== fuzzing $name for 60 s"
    (cd "$work" && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$root/$build/$name" -max_total_time=60 -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 "$corpus")
done
