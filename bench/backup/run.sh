#!/usr/bin/env bash
# Builds and runs the backup benchmark against cp -a and rsync -a.
# usage: [TMPDIR=/dev/shm] bench/backup/run.sh [FILES] [LARGE-MiB]   (default 20000 files, 16 MiB
# per large file). The tree goes below TMPDIR: point it at a tmpfs for steady timings.
. "$(dirname "$0")/../common.sh"
bench_program backup_bench backup/BackupBench.cpp
"$build/backup_bench" "$work" "${1:-20000}" "${2:-16}"
