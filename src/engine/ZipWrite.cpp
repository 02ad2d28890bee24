#include "engine/ZipWrite.h"

#include "engine/Encryption.h"
#include "engine/FileTimes.h"
#include "engine/WorkPool.h"
#include "foundation/Encodings.h"
#include "foundation/FileStream.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace {

constexpr int32_t DefaultZipBufferSize = 0x40000;
constexpr size_t DirectoryFlushSize = 1 << 20;
constexpr int EntryLevelIndex = 2; // an entry worker's default level

std::string FormatName(const char* message, const std::string& name)
{
    return ReplaceText(TrUnits(message), "%s", name);
}

// Last-write time as DOS date and time; a time DOS cannot hold becomes 1980-01-01 00:00.
uint32_t EntryDosTime(const Platform::TFindData& found)
{
    const TDosTime dos = FindDataDosTime(found);
    return dos == InvalidDosTime ? ZipEarliestDosTime : static_cast<uint32_t>(dos);
}

} // namespace

TZipWriteThread::TZipWriteThread(const std::string& fileName, TEncryption* encryption, TStream& archive,
                                 int32_t bufferSize, TThreadPriority priority)
    : TGZipThread(fileName, std::string(), encryption, bufferSize, priority), Archive(archive)
{
    Operation = opZip;
    EncryptWhileCompressing = true;
}

void TZipWriteThread::Execute()
{
    const int64_t start = Archive.Position();
    SourceStream = TFileStream::OpenFound(Source);
    if (!SourceStream) {
        Done(ecOpenFile);
        return;
    }
    const int64_t size = ExpectedSize >= 0 ? ExpectedSize : SourceStream->Size();
    DoProgress(pkCompress, -size);
    TStatusCode code = CompressBody(*SourceStream, Archive, size);
    // Also catches a file that grew past what its headers were made for.
    if (code == 0)
        code = ReadToEndCode(size);
    if (code == 0 && SourceChanged())
        code = wcChangedWhileCopied;
    SourceStream.reset();
    OutSize = Archive.Position() - start;
    Done(code);
}

TZipVerifyThread::TZipVerifyThread(TEncryption* encryption, uint32_t expectedCrc, TStream& archive,
                                   int64_t compressedSize, int32_t bufferSize, TThreadPriority priority)
    : TGZipThread(std::string(), std::string(), encryption, bufferSize, priority), ExpectedCrc(expectedCrc),
      Archive(archive), CompressedSize(compressedSize)
{
    Operation = opZip;
}

void TZipVerifyThread::Execute()
{
    TStatusCode code = 0;
    if (Encryption) {
        code = Encryption->Decrypt(Archive, nullptr, CompressedSize) ? 0 : ecVerify;
    } else {
        Crc = 0;
        code = InflateLoop(Archive, nullptr, CompressedSize);
        if (code == 0 && Crc != ExpectedCrc)
            code = ecVerify;
    }
    Done(code);
}

TZip::TZip(const std::string& archiveName, const std::string& baseFolder, int32_t bufferSize)
    : BaseFolder(baseFolder), ArchiveName(archiveName), BufferSize(bufferSize < 1 ? DefaultZipBufferSize : bufferSize)
{
    if (!BaseFolder.empty() && BaseFolder.back() != '\\')
        BaseFolder += '\\';
}

TZip::~TZip() = default;

void TZip::SetPassword(const std::string& password, int mode)
{
    HasPassword = !password.empty();
    Encryption.reset();
    AesExtra.clear();
    if (!HasPassword)
        return;
    Encryption = std::make_unique<TEncryption>(password, BufferSize, mode);
    Encryption->OnProgress = OnProgress;
    AesExtra = AesExtraField(static_cast<uint8_t>(Encryption->Mode()));
}

void TZip::SetOnProgress(TProgressEvent handler)
{
    OnProgress = std::move(handler);
    if (Encryption)
        Encryption->OnProgress = OnProgress;
}

TZipWrite::TZipWrite(const std::string& archiveName, const std::string& baseFolder, const std::string& password,
                     int aesMode, int32_t bufferSize)
    : TZip(archiveName, baseFolder, bufferSize)
{
    std::unique_ptr<Platform::TFile> file = Platform::OpenReadWrite(archiveName, true);
    if (!file || file->SetSize(0) != 0)
        throw EZipError(FormatName("Error creating %s", archiveName), ecCreateFile);
    ArchiveFile = file.get();
    Archive = std::make_unique<TFileStream>(std::move(file));
    SetPassword(password, aesMode);
}

TZipWrite::TZipWrite(std::unique_ptr<Platform::TFile> file, const std::string& archiveName,
                     const std::string& baseFolder, const std::string& password, int aesMode, int32_t bufferSize)
    : TZip(archiveName, baseFolder, bufferSize)
{
    if (!file)
        throw EZipError(FormatName("Error creating %s", archiveName), ecCreateFile);
    ArchiveFile = file.get();
    Archive = std::make_unique<TFileStream>(std::move(file));
    SetPassword(password, aesMode);
}

std::string TZipWrite::StoredName(const std::string& name, bool folder, bool& utf8) const
{
    std::string relative;
    if (name.size() >= BaseFolder.size() &&
        Platform::SameTextUtf8(std::string_view(name).substr(0, BaseFolder.size()), BaseFolder)) {
        relative = name.substr(BaseFolder.size());
    } else {
        // Outside the base folder: the path without its drive, never "..\" upwards.
        relative = name.substr(Platform::ExtractFileDrive(name).size());
    }
    std::string path;
    for (char c : relative)
        path += c == '\\' ? '/' : c;
    while (!path.empty() && path.front() == '/')
        path.erase(0, 1);
    if (folder && !path.empty() && path.back() != '/')
        path += '/';
    // Names the DOS code page cannot hold go in UTF-8 (flag bit 11), never with "?".
    utf8 = !IsDosRepresentable(path);
    return utf8 ? path : Utf8ToDos(path);
}

uint16_t TZipWrite::EntryFlags(bool utf8) const
{
    return static_cast<uint16_t>((HasPassword ? ZipFlagEncrypted : ZipFlagMaxCompression) |
                                 (utf8 ? ZipFlagUtf8Name : 0));
}

void TZipWrite::Fail(TStatusCode code)
{
    const TStatusCode number = ErrorNumber(code);
    if (number == errWriteFile || number == errLowDiskSpace)
        WriteError = true;
    throw EZipError(StatusCodeText(scError | number), scError | number);
}

void TZipWrite::CutBack(uint64_t offset)
{
    ArchiveFile->SetSize(static_cast<int64_t>(offset));
    Archive->Seek(static_cast<int64_t>(offset));
}

TStatusCode TZipWrite::RunWorker(TCopyThread& worker)
{
    RunningWorker = &worker;
    worker.Start();
    WaitForWorkerEnd(worker);
    RunningWorker = nullptr;
    return worker.StatusCode;
}

TStatusCode TZipWrite::AddFile(const std::string& fileName)
{
    const TStatusCode status = AddFileOnce(fileName, false);
    return ErrorNumber(status) == errChangedWhileCopied ? AddFileOnce(fileName, true) : status;
}

TStatusCode TZipWrite::AddFileOnce(const std::string& fileName, bool keepChanged)
{
    if (Platform::PathTooLong(fileName))
        Fail(ecPathTooLong);
    Platform::TFindData found;
    if (!Platform::GetFindData(fileName, found))
        Fail(ecFileNotFound);
    if (found.Attr & faDirectory)
        Fail(ecReadFile);
    bool utf8 = false;
    const std::string stored = StoredName(fileName, false, utf8);
    const uint32_t dosTime = EntryDosTime(found);
    const bool localZip64 = found.Size > Zip64FileSizeLimit;
    const uint16_t flags = EntryFlags(utf8);
    const uint16_t method = HasPassword ? ZipMethodAes : ZipMethodDeflate;
    const uint64_t offset = static_cast<uint64_t>(Archive->Position());

    const TBytes local = LocalHeader({stored, dosTime, flags, method, localZip64, HasPassword ? &AesExtra : nullptr});
    if (Archive->Write(local.data(), static_cast<int64_t>(local.size())) != static_cast<int64_t>(local.size())) {
        const TStatusCode code = StreamWriteFailure();
        CutBack(offset);
        Fail(code);
    }

    std::unique_ptr<TPackedFile> packed = Ahead ? Ahead->Take(fileName, found) : nullptr;
    const TEntryData data = packed ? WritePacked(*packed) : CompressEntry(fileName, found.Size);
    // What the headers were made for holds even for a file that changed: no Zip64 was
    // chosen for a file that grew past it.
    const bool changed = ErrorNumber(data.Status) == errChangedWhileCopied &&
                         (localZip64 || static_cast<uint64_t>(data.Count) <= Zip64FileSizeLimit);
    if (ErrorNumber(data.Status) != 0 && !(changed && keepChanged)) {
        CutBack(offset);
        if (changed) {
            return data.Status;
        }
        Fail(ErrorNumber(data.Status) == errChangedWhileCopied ? ecReadFile : data.Status);
    }
    const uint32_t attributes = Platform::GetFileAttributes(fileName);
    const TPkHeader header(dosTime, data.Crc, static_cast<uint16_t>(attributes), flags, method, offset,
                           static_cast<uint64_t>(data.OutSize), static_cast<uint64_t>(data.Count));
    for (const TLocalPatch& patch : LocalHeaderPatches(header, stored.size(), localZip64, HasPassword)) {
        const int64_t at = static_cast<int64_t>(offset + patch.RelativeOffset);
        const int64_t size = static_cast<int64_t>(patch.Bytes.size());
        if (!Archive->Seek(at) || Archive->Write(patch.Bytes.data(), size) != size) {
            CutBack(offset);
            Fail(ecWriteFile);
        }
    }
    Archive->Seek(static_cast<int64_t>(offset + local.size()) + data.OutSize);
    Entries.push_back({stored, header});
    return changed ? data.Status : 0;
}

TZipWrite::TEntryData TZipWrite::CompressEntry(const std::string& fileName, uint64_t size)
{
    // One encryption object serves entry after entry: it derives the next keys ahead.
    TZipWriteThread worker(fileName, Encryption.get(), *Archive, BufferSize, Priority);
    worker.ExpectedSize = static_cast<int64_t>(size);
    worker.WriteTimeWhenChanged = TFileTime{0}; // watched; the entry's time comes from the listing
    worker.SetOnProgress(OnProgress);
    const TStatusCode status = RunWorker(worker);
    return {status, worker.Crc, worker.OutSize, worker.Count};
}

TZipWrite::TEntryData TZipWrite::WritePacked(TPackedFile& packed)
{
    const int64_t size = static_cast<int64_t>(packed.Size);
    const int64_t start = Archive->Position();
    if (OnProgress)
        OnProgress(this, pkCompress, -size);
    TStatusCode status = 0;
    if (Encryption) {
        TMemoryStream plain(std::move(packed.Packed));
        if (!Encryption->Encrypt(plain, *Archive))
            status = Encryption->LastWriteShort ? ecLowDiskSpace : ecEncrypt;
    } else if (!Archive->WriteExact(packed.Packed.data(), static_cast<int64_t>(packed.Packed.size()))) {
        status = StreamWriteFailure();
    }
    if (status == 0 && OnProgress)
        OnProgress(this, pkCompress, size);
    return {status == 0 ? 0 : status | opZip, packed.Crc, Archive->Position() - start, size};
}

bool TZipWrite::AheadHasRoom() const
{
    return !Ahead || Ahead->HasRoom();
}

void TZipWrite::CompressAhead(const std::string& fileName, const Platform::TFindData& listing)
{
    if (!Ahead)
        Ahead = std::make_unique<TZipAhead>(TWorkPool::ForNice(ThreadPriorityNice(Priority)), EntryLevelIndex);
    Ahead->Offer(fileName, listing);
}

void TZipWrite::AddDirectory(const std::string& folderName)
{
    const bool relative = Platform::ExtractFileDrive(folderName).empty();
    const std::string fullName = relative ? BaseFolder + folderName : folderName;
    Platform::TFindData found;
    if (!Platform::GetFindData(fullName, found) || !(found.Attr & faDirectory))
        return;
    bool utf8 = false;
    const std::string stored = StoredName(fullName, true, utf8);
    const uint32_t dosTime = EntryDosTime(found);
    const uint16_t flags = utf8 ? ZipFlagUtf8Name : 0;
    const uint64_t offset = static_cast<uint64_t>(Archive->Position());
    const TBytes local = LocalHeader({stored, dosTime, flags, ZipMethodStored, false, nullptr});
    if (Archive->Write(local.data(), static_cast<int64_t>(local.size())) != static_cast<int64_t>(local.size())) {
        CutBack(offset);
        WriteError = true;
        throw EZipError(StatusCodeText(ecWriteFile), ecWriteFile);
    }
    Entries.push_back(
        {stored, TPkHeader(dosTime, 0, static_cast<uint16_t>(found.Attr), flags, ZipMethodStored, offset, 0, 0)});
}

void TZipWrite::WriteOrFail(const TBytes& bytes, const std::string& message)
{
    if (Archive->Write(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size())) {
        WriteError = true;
        throw EZipError(FormatName(message.c_str(), ArchiveName), ecWriteFile);
    }
}

void TZipWrite::Close()
{
    const char* entryError = TrNoopUnits("Error writing directory entry to %s");
    const uint64_t directoryOffset = static_cast<uint64_t>(Archive->Position());
    TBytes directory;
    for (const TZipEntry& entry : Entries) {
        const TBytes record = CentralHeader(entry.StoredName, entry.Header, HasPassword ? &AesExtra : nullptr);
        directory.insert(directory.end(), record.begin(), record.end());
        if (directory.size() >= DirectoryFlushSize) {
            WriteOrFail(directory, entryError);
            directory.clear();
        }
    }
    WriteOrFail(directory, entryError);
    const uint64_t directoryEnd = static_cast<uint64_t>(Archive->Position());
    const TBytes end = EndRecords(Entries.size(), directoryOffset, directoryEnd);
    WriteOrFail(TBytes(end.begin(), end.end() - ZipEndRecordSize), entryError);
    WriteOrFail(TBytes(end.end() - ZipEndRecordSize, end.end()), "Error writing end record to %s");
}

void TZipWrite::Verify()
{
    const auto progress = [this](int64_t count) {
        if (OnVerifyProgress)
            OnVerifyProgress(this, pkVerify, count);
    };
    const auto failed = [this]() { return EZipError(FormatName("Error verifying %s", ArchiveName), ecVerify); };
    progress(-static_cast<int64_t>(Entries.size()));
    for (size_t i = 0; i < Entries.size(); ++i) {
        progress(static_cast<int64_t>(i));
        const TPkHeader& header = Entries[i].Header;
        if (header.CompressedSize == 0)
            continue;
        uint8_t local[ZipLocalHeaderSize];
        if (!Archive->Seek(static_cast<int64_t>(header.Offset)) || !Archive->ReadExact(local, sizeof local))
            throw failed();
        const int64_t dataStart =
            static_cast<int64_t>(header.Offset + ZipLocalHeaderSize) + GetLE16(local + 26) + GetLE16(local + 28);
        if (!Archive->Seek(dataStart))
            throw failed();
        TZipVerifyThread worker(Encryption.get(), header.Crc, *Archive, static_cast<int64_t>(header.CompressedSize),
                                BufferSize, Priority);
        worker.SetOnProgress(OnProgress);
        if (RunWorker(worker) != 0)
            throw failed();
    }
}
