#include "engine/CopyThread.h"

#include "engine/Encryption.h"
#include "foundation/FileStream.h"
#include "platform/DestFolder.h"
#include "platform/FileSystem.h"

#include <zlib.h>

namespace {

uint32_t UpdateCrc(uint32_t crc, const uint8_t* data, int64_t count)
{
    return static_cast<uint32_t>(crc32_z(crc, data, static_cast<size_t>(count)));
}

uint32_t InitialCrc()
{
    return static_cast<uint32_t>(crc32_z(0, nullptr, 0));
}

TFileStream* AsFile(const std::unique_ptr<TStream>& stream)
{
    return dynamic_cast<TFileStream*>(stream.get());
}

// A write that stored fewer bytes than asked means a full medium.
TStatusCode WriteCode(int64_t written, int64_t count, TStatusCode failure)
{
    if (written == count) {
        return 0;
    }
    return written >= 0 ? ecLowDiskSpace : failure;
}

TStatusCode CheckNames(const std::string& source, const std::string& destination)
{
    if (Platform::PathTooLong(source)) {
        return ecPathTooLong;
    }
    if (!Platform::FileExists(source)) {
        return ecFileNotFound;
    }
    if (Platform::PathTooLong(destination)) {
        return ecPathTooLong;
    }
    if (destination.empty()) {
        return ecCreateFile;
    }
    return 0;
}

} // namespace

bool TCopyThread::LookUpSource(TFindData& data) const
{
    return Platform::GetFindData(Source, data) && (data.Attr & faDirectory) == 0;
}

std::unique_ptr<TFileStream> TCopyThread::OpenSourceStream() const
{
    if (!SourceFolder) {
        // A file a walk listed is what it found there, not what a link put there since names.
        return SourceListing ? TFileStream::OpenFound(Source) : TFileStream::OpenRead(Source);
    }
    auto file = SourceFolder->OpenRead(SourceName);
    return file ? std::make_unique<TFileStream>(std::move(file)) : nullptr;
}

TStatusCode TCopyThread::OpenSource()
{
    // One look at the source (or the listing's) answers existence, times and attributes.
    if (Platform::PathTooLong(Source)) {
        return ecPathTooLong;
    }
    TFindData data;
    if (SourceListing) {
        data = *SourceListing;
    } else if (!LookUpSource(data)) {
        return ecFileNotFound;
    }
    if (Platform::PathTooLong(Destination)) {
        return ecPathTooLong;
    }
    if (Destination.empty()) {
        return ecCreateFile;
    }
    auto stream = OpenSourceStream();
    if (!stream) {
        // A listed file may have gone since: say so as the lookup would have.
        return SourceListing && !LookUpSource(data) ? ecFileNotFound : ecOpenFile;
    }
    if (SourceListing && SourceListingWithoutStored) {
        stream->Handle().AddStoredAttributes(data); // from the open file: no second path lookup
    }
    SourceTimes = FindDataToFileTimes(data);
    SourceAttr = data.Attr;
    SourceSize = stream->Handle().OpenedSize();
    if (SourceSize < 0) {
        SourceSize = stream->Size();
    }
    SourceStream = std::move(stream);
    return 0;
}

TStatusCode TCopyThread::CreateDestination()
{
    if (!PreparedDestination && MakeDestination) {
        PreparedDestination = MakeDestination();
        if (!PreparedDestination) {
            return ecCreateFile;
        }
    }
    if (PreparedDestination) {
        if (Verify) {
            WrittenDestination = PreparedDestination->Duplicate();
        }
        DestStream = std::make_unique<TFileStream>(std::move(PreparedDestination));
        return 0;
    }
    // Most destinations are new: one call creates them. Anything there takes the long way.
    if (auto created = Platform::CreateNewFile(Destination, Platform::TShare::Read)) {
        DestStream = std::make_unique<TFileStream>(std::move(created));
        return 0;
    }
    if (Platform::AnyExists(Destination) && Platform::SetFileAttributes(Destination, faArchive) != 0) {
        return ecSetAttr;
    }
    DestStream = TFileStream::Create(Destination);
    return DestStream ? 0 : ecCreateFile;
}

std::unique_ptr<TStream> TCopyThread::OpenWrittenDestination()
{
    if (!WrittenDestination) {
        return TFileStream::OpenRead(Destination);
    }
    auto again = WrittenDestination->Duplicate();
    if (!again || again->Seek(0) != 0) {
        return nullptr;
    }
    return std::make_unique<TFileStream>(std::move(again));
}

TStatusCode TCopyThread::OpenFiles()
{
    TStatusCode code = OpenSource();
    if (code == 0) {
        code = CreateDestination();
    }
    if (code != 0) {
        CloseFiles();
    }
    return code;
}

TStatusCode TCopyThread::CloseFiles()
{
    TStatusCode code = 0;
    if (TFileStream* dest = AsFile(DestStream); dest && dest->Close() != 0) {
        code = ecWriteFile;
    }
    DestStream.reset();
    SourceStream.reset();
    return code;
}

TStatusCode TCopyThread::StampOpenDestination()
{
    // Through the open file: no path lookups. Closing changes neither times nor attributes.
    Platform::TFile& dest = AsFile(DestStream)->Handle();
    bool timesFailed = false;
    if (SetFileTimesAndAttributes(dest, SourceTimes, ReplaceFutureTimes != 0, SourceAttr, timesFailed) == 0) {
        return 0;
    }
    return timesFailed ? wcSetTimestamp : wcSetAttr;
}

TStatusCode TCopyThread::StampClosedDestination()
{
    if (SetFileTimes(Destination, SourceTimes, ReplaceFutureTimes != 0, SetCreationTime != 0) != 0) {
        return wcSetTimestamp;
    }
    return Platform::SetFileAttributes(Destination, SourceAttr) != 0 ? wcSetAttr : 0;
}

bool TCopyThread::SourceChanged() const
{
    return SourceWatched() && AsFile(SourceStream)->Handle().ChangedSinceOpened();
}

bool TCopyThread::SourceWatched() const
{
    TFileStream* source = AsFile(SourceStream);
    return WriteTimeWhenChanged && source && source->Handle().IsWatched();
}

TStatusCode TCopyThread::FinishFiles(TStatusCode code)
{
    const bool changed = code == 0 && SourceChanged();
    if (changed) {
        SourceTimes.LastWriteTime = *WriteTimeWhenChanged;
    }
    const bool byHandle = code == 0 && AsFile(DestStream) != nullptr;
    const TStatusCode stamped = byHandle ? StampOpenDestination() : 0;
    const TStatusCode closed = CloseFiles();
    if (code != 0) {
        return code;
    }
    if (closed != 0) {
        return closed;
    }
    code = byHandle ? stamped : StampClosedDestination();
    return code == 0 && changed ? wcChangedWhileCopied : code;
}

TStatusCode TCopyThread::CopyBuffers()
{
    for (;;) {
        const int64_t got = SourceStream->Read(Buffer.data(), BufferSize);
        if (got < 0) {
            return ecReadFile;
        }
        if (got == 0) {
            return 0;
        }
        Count += got;
        DoProgress(pkCopy, Count);
        Crc = UpdateCrc(Crc, Buffer.data(), got);
        if (const TStatusCode code = WriteCode(DestStream->Write(Buffer.data(), got), got, ecWriteFile)) {
            return code;
        }
        if (ShouldStop()) {
            return icTerminated;
        }
    }
}

TStatusCode TCopyThread::CopyInKernel()
{
    TFileStream* source = AsFile(SourceStream);
    TFileStream* dest = AsFile(DestStream);
    if (!source || !dest) {
        return CopyBuffers();
    }
    for (;;) {
        const int64_t got = source->CopyTo(*dest, BufferSize);
        if (got == 0) {
            return 0;
        }
        if (got < 0) {
            const int error = Platform::LastError();
            if (error == Platform::ErrorInvalidFunction) {
                return CopyBuffers();
            }
            return IsDiskFullError(error) ? ecLowDiskSpace : ecWriteFile;
        }
        Count += got;
        DoProgress(pkCopy, Count);
        if (ShouldStop()) {
            return icTerminated;
        }
        // A small file is copied in one call: a second one only to find its end would add a
        // tenth to its system calls. One that grew meanwhile is found changed all the same.
        if (Count == SourceSize && SourceWatched()) {
            return 0;
        }
    }
}

TStatusCode TCopyThread::PlainCopy()
{
    if (const TStatusCode code = OpenFiles()) {
        return code;
    }
    DoProgress(pkCopy, -SourceSize);
    Crc = InitialCrc();
    // Only a verify pass needs the data's CRC; without one the kernel copies.
    TStatusCode code = Verify ? CopyBuffers() : CopyInKernel();
    if (code == 0) {
        code = ReadToEndCode(SourceSize);
    }
    return FinishFiles(code);
}

TStatusCode TCopyThread::ShellCopy()
{
    if (PreparedDestination) {
        return PlainCopy(); // it keeps times and attributes as well, into the file given
    }
    const TFileTimes times = GetFileTimes(Source, false);
    TStatusCode code = CheckNames(Source, Destination);
    if (code == 0) {
        DoProgress(pkCopy, -1);
        try {
            CopyFileChecked(Source, Destination, static_cast<size_t>(BufferSize));
        } catch (const ECopyError&) {
            code = ecWriteFile;
        }
    }
    if (code == 0 && Verify) {
        code = ReadSourceCrc();
    }
    if (code == 0 && SetCreationTime && SetFileTimes(Destination, times, ReplaceFutureTimes != 0, true) != 0) {
        code = wcSetTimestamp;
    }
    return code;
}

TStatusCode TCopyThread::ReadSourceCrc()
{
    Count = 0;
    auto source = OpenSourceStream();
    if (!source) {
        return ecVerify;
    }
    DoProgress(pkCopyVerify, -source->Size());
    Crc = InitialCrc();
    for (;;) {
        const int64_t got = source->Read(Buffer.data(), BufferSize);
        if (got < 0) {
            return ecVerify;
        }
        if (got == 0) {
            return 0;
        }
        Count += got;
        DoProgress(pkCopyVerify, Count);
        Crc = UpdateCrc(Crc, Buffer.data(), got);
        if (ShouldStop()) {
            return icTerminated;
        }
    }
}

TStatusCode TCopyThread::VerifyCopy()
{
    auto dest = OpenWrittenDestination();
    if (!dest) {
        return ecVerify;
    }
    DoProgress(pkCopyVerify, -Count);
    uint32_t crc = InitialCrc();
    int64_t done = 0;
    for (;;) {
        const int64_t got = dest->Read(Buffer.data(), BufferSize);
        if (got < 0) {
            return ecVerify;
        }
        if (got == 0) {
            break;
        }
        done += got;
        DoProgress(pkCopyVerify, done);
        crc = UpdateCrc(crc, Buffer.data(), got);
        if (ShouldStop()) {
            return icTerminated;
        }
    }
    return crc == Crc ? 0 : ecVerify;
}

TStatusCode TCopyThread::EncryptFile()
{
    if (!Encryption) {
        return ecEncrypt;
    }
    if (const TStatusCode code = OpenFiles()) {
        return code;
    }
    DoProgress(pkEncrypt, -SourceSize);
    // A small file goes out in one write: salt, verifier, data and code together.
    TMemoryStream gathered;
    const bool gather = SourceSize + Encryption->Overhead() <= BufferSize;
    TStream& target = gather ? static_cast<TStream&>(gathered) : *DestStream;
    TStatusCode code = 0;
    if (!Encryption->WriteHeader(target)) {
        code = Encryption->LastWriteShort ? ecLowDiskSpace : ecEncrypt;
    }
    while (code == 0) {
        const int64_t got = SourceStream->Read(Buffer.data(), BufferSize);
        if (got < 0) {
            code = ecReadFile;
            break;
        }
        if (got == 0) {
            break;
        }
        Count += got;
        DoProgress(pkEncrypt, Count);
        Encryption->EncryptData(Buffer.data(), static_cast<size_t>(got), gather || Count >= SourceSize);
        code = WriteCode(target.Write(Buffer.data(), got), got, ecEncrypt);
        if (code == 0 && ShouldStop()) {
            code = icTerminated;
        }
    }
    if (code == 0 && !Encryption->WriteCode(target)) {
        code = Encryption->LastWriteShort ? ecLowDiskSpace : ecEncrypt;
    }
    if (code == 0 && gather) {
        const int64_t size = gathered.Size();
        code = WriteCode(DestStream->Write(gathered.Data.data(), size), size, ecEncrypt);
    }
    if (code == 0) {
        code = ReadToEndCode(SourceSize);
    }
    return FinishFiles(code);
}

TStatusCode TCopyThread::DecryptFile()
{
    if (!Encryption) {
        return ecDecrypt;
    }
    TStatusCode code = OpenSource();
    // A wrong password must not cost the file that is already there.
    if (code == 0 && (SourceSize < Encryption->Overhead() || !Encryption->ReadHeader(*SourceStream))) {
        code = ecDecrypt;
    }
    if (code == 0) {
        code = CreateDestination();
    }
    if (code != 0) {
        CloseFiles();
        return code;
    }
    const auto stop = [this] { return ShouldStop(); };
    if (!Encryption->DecryptBody(*SourceStream, DestStream.get(), SourceSize - Encryption->Overhead(), stop)) {
        code = Abort ? icTerminated : Encryption->LastWriteShort ? ecLowDiskSpace : ecDecrypt;
    }
    return FinishFiles(code);
}

TStatusCode TCopyThread::VerifyEncrypted()
{
    if (!Encryption) {
        return ecVerify;
    }
    auto dest = OpenWrittenDestination();
    if (!dest) {
        return ecVerify;
    }
    DoProgress(pkCopyVerify, -Count);
    const auto stop = [this] { return ShouldStop(); };
    if (Encryption->Decrypt(*dest, nullptr, dest->Size(), stop)) {
        return 0;
    }
    return Abort ? icTerminated : ecVerify;
}
