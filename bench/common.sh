# Shared start of the bench/*/run.sh scripts (sourced, not run): builds the core
# library for timing and sets root, build and work (a scratch folder removed on exit).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_UI=OFF -DTESSARO_TESTS=OFF >/dev/null
cmake --build "$build" --target tessaro_core -j4 >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# bench_program NAME SOURCE: builds bench/SOURCE against the core library as $build/NAME.
bench_program()
{
    g++ -std=c++20 -O2 -I"$root/src" -I"$build/generated" "$root/bench/$2" \
        "$build/libtessaro_core.a" -lz -ldeflate -lcrypto -lcurl -pthread -o "$build/$1"
}
