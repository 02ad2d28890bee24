#!/usr/bin/env bash
# Builds and runs the restore benchmark against cp -a and gzip -dc in one run.
# usage: [TMPDIR=/dev/shm] bench/restore/run.sh [FILES]   (default 20000 files)
. "$(dirname "$0")/../common.sh"
bench_program restore_bench restore/RestoreBench.cpp
"$build/restore_bench" "$work" "${1:-20000}"
