#include "foundation/FileStream.h"

TFileStream::TFileStream(std::unique_ptr<Platform::TFile> file) : Handle(std::move(file))
{
    Pos = Handle->Seek(0, Platform::TSeekOrigin::Current);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count < 0)
        return -1;
    const int64_t got = Handle->Read(buffer, static_cast<size_t>(count));
    if (got > 0)
        Pos += got;
    return got;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count < 0)
        return -1;
    const int64_t written = Handle->Write(buffer, static_cast<size_t>(count));
    if (written > 0)
        Pos += written;
    return written;
}

bool TFileStream::Seek(int64_t position)
{
    const int64_t at = Handle->Seek(position, Platform::TSeekOrigin::Begin);
    if (at < 0)
        return false;
    Pos = at;
    return true;
}

int64_t TFileStream::Size() const
{
    return Handle->Size();
}

std::unique_ptr<TFileStream> OpenFileStreamRead(const std::string& path)
{
    std::unique_ptr<Platform::TFile> file = Platform::OpenRead(path, Platform::TShare::ReadWrite);
    return file ? std::make_unique<TFileStream>(std::move(file)) : nullptr;
}
