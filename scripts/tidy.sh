#!/usr/bin/env bash
# clang-tidy pass (bugprone-*, performance-*; see .clang-tidy) over every source file of src/.
# Uses the compile commands of ./test.sh's build folder, or configures one of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${TESSARO_BUILD_DIR:-build}
if [ ! -f "$build/compile_commands.json" ]; then
    build=build-tidy
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_TESTS=OFF >/dev/null
fi
# Qt's generated moc and ui headers must exist before the sources can be parsed.
cmake --build "$build" -j"$(nproc)" >/dev/null
mapfile -t files < <(git ls-files 'src/*.cpp')
# GCC-only warning options in the compile commands (-Wno-restrict) are nothing to report.
run-clang-tidy -p "$build" -j"$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option "${files[@]}" >"$build/tidy.log" 2>&1 || {
    grep -E 'warning:|error:' "$build/tidy.log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u
    echo "tidy: findings above (full output in $build/tidy.log)"
    exit 1
}
echo "tidy: clean (${#files[@]} files)"
