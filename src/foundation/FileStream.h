#pragma once

#include "foundation/Stream.h"
#include "platform/FileSystem.h"

#include <memory>
#include <string>

// A stream over an open platform file. Write failures leave the reason in
// Platform::LastError() (ErrorDiskFull when the medium is full).
class TFileStream : public TStream
{
public:
    explicit TFileStream(std::unique_ptr<Platform::TFile> file);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return Pos; }
    int64_t Size() const override;

    Platform::TFile& File() { return *Handle; }

private:
    std::unique_ptr<Platform::TFile> Handle;
    int64_t Pos = 0;
};

// Opens a file (Windows path text) for reading, sharing read and write; nullptr on failure.
std::unique_ptr<TFileStream> OpenFileStreamRead(const std::string& path);
