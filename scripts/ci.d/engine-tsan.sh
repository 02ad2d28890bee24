#!/usr/bin/env bash
# The copy workers under ThreadSanitizer: pause gate, cancel, end signal and progress
# events between the worker thread and its waiter, workers started on the work pool, and
# the restore copying the files of a folder side by side, the backup walk listing a
# destination folder on the pool, whole backups of many files to every kind of
# destination, the search looking at a large folder's entries on several threads. Shares
# the build-tsan folder.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target test_platform test_engine test_restore test_tasks
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    timeout 600 build-tsan/test_engine \
    --gtest_filter='CopyThread.*:PlainCopy.*:Verify.*:EncryptFile.*:DecryptFile.*:FinishFiles.*:FullDisk.*'
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    timeout 600 build-tsan/test_restore --gtest_filter='RestoreRunTest.*'
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    timeout 600 build-tsan/test_tasks --gtest_filter='BackupWalkTest.*:BackupRunTest.ManyFilesAreLoggedInTheFoldersOrder'
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    timeout 600 build-tsan/test_platform --gtest_filter='FileSystem.SearchOfALargeFolderKeepsOrderSizesAndSkips'
