#pragma once

#include "foundation/Stream.h"
#include "platform/FileSystem.h"

#include <memory>

// True for the errors of a full volume.
bool IsDiskFullError(int error);

// A platform file seen as a stream. A write that fails because the volume is full
// reports 0 bytes written, so callers can tell a full medium from other errors.
class TFileStream : public TStream
{
public:
    explicit TFileStream(std::unique_ptr<Platform::TFile> file) : File(std::move(file)) {}

    // Nullptr when the file cannot be opened (Platform::LastError() says why).
    static std::unique_ptr<TFileStream> OpenRead(const std::string& path);
    // A file that a walk found: a link put in its place since is not followed.
    static std::unique_ptr<TFileStream> OpenFound(const std::string& path);
    // Creates or truncates.
    static std::unique_ptr<TFileStream> Create(const std::string& path);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return Pos; }
    int64_t Size() const override;
    // 0 or the Windows error code of the close.
    int Close();
    // The open file, for calls without a path lookup (times, attributes).
    Platform::TFile& Handle() { return *File; }
    // Copies up to count bytes to out inside the kernel: bytes copied (0 at the end) or
    // -1 (Platform::LastError(): ErrorInvalidFunction when only Read and Write can do it).
    int64_t CopyTo(TFileStream& out, int64_t count);

private:
    std::unique_ptr<Platform::TFile> File;
    int64_t Pos = 0;
};
