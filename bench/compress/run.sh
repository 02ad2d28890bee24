#!/usr/bin/env bash
# Compares our gzip and zip writers with gzip -6, zip -r -6 and 7zz (AES-256) on a
# generated tree of mixed files (text, structured binary, already compressed).
# usage: bench/compress/run.sh [FILES] [TOTAL-MiB]   (default 3000 files, 300 MiB)
. "$(dirname "$0")/../common.sh"
bench_program compress_bench compress/CompressBench.cpp
g++ -std=c++20 -O2 "$root/bench/compress/GenerateTree.cpp" -o "$build/generate_tree"

tree="$work/tree"
"$build/generate_tree" "$tree" "${1:-3000}" "${2:-300}"
cat $(find "$tree" -type f) >/dev/null # the same warm page cache for every contender
password='Bench-Passw0rd'

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }
size_of() { find "$@" -type f -printf '%s\n' | awk '{s += $1} END {print s}'; }

ours_gzip=$("$build/compress_bench" gzip "$tree" "$work/ours-gz")
ours_gzip_size=$(size_of "$work/ours-gz")
peer_gzip=$(seconds bash -c "cd '$tree' && find . -type f -print0 | xargs -0 gzip -6 -k -f -q")
peer_gzip_size=$(size_of "$tree" -name '*.gz')
find "$tree" -name '*.gz' -delete

ours_zip=$("$build/compress_bench" zip "$tree" "$work/ours.zip")
peer_zip=$(seconds bash -c "cd '$tree' && zip -r -6 -q '$work/peer.zip' .")

ours_aes=$("$build/compress_bench" zip "$tree" "$work/ours-aes.zip" "$password")
peer_aes=$(seconds bash -c "cd '$tree' && 7zz a -tzip -mem=AES256 -p'$password' '$work/peer-aes.zip' .")

# What we wrote must pass the peers' own checks.
find "$work/ours-gz" -name '*.gz' -print0 | xargs -0 gzip -t
unzip -tq "$work/ours.zip" >/dev/null
7zz t -p"$password" "$work/ours-aes.zip" >/dev/null

row() { # name ours-seconds peer-seconds ours-bytes peer-bytes
    printf '%-24s %8.2f s %8.2f s  time ratio %5.2f   %12d B %12d B  size ratio %.4f\n' \
        "$1" "$2" "$3" "$(echo "$2 / $3" | bc -l)" "$4" "$5" "$(echo "$4 / $5" | bc -l)"
}
echo "tree: $(find "$tree" -type f | wc -l) files, $(size_of "$tree") bytes, $(nproc) cores"
printf '%-24s %10s %10s\n' "" "ours" "peer"
row "gzip per file / gzip -6" "$ours_gzip" "$peer_gzip" "$ours_gzip_size" "$peer_gzip_size"
row "zip / zip -r -6" "$ours_zip" "$peer_zip" "$(stat -c %s "$work/ours.zip")" "$(stat -c %s "$work/peer.zip")"
row "AES zip / 7zz AES256" "$ours_aes" "$peer_aes" "$(stat -c %s "$work/ours-aes.zip")" \
    "$(stat -c %s "$work/peer-aes.zip")"
