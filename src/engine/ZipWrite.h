#pragma once

#include "engine/GZipThread.h"
#include "engine/ZipAhead.h"
#include "engine/ZipRecords.h"

#include <memory>
#include <string>
#include <vector>

namespace Platform {
class TFile;
}

// Compresses one file (encrypted when an encryption object is given) into the open
// archive at its position; OutSize is the entry's data length afterwards.
class TZipWriteThread : public TGZipThread
{
public:
    TZipWriteThread(const std::string& fileName, TEncryption* encryption, TStream& archive, int32_t bufferSize,
                    TThreadPriority priority = TThreadPriority::tpNormal);

    // The size the entry's headers were made for; a file that has grown or shrunk
    // since then fails with ecReadFile. -1: the size when the file is opened.
    int64_t ExpectedSize = -1;

protected:
    void Execute() override;

private:
    TStream& Archive;
};

// Checks one entry's data at the archive's position: the CRC-32 of the unpacked
// data, or the password verifier and authentication code of an AES entry.
class TZipVerifyThread : public TGZipThread
{
public:
    TZipVerifyThread(TEncryption* encryption, uint32_t expectedCrc, TStream& archive, int64_t compressedSize,
                     int32_t bufferSize, TThreadPriority priority = TThreadPriority::tpNormal);

protected:
    void Execute() override;

private:
    uint32_t ExpectedCrc;
    TStream& Archive;
    int64_t CompressedSize;
};

struct TZipEntry
{
    std::string StoredName;
    TPkHeader Header;
};

// The archive file with its entry list and password.
class TZip
{
public:
    virtual ~TZip();
    TZip(const TZip&) = delete;
    TZip& operator=(const TZip&) = delete;

    // An empty password means no encryption; mode 0 chooses the AES strength by
    // the password's length.
    void SetPassword(const std::string& password, int mode);
    // Progress of the entry workers (and of the encryption object).
    void SetOnProgress(TProgressEvent handler);

    std::string BaseFolder; // with a trailing delimiter
    std::string ArchiveName;
    int32_t BufferSize;
    bool HasPassword = false;
    bool WriteError = false; // a write failed or the medium was full
    std::unique_ptr<TEncryption> Encryption;
    TBytes AesExtra;
    TProgressEvent OnProgress;
    std::vector<TZipEntry> Entries;

protected:
    TZip(const std::string& archiveName, const std::string& baseFolder, int32_t bufferSize);

    std::unique_ptr<TStream> Archive;
    Platform::TFile* ArchiveFile = nullptr; // the file behind Archive, for cutting it back
};

// Writes a zip archive forwards: entries, then the central directory (Close), then
// optionally a read-back check (Verify). Failures raise EZipError.
class TZipWrite : public TZip
{
public:
    // Creates (truncates) the archive; raises EZipError when it cannot.
    TZipWrite(const std::string& archiveName, const std::string& baseFolder, const std::string& password, int aesMode,
              int32_t bufferSize);
    // Writes into a file the caller created (empty; archiveName names it in messages).
    TZipWrite(std::unique_ptr<Platform::TFile> file, const std::string& archiveName, const std::string& baseFolder,
              const std::string& password, int aesMode, int32_t bufferSize);

    // Adds the file, or raises EZipError. A file written while it was read is read once
    // more; when it changed again, its entry stays and the result is wcChangedWhileCopied
    // (with the zip operation), else 0.
    TStatusCode AddFile(const std::string& fileName);
    void AddDirectory(const std::string& folderName);
    // Files that AddFile will be given next may be offered while there is room: small
    // ones are compressed ahead on every core (TZipAhead).
    bool AheadHasRoom() const;
    void CompressAhead(const std::string& fileName, const Platform::TFindData& listing);
    void Close();
    void Verify();

    TThreadPriority Priority = TThreadPriority::tpNormal;
    // Progress of Verify: kind 6, the entry count (negative), then each entry's index.
    TProgressEvent OnVerifyProgress;
    // The worker that runs while AddFile or Verify waits, so the windows can pause or
    // cancel it; nullptr otherwise.
    TCopyThread* RunningWorker = nullptr;

    // The entry name for a file or folder: relative to the base folder, "/" between
    // folders, in the DOS code page when it can hold the name, else UTF-8.
    std::string StoredName(const std::string& name, bool folder, bool& utf8) const;

private:
    TStatusCode RunWorker(TCopyThread& worker);
    // One try of AddFile; keepChanged keeps the entry of a file that changed while read,
    // which is otherwise cut off again and its status returned.
    TStatusCode AddFileOnce(const std::string& fileName, bool keepChanged);
    struct TEntryData
    {
        TStatusCode Status = 0;
        uint32_t Crc = 0;
        int64_t OutSize = 0; // bytes written after the local header
        int64_t Count = 0;   // bytes of the file
    };
    // An entry's data written by a worker, or from a file compressed ahead.
    TEntryData CompressEntry(const std::string& fileName, uint64_t size);
    TEntryData WritePacked(TPackedFile& packed);
    void WriteOrFail(const TBytes& bytes, const std::string& message);
    void CutBack(uint64_t offset);
    [[noreturn]] void Fail(TStatusCode code);
    uint16_t EntryFlags(bool utf8) const;

    std::unique_ptr<TZipAhead> Ahead;
};
