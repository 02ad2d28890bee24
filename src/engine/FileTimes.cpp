#include "engine/FileTimes.h"

#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Utf8.h"

#include <vector>

namespace {

constexpr std::int64_t DaysFrom1601To1899 = 109205;
constexpr TFileTime TicksPerMs = 10000;
constexpr TFileTime TicksPerDay = TicksPerMs * MsPerDay;

// Status codes of the failed copy steps.
constexpr int CopyCreateError = 1;
constexpr int CopyOpenError = 2;
constexpr int CopyCloseError = 3;
constexpr int CopyReadError = 4;
constexpr int CopyWriteError = 5;
constexpr int CopyAttrError = 0x206;
constexpr int CopyTimeError = 0x20F;

[[noreturn]] void RaiseCopyError(const char* message, const std::string& file, int code)
{
    throw ECopyError(ReplaceText(TrUnits(message), "%s", file), code);
}

} // namespace

TFileTime GetFileWriteTime(const std::string& name)
{
    TFindData data;
    if (!Platform::GetFindData(name, data) || (data.Attr & faDirectory)) {
        return 0;
    }
    return data.LastWriteTime;
}

TFileTimes GetFileTimes(const std::string& name, bool folder)
{
    TFindData data;
    if (!Platform::GetFindData(name, data) || ((data.Attr & faDirectory) != 0) != folder) {
        return {};
    }
    return FindDataToFileTimes(data);
}

TFileTimes GetDirFileTimes(const std::string& name)
{
    return GetFileTimes(name, true);
}

TFileTimes FindDataToFileTimes(const TFindData& data)
{
    return {1, data.CreationTime, data.LastAccessTime, data.LastWriteTime};
}

TFileTime ReplaceFutureTime(TFileTime time)
{
    // Compared in UTC: a local-time comparison would shift stamps by the zone offset.
    const TFileTime now = NowUtc();
    return time > now + TicksPerDay ? now : time;
}

namespace {

TFileTimes TimesToSet(const TFileTimes& times, bool replaceFuture)
{
    TFileTimes set = times;
    if (set.Valid == 0) {
        set.CreationTime = set.LastWriteTime = NowUtc();
    } else if (replaceFuture) {
        set.CreationTime = ReplaceFutureTime(set.CreationTime);
        set.LastWriteTime = ReplaceFutureTime(set.LastWriteTime);
    }
    return set;
}

} // namespace

int SetFileTimes(const std::string& name, const TFileTimes& times, bool replaceFuture, bool setCreation)
{
    TFileTimes set = TimesToSet(times, replaceFuture);
    return Platform::SetFileTimes(name, setCreation ? &set.CreationTime : nullptr, nullptr, &set.LastWriteTime);
}

int SetFileTimesAndAttributes(Platform::TFile& file, const TFileTimes& times, bool replaceFuture, uint32_t attr,
                              bool& timesFailed)
{
    const TFileTimes set = TimesToSet(times, replaceFuture);
    return file.SetTimesAndAttributes(nullptr, &set.LastWriteTime, attr, timesFailed);
}

int SetFileWriteTime(const std::string& name, TFileTime time, bool replaceFuture)
{
    const TFileTime set = replaceFuture ? ReplaceFutureTime(time) : time;
    return Platform::SetFileTimes(name, nullptr, nullptr, &set);
}

TDateTime FileTimeToDateTime(TFileTime time)
{
    if (time >= 0x8000000000000000ULL) {
        return EncodeDate(1980, 1, 1);
    }
    const auto ms = static_cast<std::int64_t>(time / TicksPerMs);
    return MsToDateTime(ms - DaysFrom1601To1899 * MsPerDay);
}

TFileTime DateTimeToFileTime(TDateTime time)
{
    const std::int64_t ms = DateTimeToMs(time) + DaysFrom1601To1899 * MsPerDay;
    return ms < 0 ? 0 : static_cast<TFileTime>(ms) * TicksPerMs;
}

std::int64_t DateTimeToUnixTime(TDateTime time)
{
    return DateTimeToUnix(time);
}

std::int64_t FileTimeToUnixTime(TFileTime time)
{
    return DateTimeToUnixTime(FileTimeToDateTime(time));
}

bool FindFile(const std::string& name, TFindData& data)
{
    return Platform::GetFindData(name, data) && !(data.Attr & faDirectory);
}

TDosTime FindDataDosTime(const TFindData& data)
{
    return FileTimeToDosTime(data.LastWriteTime);
}

TDosTime GetDirDosTime(const std::string& folder)
{
    TFindData data;
    if (!Platform::GetFindData(folder, data) || !(data.Attr & faDirectory)) {
        return InvalidDosTime;
    }
    return FindDataDosTime(data);
}

int SetFileDosTime(const std::string& name, TDosTime dos)
{
    TDateTime local = 0;
    if (!DosTimeToDateTime(dos, local)) {
        return Platform::ErrorInvalidParameter;
    }
    const TFileTime time = LocalDateTimeToFileTime(local);
    return Platform::SetFileTimes(name, nullptr, nullptr, &time);
}

std::uint64_t FindDataFileSize(const TFindData& data)
{
    return data.Size;
}

std::uint64_t FileSize64(const std::string& name)
{
    TFindData data;
    return FindFile(name, data) ? data.Size : 0;
}

TFileInfo SearchRecToFileInfo(const TSearchRec& rec)
{
    TFileInfo info;
    info.Name = rec.Name;
    info.Attr = rec.Attr;
    info.Size = rec.Size;
    // The real stamp, also before 1980; only DOS times clamp.
    const TFileTime write = rec.FindData.LastWriteTime;
    if (write == 0) {
        info.Time = Now();
    } else {
        info.Time = FileTimeToLocalDateTime(write - write % 10000000ULL);
    }
    return info;
}

bool PathExists(const std::string& name)
{
    TSearchRec rec;
    const bool found = Platform::FindFirst(name, faAnyFile, rec) == 0;
    Platform::FindClose(rec);
    return found;
}

bool IsGzFile(const std::string& name)
{
    return Platform::LowerUtf8(GetExtension(name)) == "gz";
}

bool IsEncFile(const std::string& name)
{
    return Platform::LowerUtf8(GetExtension(name)) == "enc";
}

void CopyFileChecked(const std::string& source, const std::string& dest, std::size_t bufferSize)
{
    if (dest.empty() || !Platform::FileExists(source)) {
        return;
    }
    std::vector<char> buffer(bufferSize > 0 ? bufferSize : 65536);
    const TFileTime sourceTime = GetFileWriteTime(source);
    const std::uint32_t sourceAttr = Platform::GetFileAttributes(source);

    auto in = Platform::OpenRead(source, Platform::TShare::ReadWrite);
    if (!in) {
        RaiseCopyError("Error opening %s", source, CopyOpenError);
    }
    if (Platform::AnyExists(dest) && Platform::SetFileAttributes(dest, faArchive) != 0) {
        RaiseCopyError("Error creating %s", dest, CopyCreateError);
    }
    auto out = Platform::OpenWrite(dest, Platform::TShare::None);
    if (!out) {
        RaiseCopyError("Error creating %s", dest, CopyCreateError);
    }
    // A half-written copy must not stay behind: its fresh stamp would pass it as current.
    const auto failCopy = [&](const char* message, const std::string& file, int code) {
        out.reset();
        Platform::DeleteFile(dest);
        RaiseCopyError(message, file, code);
    };
    for (;;) {
        const std::int64_t got = in->Read(buffer.data(), buffer.size());
        if (got < 0) {
            failCopy("Error reading %s", source, CopyReadError);
        }
        if (got == 0) {
            break;
        }
        if (out->Write(buffer.data(), static_cast<std::size_t>(got)) != got) {
            failCopy("Error writing %s", dest, CopyWriteError);
        }
    }
    if (out->Size() != in->Size()) {
        failCopy("Error reading %s", source, CopyReadError);
    }
    if (in->Close() != 0) {
        RaiseCopyError("Error closing %s", source, CopyCloseError);
    }
    if (out->Close() != 0) {
        failCopy("Error closing %s", dest, CopyCloseError);
    }
    if (SetFileWriteTime(dest, sourceTime, true) != 0) {
        RaiseCopyError("Error setting timestamp %s", dest, CopyTimeError);
    }
    if (Platform::SetFileAttributes(dest, sourceAttr) != 0) {
        RaiseCopyError("Error setting attributes %s", dest, CopyAttrError);
    }
}
