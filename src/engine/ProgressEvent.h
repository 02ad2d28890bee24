#pragma once

#include <cstdint>
#include <functional>

// Phases a progress event reports.
enum TProgressKind : uint8_t
{
    pkCopy = 1,
    pkCompress = 2,
    pkDecompress = 3,
    pkEncrypt = 4,
    pkDecrypt = 5,
    pkVerify = 6,
    pkCopyVerify = 7,
    pkUpload = 8,
    pkDownload = 9,
};

// Called on the worker's own thread: a negative count announces the total of the
// phase that starts (negated), a positive count the bytes done so far in it. The
// sender is the worker, the encryption object (kinds 4 and 5) or the zip writer.
// Handlers must not touch widgets: store into atomics or post a queued call.
using TProgressEvent = std::function<void(const void* sender, uint8_t kind, int64_t count)>;
