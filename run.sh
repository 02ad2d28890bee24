#!/usr/bin/env bash
# Installs what is missing, builds the program (Release) and runs it. Without
# arguments it runs the bundled example task (examples/) from the command line and
# prints the log of that run; with arguments it starts Tessaro with them.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)"
if [ $# -gt 0 ]; then
    exec build-release/tessaro "$@"
fi

# Task files hold Windows path text: the clone's folder "/a/b" is "C:\a\b".
example=build-release/example
mkdir -p "$example"
clone="C:${PWD//\//\\}"
template=$(<examples/example.buj.in)
printf '%s\n' "${template//'C:\TESSARO_CLONE'/"$clone"}" >"$example/example.buj"
build-release/tessaro --version
status=0
build-release/tessaro -force -quiet -wait:0 -log:2 -ini:"$PWD/$example/tessaro.ini" \
    "$PWD/$example/example.buj" || status=$?
log="$example/tessaro.log"
if [ -f "$log" ]; then
    # The last run: from its header line to the end.
    start=$(grep -n ' - Data backup$' "$log" | tail -n 1 | cut -d: -f1)
    tail -n +"${start:-1}" "$log"
fi
echo "Backup in ./example-backup:"
find example-backup -type f 2>/dev/null | sort
exit "$status"
