#pragma once

#include "engine/CopyThread.h"
#include "engine/Deflate.h"
#include "engine/GzipFormat.h"
#include "platform/TempFiles.h"

#include <memory>
#include <string>

// Encrypted bodies are compressed (or decrypted) in full before the second step:
// in memory up to this size, above it in a private temporary file.
inline constexpr int64_t MemoryIntermediateLimit = 0xA00000;

// Reads a gzip header at the stream's position: 0, ecGZipHeader when the magic is
// wrong, ecReadFile when the header ends early. headerSize is the body's offset.
TStatusCode ReadGzHeader(TStream& stream, TGzFileInfo& info, uint64_t& headerSize);

// Stored name, MTIME, ISIZE and the encrypted flag of a ".gz" file (Windows path
// text); false when the file cannot be opened or its header is bad.
bool GetGzFileInfo(const std::string& fileName, TGzFileInfo& info);

// The code of a failed write on this thread: a full medium is ecLowDiskSpace,
// anything else ecWriteFile.
TStatusCode StreamWriteFailure();

// A compressed or decrypted intermediate: memory, or a temporary file of the given name.
struct TIntermediate
{
    std::unique_ptr<Platform::TTempFile> TempFile;
    std::unique_ptr<TStream> Stream;
};
// nullptr stream when the temporary file cannot be created.
TIntermediate MakeIntermediate(int64_t expectedSize, const std::string& tempName);

// Writes one source file as a ".gz" file; with an encryption object the body is
// the encrypted stream of the deflate data (FLG bit 0x20).
class TGZipThread : public TCopyThread
{
public:
    TGZipThread(const std::string& source, const std::string& destination, TEncryption* encryption, int32_t bufferSize,
                TThreadPriority priority = TThreadPriority::tpNormal);

    // Encrypt the deflate data as it comes instead of after the compression (zip
    // entries): no intermediate, the HMAC of one piece beside the deflate of the next.
    bool EncryptWhileCompressing = false;

protected:
    void Execute() override;
    TStatusCode GZipFile() override;
    TStatusCode VerifyGZipFile() override;

    // Header, body and trailer of the whole ".gz" file of SourceStream into target (the
    // destination file, or the intermediate of an upload).
    TStatusCode WriteGzStream(TStream& target, int64_t sourceSize);
    std::unique_ptr<TDeflater> MakeDeflater(int64_t inputSize) const;
    // Raw deflate of the rest of source into target: Count, Crc, kind 2 progress.
    TStatusCode CompressLoop(TStream& source, TStream& target);
    // The compress loop, or with encryption: compress into an intermediate, then
    // encrypt it into target (kind 4 announced with the compressed size).
    TStatusCode CompressBody(TStream& source, TStream& target, int64_t sourceSize);
    // Writes the prepared salt and verifier, the encrypted data and the authentication code.
    TStatusCode EncryptInto(const TMemoryStream& header, TStream& plain, TStream& target);
    // Salt and verifier, the compress loop through the cipher, the code; kind 4 is
    // announced and reported with the compressed size once it is known.
    TStatusCode CompressEncrypted(TStream& source, TStream& target);
    // Unpacks compressedLength bytes of raw deflate from source into target (or
    // nowhere): Crc, Count, kind 3 progress. A stream without its end is ecReadFile.
    TStatusCode InflateLoop(TStream& source, TStream* target, int64_t compressedLength);

    int64_t BytesConsumed = 0; // compressed bytes the last inflate loop used
};

// Unpacks a ".gz" file into the destination folder under the name from its header.
class TGUnZipThread : public TGZipThread
{
public:
    // The destination is a folder; a delimiter is appended when missing.
    TGUnZipThread(const std::string& source, const std::string& destinationFolder, TEncryption* encryption,
                  int32_t bufferSize, TThreadPriority priority = TThreadPriority::tpNormal);

    // The file written (Windows path text), known once the header was read.
    std::string OutputName;
    // When set, the name written in the destination folder instead of the one stored in
    // the header (the restore writes a temporary file and renames it).
    std::string OutputFileName;

protected:
    void Execute() override;

private:
    TStatusCode Gunzip();
    TStatusCode DecryptBody(int64_t cipherTotal, TIntermediate& plain);
    TStatusCode CheckTrailer(int64_t fileSize);
};
