#!/usr/bin/env bash
# The gzip and zip workers under ThreadSanitizer: the compression thread pool, the key
# derivation beside the compression, and the zip writer waiting for its workers.
# Shares the build-tsan folder.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target test_engine
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    timeout 600 build-tsan/test_engine --gtest_filter='GZipThread.*:GzipFormat.*:WorkPool.*:ZipWrite.*:Pbkdf2Sha1.*:Encryption.*'
