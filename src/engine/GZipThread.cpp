#include "engine/GZipThread.h"

#include "engine/Deflate.h"
#include "engine/Encryption.h"
#include "engine/FileTimes.h"
#include "engine/WorkPool.h"
#include "foundation/Encodings.h"
#include "foundation/FileStream.h"
#include "platform/FileSystem.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t UnixTime1980 = 315532800;

// Last-write time as Unix seconds; times a 32-bit MTIME cannot hold give 1980-01-01.
uint32_t GzMTime(Platform::TFileTime lastWrite)
{
    const int64_t seconds = FileTimeToUnixTime(lastWrite);
    return seconds < 0 || seconds > 0xFFFFFFFFll ? UnixTime1980 : static_cast<uint32_t>(seconds);
}

// The stored name in cp1252 when it holds every character, else the UTF-8 bytes,
// which readers tell apart because cp1252 names are rarely valid UTF-8.
std::string GzStoredName(const std::string& name)
{
    std::string ansi = Utf8ToCp1252(name);
    return Cp1252ToUtf8(ansi) == name ? ansi : name;
}

std::string FileNamePart(const std::string& path)
{
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Reads until the buffer is full or the stream ends; -1 on an error.
int64_t ReadFull(TStream& stream, uint8_t* buffer, int64_t size)
{
    int64_t total = 0;
    while (total < size) {
        const int64_t got = stream.Read(buffer + total, size - total);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

} // namespace

TStatusCode ReadGzHeader(TStream& stream, TGzFileInfo& info, uint64_t& headerSize)
{
    const TReadExact read = [&stream](uint8_t* data, size_t size) {
        return stream.ReadExact(data, static_cast<int64_t>(size));
    };
    switch (ParseGzHeader(read, info, headerSize)) {
    case TGzHeaderResult::Ok:
        return 0;
    case TGzHeaderResult::BadMagic:
        return ecGZipHeader;
    case TGzHeaderResult::ReadError:
        break;
    }
    return ecReadFile;
}

bool GetGzFileInfo(const std::string& fileName, TGzFileInfo& info)
{
    info = TGzFileInfo{};
    std::unique_ptr<TStream> stream = TFileStream::OpenRead(fileName);
    uint64_t headerSize = 0;
    if (!stream || ReadGzHeader(*stream, info, headerSize) != 0)
        return false;
    uint8_t isize[4];
    if (!stream->Seek(stream->Size() - 4) || !stream->ReadExact(isize, 4))
        return false;
    info.ISize = GetLE32(isize);
    return true;
}

TIntermediate MakeIntermediate(int64_t expectedSize, const std::string& tempName)
{
    TIntermediate result;
    if (expectedSize <= MemoryIntermediateLimit) {
        auto memory = std::make_unique<TMemoryStream>();
        memory->Data.reserve(static_cast<size_t>(std::max<int64_t>(expectedSize, 0) + 64));
        result.Stream = std::move(memory);
        return result;
    }
    result.TempFile = Platform::TTempFile::Create(tempName);
    if (result.TempFile)
        result.Stream = std::make_unique<TFileStream>(result.TempFile->TakeFile());
    return result;
}

TGZipThread::TGZipThread(const std::string& source, const std::string& destination, TEncryption* encryption,
                         int32_t bufferSize, TThreadPriority priority)
    : TCopyThread(source, destination, bufferSize, priority)
{
    Encryption = encryption;
    Operation = opGZip;
}

void TGZipThread::Execute()
{
    Done(GZipFile());
}

TStatusCode StreamWriteFailure()
{
    const int error = Platform::LastError();
    return error == Platform::ErrorDiskFull || error == Platform::ErrorHandleDiskFull ? ecLowDiskSpace : ecWriteFile;
}

std::unique_ptr<TDeflater> TGZipThread::MakeDeflater(int64_t inputSize) const
{
    // Inputs of two blocks and more are compressed block by block on the shared pool;
    // the stream stays one raw deflate stream with the same level and strategy.
    if (TParallelDeflater::Worthwhile(inputSize))
        return std::make_unique<TParallelDeflater>(LevelIndex, StrategyIndex, TParallelDeflater::DefaultBlockSize,
                                                   TWorkPool::ForCallingThread());
    return std::make_unique<TRawDeflater>(LevelIndex, StrategyIndex, Buffer.size());
}

TStatusCode TGZipThread::CompressLoop(TStream& source, TStream& target)
{
    const int64_t start = target.Position();
    const int64_t firstCount = Count;
    const std::unique_ptr<TDeflater> deflater = MakeDeflater(source.Size() - source.Position());
    TStatusCode sinkCode = 0;
    const TByteSink sink = [&target, &sinkCode](const uint8_t* data, size_t size) {
        if (target.Write(data, static_cast<int64_t>(size)) == static_cast<int64_t>(size))
            return true;
        sinkCode = StreamWriteFailure();
        return false;
    };
    const auto deflated = [&sinkCode](TDeflateResult result) -> TStatusCode {
        if (result == TDeflateResult::Ok)
            return 0;
        return result == TDeflateResult::SinkError ? sinkCode : ecWriteFile;
    };
    const int64_t chunk = static_cast<int64_t>(Buffer.size());
    TStatusCode code = 0;
    int64_t got = 0;
    do {
        got = ReadFull(source, Buffer.data(), chunk);
        if (got < 0)
            return ecReadFile;
        Count += got;
        DoProgress(pkCompress, Count);
        code = deflated(deflater->Write(Buffer.data(), static_cast<size_t>(got), sink));
        if (code == 0 && ShouldStop())
            code = icTerminated;
    } while (got == chunk && code == 0);
    if (code != 0)
        return code;
    code = deflated(deflater->Finish(sink));
    Crc = static_cast<uint32_t>(crc32_combine(Crc, deflater->Crc(), static_cast<z_off_t>(Count - firstCount)));
    if (code == 0 && Count > 0 && target.Position() <= start)
        code = ecLowDiskSpace;
    return code;
}

TStatusCode TGZipThread::CompressBody(TStream& source, TStream& target, int64_t sourceSize)
{
    if (!Encryption)
        return CompressLoop(source, target);
    if (EncryptWhileCompressing)
        return CompressEncrypted(source, target);
    TIntermediate packed = MakeIntermediate(sourceSize, "encrypt.tmp");
    if (!packed.Stream)
        return ecWriteFile;
    // Keys come ready from the encryption object's stock (derived ahead) after its first stream.
    TMemoryStream header;
    const bool haveKeys = Encryption->WriteHeader(header);
    const TStatusCode code = CompressLoop(source, *packed.Stream);
    if (code != 0)
        return code;
    if (!haveKeys)
        return ecEncrypt;
    DoProgress(pkEncrypt, -packed.Stream->Size());
    if (!packed.Stream->Seek(0))
        return ecReadFile;
    return EncryptInto(header, *packed.Stream, target);
}

namespace {

// Encrypts what is written through it into the target, piece by piece in the
// encryption object's buffer.
class TEncryptingStream : public TStream
{
public:
    TEncryptingStream(TEncryption& encryption, TStream& target) : Encryption(encryption), Target(target) {}

    int64_t Write(const void* buffer, int64_t count) override
    {
        const auto* data = static_cast<const uint8_t*>(buffer);
        int64_t done = 0;
        while (done < count) {
            const int64_t piece = std::min<int64_t>(count - done, Encryption.BufferSize);
            std::memcpy(Encryption.Buffer.data(), data + done, static_cast<size_t>(piece));
            Encryption.EncryptData(Encryption.Buffer.data(), static_cast<size_t>(piece));
            const int64_t written = Target.Write(Encryption.Buffer.data(), piece);
            if (written < 0)
                return -1;
            done += written;
            if (written < piece)
                break;
        }
        Written += done;
        return done;
    }
    int64_t Read(void*, int64_t) override { return -1; }
    bool Seek(int64_t) override { return false; }
    int64_t Position() const override { return Target.Position(); }
    int64_t Size() const override { return -1; }

    int64_t Written = 0;

private:
    TEncryption& Encryption;
    TStream& Target;
};

} // namespace

TStatusCode TGZipThread::CompressEncrypted(TStream& source, TStream& target)
{
    TMemoryStream header;
    if (!Encryption->WriteHeader(header))
        return ecEncrypt;
    const auto written = [&target](const uint8_t* data, int64_t size) -> TStatusCode {
        const int64_t done = target.Write(data, size);
        return done == size ? 0 : done >= 0 ? ecLowDiskSpace : ecEncrypt;
    };
    TStatusCode code = written(header.Data.data(), static_cast<int64_t>(header.Data.size()));
    TEncryptingStream sealed(*Encryption, target);
    if (code == 0)
        code = CompressLoop(source, sealed);
    if (code != 0)
        return code;
    DoProgress(pkEncrypt, -sealed.Written);
    if (Encryption->OnProgress)
        Encryption->OnProgress(Encryption, pkEncrypt, sealed.Written);
    const auto mac = Encryption->FinishCode();
    return written(mac.data(), static_cast<int64_t>(mac.size()));
}

TStatusCode TGZipThread::EncryptInto(const TMemoryStream& header, TStream& plain, TStream& target)
{
    const auto written = [&target](const uint8_t* data, int64_t size) -> TStatusCode {
        const int64_t done = target.Write(data, size);
        return done == size ? 0 : done >= 0 ? ecLowDiskSpace : ecEncrypt;
    };
    TStatusCode code = written(header.Data.data(), static_cast<int64_t>(header.Data.size()));
    const int64_t chunk = static_cast<int64_t>(Buffer.size());
    int64_t count = 0;
    while (code == 0) {
        const int64_t got = plain.Read(Buffer.data(), chunk);
        if (got <= 0) {
            code = got < 0 ? ecEncrypt : 0;
            break;
        }
        count += got;
        if (Encryption->OnProgress)
            Encryption->OnProgress(Encryption, pkEncrypt, count);
        Encryption->EncryptData(Buffer.data(), static_cast<size_t>(got));
        code = written(Buffer.data(), got);
    }
    if (code == 0) {
        const auto mac = Encryption->FinishCode();
        code = written(mac.data(), static_cast<int64_t>(mac.size()));
    }
    return code;
}

TStatusCode TGZipThread::InflateLoop(TStream& source, TStream* target, int64_t compressedLength)
{
    TRawInflater inflater(Buffer.size());
    const int64_t chunk = static_cast<int64_t>(Buffer.size());
    int64_t remaining = compressedLength;
    int64_t unpacked = 0;
    int64_t chunkSize = 0; // bytes of the last read; the unused ones are at its end
    BytesConsumed = 0;
    for (;;) {
        size_t pending = inflater.Pending();
        if (pending == 0 && remaining > 0) {
            chunkSize = ReadFull(source, Buffer.data(), std::min(chunk, remaining));
            if (chunkSize <= 0)
                return ecReadFile;
            remaining -= chunkSize;
            pending = static_cast<size_t>(chunkSize);
        }
        const uint8_t* input = Buffer.data() + (chunkSize - static_cast<int64_t>(pending));
        const TRawInflater::TResult result = inflater.Inflate(input, pending);
        if (result == TRawInflater::TResult::DataError)
            return ecReadFile;
        const size_t produced = inflater.OutputSize();
        Crc = static_cast<uint32_t>(crc32_z(Crc, inflater.Output(), produced));
        unpacked += static_cast<int64_t>(produced);
        DoProgress(pkDecompress, unpacked);
        if (target && produced > 0) {
            if (target->Write(inflater.Output(), static_cast<int64_t>(produced)) != static_cast<int64_t>(produced))
                return StreamWriteFailure();
        }
        Count += static_cast<int64_t>(produced);
        if (ShouldStop())
            return icTerminated;
        if (result == TRawInflater::TResult::StreamEnd)
            break;
        // No output, no input left and no end marker: the body was cut short.
        if (produced == 0 && inflater.Pending() == 0 && remaining == 0)
            return ecReadFile;
    }
    BytesConsumed = compressedLength - remaining - static_cast<int64_t>(inflater.Pending());
    return 0;
}

TStatusCode TGZipThread::GZipFile()
{
    const TStatusCode code = OpenFiles();
    if (code != 0)
        return code;
    return FinishFiles(WriteGzStream(*DestStream, SourceStream->Size()));
}

TStatusCode TGZipThread::WriteGzStream(TStream& target, int64_t sourceSize)
{
    TStatusCode code = 0;
    Platform::TFindData found;
    Platform::GetFindData(Source, found);
    const std::string storedName = GzStoredName(FileNamePart(Source));
    const TBytes header = GzHeader(storedName, GzMTime(found.LastWriteTime), Encryption != nullptr);
    if (target.Write(header.data(), static_cast<int64_t>(header.size())) != static_cast<int64_t>(header.size()))
        code = StreamWriteFailure();
    const int64_t bodyStart = target.Position();
    if (code == 0) {
        DoProgress(pkCompress, -sourceSize);
        code = CompressBody(*SourceStream, target, sourceSize);
    }
    if (code == 0)
        code = ReadToEndCode(sourceSize);
    if (code == 0) {
        OutSize = target.Position() - bodyStart;
        const TBytes trailer = GzTrailer(Encryption ? 0 : Crc, static_cast<uint64_t>(Count));
        if (target.Write(trailer.data(), 8) != 8)
            code = StreamWriteFailure();
    }
    return code;
}

TStatusCode TGZipThread::VerifyGZipFile()
{
    std::unique_ptr<TStream> written = OpenWrittenDestination();
    if (!written)
        return ecVerify;
    DoProgress(pkCopyVerify, -OutSize);
    const uint32_t expected = Crc;
    const int64_t writtenCount = Count;
    TGzFileInfo info;
    uint64_t headerSize = 0;
    TStatusCode code = ReadGzHeader(*written, info, headerSize);
    if (code != 0)
        return code;
    const int64_t bodySize = written->Size() - static_cast<int64_t>(headerSize) - 8;
    Crc = 0;
    if (info.Encrypted) {
        if (!Encryption || !Encryption->Decrypt(*written, nullptr, bodySize))
            code = ecVerify;
    } else {
        Count = 0;
        code = InflateLoop(*written, nullptr, bodySize);
        if (code == 0 && (Crc != expected || Count != writtenCount))
            code = ecVerify;
        Count = writtenCount;
    }
    Crc = expected;
    return code;
}

TGUnZipThread::TGUnZipThread(const std::string& source, const std::string& destinationFolder, TEncryption* encryption,
                             int32_t bufferSize, TThreadPriority priority)
    : TGZipThread(source, destinationFolder, encryption, bufferSize, priority)
{
    if (!Destination.empty() && Destination.back() != '\\')
        Destination += '\\';
    Operation = opGUnzip;
}

void TGUnZipThread::Execute()
{
    Done(Gunzip());
}

TStatusCode TGUnZipThread::DecryptBody(int64_t cipherTotal, TIntermediate& plain)
{
    DoProgress(pkDecrypt, -SourceStream->Size());
    plain = MakeIntermediate(cipherTotal, "encrypt.tmp");
    if (!plain.Stream)
        return ecWriteFile;
    if (!Encryption->Decrypt(*SourceStream, plain.Stream.get(), cipherTotal))
        return ecDecrypt;
    return plain.Stream->Seek(0) ? 0 : ecReadFile;
}

TStatusCode TGUnZipThread::CheckTrailer(int64_t fileSize)
{
    uint8_t trailer[8];
    if (!SourceStream->Seek(fileSize - 8) || !SourceStream->ReadExact(trailer, 8))
        return ecReadFile;
    if (GetLE32(trailer) != Crc || GetLE32(trailer + 4) != static_cast<uint32_t>(Count))
        return ecCorruptFile;
    return 0;
}

TStatusCode TGUnZipThread::Gunzip()
{
    const std::string archive = Source;
    if (Platform::PathTooLong(archive))
        return ecPathTooLong;
    if (!Platform::FileExists(archive))
        return ecOpenFile;
    if (Destination.empty())
        return ecCreateFile;

    // Header, name and (for an encrypted body) the password are settled before the
    // output is touched, so a bad file never destroys an existing one.
    SourceStream = TFileStream::OpenRead(archive);
    if (!SourceStream)
        return ecOpenFile;
    TGzFileInfo info;
    uint64_t headerSize = 0;
    TStatusCode code = ReadGzHeader(*SourceStream, info, headerSize);
    const int64_t fileSize = SourceStream->Size();
    const int64_t bodySize = fileSize - static_cast<int64_t>(headerSize) - static_cast<int64_t>(GzTrailerSize);
    if (code == 0 && bodySize < 0)
        code = ecReadFile;
    if (code == 0 && info.Encrypted && !Encryption)
        code = ecDecrypt;
    if (code == 0 && info.Encrypted && bodySize < Encryption->Overhead())
        code = ecReadFile;
    TIntermediate plain;
    if (code == 0 && info.Encrypted)
        code = DecryptBody(bodySize, plain);
    SourceStream.reset();
    if (code != 0)
        return code;

    OutputName =
        Destination + (OutputFileName.empty() ? GunzipOutputName(WindowsTextToUtf8(info.Name), FileNamePart(archive))
                                              : OutputFileName);
    Destination = OutputName;
    code = OpenFiles();
    if (code != 0)
        return code;
    if (info.Encrypted) {
        DoProgress(pkDecompress, -plain.Stream->Size());
        code = InflateLoop(*plain.Stream, DestStream.get(), plain.Stream->Size());
    } else {
        DoProgress(pkDecompress, -fileSize);
        if (!SourceStream->Seek(static_cast<int64_t>(headerSize)))
            code = ecReadFile;
        if (code == 0)
            code = InflateLoop(*SourceStream, DestStream.get(), bodySize);
        OutSize = BytesConsumed;
        if (code == 0)
            code = CheckTrailer(fileSize);
    }
    return FinishFiles(code);
}
