#!/usr/bin/env bash
# Builds and runs the copy/encrypt/decrypt benchmark against cp and openssl.
# usage: bench/engine/run.sh [MiB] [BUFFER-KiB]   (default 1024 MiB, 256 KiB: the program's copy buffer)
. "$(dirname "$0")/../common.sh"
bench_program copy_bench engine/CopyBench.cpp
"$build/copy_bench" "$work" "${1:-1024}" "${2:-256}"
