#!/usr/bin/env bash
# Builds and runs the backup benchmark against cp -a and rsync -a, on the disk and on a
# tmpfs.
# usage: bench/backup/run.sh [FILES] [LARGE-MiB] [BIG-FILES]   (default 20000 files, 16 MiB per
# large file, 100000 files for the large cases; 0 leaves them out). BENCH_PLACES names the
# folders to run in (default "/var/tmp /dev/shm"), BENCH_ROUNDS the runs of which the
# median counts (3).
. "$(dirname "$0")/../common.sh"
bench_program backup_bench backup/BackupBench.cpp
for place in ${BENCH_PLACES:-/var/tmp /dev/shm}; do
    here=$(mktemp -d "$place/tessaro-bench-XXXXXX")
    echo "== $place ($(stat -f -c %T "$place")), $(nproc) cores"
    status=0
    "$build/backup_bench" "$here" "${1:-20000}" "${2:-16}" "${3:-100000}" || status=$?
    rm -rf "$here"
    [ "$status" = 0 ] || exit "$status"
done
