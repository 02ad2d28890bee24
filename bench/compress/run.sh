#!/usr/bin/env bash
# Compares our gzip, zip and per-file encryption with their peers on a generated tree
# of mixed files (text, structured binary, already compressed): gzip -6 and pigz -6
# per file, zip -r -6 and 7zz -tzip -mx=5, 7zz AES-256, and one openssl enc stream of
# all the tree's bytes. Each contender runs ROUNDS times (default 3), alternating with
# the others, and its best time counts: the machine is shared.
# usage: [TMPDIR=/dev/shm] bench/compress/run.sh [FILES] [TOTAL-MiB]   (default 3000 files, 300 MiB)
. "$(dirname "$0")/../common.sh"
bench_program compress_bench compress/CompressBench.cpp
g++ -std=c++20 -O2 "$root/bench/compress/GenerateTree.cpp" -o "$build/generate_tree"
for tool in gzip pigz zip 7zz openssl unzip; do
    command -v "$tool" >/dev/null || { echo "missing peer: $tool (scripts/setup installs it)" >&2; exit 1; }
done

tree="$work/tree"
"$build/generate_tree" "$tree" "${1:-3000}" "${2:-300}"
cat $(find "$tree" -type f) >/dev/null # the same warm page cache for every contender
password='Bench-Passw0rd'
rounds=${ROUNDS:-3}

size_of() { find "$@" -type f -printf '%s\n' | awk '{s += $1} END {print s}'; }
# best NAME SECONDS: keeps the smallest time seen for NAME.
declare -A best
keep() { if [ -z "${best[$1]:-}" ] || (($(echo "$2 < ${best[$1]}" | bc))); then best[$1]=$2; fi; }
# timed NAME COMMAND...: runs the command after a sync (dirty pages of the step
# before must not slow it down) and keeps its time.
timed()
{
    local name=$1 t0 t1
    shift
    sync
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $name" >&2; exit 1; }
    t1=$(date +%s.%N)
    keep "$name" "$(echo "$t1 - $t0" | bc)"
}
# ours NAME ARGS...: our program times itself (no process start, no tree walk by a shell).
ours()
{
    local name=$1 seconds
    shift
    sync
    seconds=$("$build/compress_bench" "$@") || { echo "failed: $name" >&2; exit 1; }
    keep "$name" "$seconds"
}
clean() { rm -rf "$work"/out-* "$work"/*.zip "$work"/all.enc; find "$tree" -name '*.gz' -delete; }

for ((round = 0; round < rounds; ++round)); do
    clean
    ours gzip gzip "$tree" "$work/out-gz"
    timed gzip6 bash -c "cd '$tree' && find . -type f -print0 | xargs -0 gzip -6 -k -f -q"
    gzip6_size=$(size_of "$tree" -name '*.gz')
    find "$tree" -name '*.gz' -delete
    timed pigz6 bash -c "cd '$tree' && find . -type f -print0 | xargs -0 pigz -6 -k -f -q"
    pigz6_size=$(size_of "$tree" -name '*.gz')
    find "$tree" -name '*.gz' -delete

    ours zip zip "$tree" "$work/ours.zip"
    timed zip6 bash -c "cd '$tree' && zip -r -6 -q '$work/peer.zip' ."
    timed 7zzip bash -c "cd '$tree' && 7zz a -tzip -mx=5 '$work/peer7.zip' ."

    ours aes zip "$tree" "$work/ours-aes.zip" "$password"
    timed 7zaes bash -c "cd '$tree' && 7zz a -tzip -mx=5 -mem=AES256 -p'$password' '$work/peer-aes.zip' ."

    ours encrypt encrypt "$tree" "$work/out-enc" "$password"
    timed openssl bash -c "cd '$tree' && find . -type f -print0 | xargs -0 cat |
        openssl enc -aes-256-ctr -pbkdf2 -iter 1000 -pass pass:'$password' -out '$work/all.enc'"
done

# What we wrote must pass the peers' own checks.
find "$work/out-gz" -name '*.gz' -print0 | xargs -0 gzip -t
unzip -tq "$work/ours.zip" >/dev/null
7zz t -p"$password" "$work/ours-aes.zip" >/dev/null

row() { # name ours-seconds peer-seconds ours-bytes peer-bytes
    printf '%-28s %8.2f s %8.2f s  time ratio %5.2f  %12d B %12d B  size ratio %.4f\n' \
        "$1" "$2" "$3" "$(echo "$2 / $3" | bc -l)" "$4" "$5" "$(echo "$4 / $5" | bc -l)"
}
tree_size=$(size_of "$tree")
echo "tree: $(find "$tree" -type f | wc -l) files, $tree_size bytes, $(nproc) cores, ${TMPDIR:-/tmp}, best of $rounds"
printf '%-28s %10s %10s\n' "" "ours" "peer"
gz_size=$(size_of "$work/out-gz")
row "gzip per file / gzip -6" "${best[gzip]}" "${best[gzip6]}" "$gz_size" "$gzip6_size"
row "gzip per file / pigz -6" "${best[gzip]}" "${best[pigz6]}" "$gz_size" "$pigz6_size"
zip_size=$(stat -c %s "$work/ours.zip")
row "zip / zip -r -6" "${best[zip]}" "${best[zip6]}" "$zip_size" "$(stat -c %s "$work/peer.zip")"
row "zip / 7zz -tzip -mx=5" "${best[zip]}" "${best[7zzip]}" "$zip_size" "$(stat -c %s "$work/peer7.zip")"
row "zip / pigz -6" "${best[zip]}" "${best[pigz6]}" "$zip_size" "$pigz6_size"
row "AES zip / 7zz AES256" "${best[aes]}" "${best[7zaes]}" "$(stat -c %s "$work/ours-aes.zip")" \
    "$(stat -c %s "$work/peer-aes.zip")"
row "encrypt per file / openssl" "${best[encrypt]}" "${best[openssl]}" "$(size_of "$work/out-enc")" \
    "$(stat -c %s "$work/all.enc")"
echo "goals: gzip and zip <= 1.00 of pigz -6; AES zip <= 1.00 of 7zz at <= +1 % size;" \
    "encrypt <= 1.20 of openssl"
