#!/usr/bin/env bash
# Builds and runs the backup benchmark against cp -a and rsync -a.
# usage: bench/backup/run.sh [FILES] [LARGE-MiB]   (default 20000 files, 16 MiB per large file)
. "$(dirname "$0")/../common.sh"
bench_program backup_bench backup/BackupBench.cpp
"$build/backup_bench" "$work" "${1:-20000}" "${2:-16}"
