#include "foundation/FileStream.h"

bool IsDiskFullError(int error)
{
    return error == Platform::ErrorDiskFull || error == Platform::ErrorHandleDiskFull;
}

std::unique_ptr<TFileStream> TFileStream::OpenRead(const std::string& path)
{
    auto file = Platform::OpenRead(path, Platform::TShare::ReadWrite);
    return file ? std::make_unique<TFileStream>(std::move(file)) : nullptr;
}

std::unique_ptr<TFileStream> TFileStream::OpenFound(const std::string& path)
{
    auto file = Platform::OpenFoundFile(path, Platform::TShare::ReadWrite);
    return file ? std::make_unique<TFileStream>(std::move(file)) : nullptr;
}

std::unique_ptr<TFileStream> TFileStream::Create(const std::string& path)
{
    auto file = Platform::OpenWrite(path, Platform::TShare::Read);
    return file ? std::make_unique<TFileStream>(std::move(file)) : nullptr;
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (!File || count < 0) {
        return -1;
    }
    const int64_t got = File->Read(buffer, static_cast<size_t>(count));
    if (got > 0) {
        Pos += got;
    }
    return got;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (!File || count < 0) {
        return -1;
    }
    if (File->Write(buffer, static_cast<size_t>(count)) == count) {
        Pos += count;
        return count;
    }
    return IsDiskFullError(Platform::LastError()) ? 0 : -1;
}

bool TFileStream::Seek(int64_t position)
{
    if (!File || File->Seek(position) < 0) {
        return false;
    }
    Pos = position;
    return true;
}

int64_t TFileStream::Size() const
{
    return File ? File->Size() : -1;
}

int TFileStream::Close()
{
    if (!File) {
        return 0;
    }
    const int result = File->Close();
    File.reset();
    return result;
}

int64_t TFileStream::CopyTo(TFileStream& out, int64_t count)
{
    if (!File || !out.File || count < 0) {
        return -1;
    }
    const int64_t done = File->CopyTo(*out.File, static_cast<size_t>(count));
    if (done > 0) {
        Pos += done;
        out.Pos += done;
    }
    return done;
}
