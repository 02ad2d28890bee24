#!/usr/bin/env bash
# Runs every benchmark of bench/ in one go, each against its peers in the same run:
# backup (first, unchanged and 1 % touched; 20k and 100k small files, nested and in one
# folder) against cp -a and rsync -a, zip and AES zip against 7zz, gzip against pigz,
# encrypted per file against one openssl stream, restore against cp -a.
# usage: bench/run.sh   (BENCH_PLACES="/var/tmp /dev/shm" as bench/backup/run.sh; the others
# run in each place through TMPDIR)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/backup/run.sh"
for place in ${BENCH_PLACES:-/var/tmp /dev/shm}; do
    echo "== compression and encryption in $place"
    TMPDIR=$place "$here/compress/run.sh"
    echo "== restore in $place"
    TMPDIR=$place "$here/restore/run.sh"
done
