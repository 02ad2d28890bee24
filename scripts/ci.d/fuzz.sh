#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (core instrumented, sanitizers on) and runs each from
# the seed corpus kept in tests/fuzz/corpus/<target>/ with a fixed seed and a fixed number of
# runs, so that CI is repeatable: a finding shows up on the change that brought it. Longer,
# random runs are for developers (FUZZ_SECONDS=300 scripts/ci.d/fuzz.sh).
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
    if [ -n "${FUZZ_SECONDS:-}" ]; then
        budget=(-max_total_time="$FUZZ_SECONDS")
    else
        runs=${FUZZ_RUNS:-3000}
        # The task-file readers get more runs: their round trip is where findings came from.
        if [ "$name" = fuzz_taskfile ] && [ -z "${FUZZ_RUNS:-}" ]; then
            runs=25000
        fi
        budget=(-seed=1 -runs="$runs" -max_total_time=900)
    fi
    echo "== fuzzing $name (${budget[*]})"
    (cd "$work" && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$root/$build/$name" "${budget[@]}" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 "$corpus")
done
