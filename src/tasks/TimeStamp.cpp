#include "tasks/TimeStamp.h"

#include "engine/ExtFtp.h"
#include "engine/LittleEndian.h"
#include "foundation/PathUtils.h"
#include "foundation/Stream.h"
#include "platform/DestFolder.h"
#include "platform/FileSystem.h"

#include <cmath>
#include <cstring>

namespace {

// 0001-01-01 and 9999-12-31: what a date-time can be at all.
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958466.0;

std::string StampPath(const std::string& folder)
{
    return AddPathDelimiter(folder) + TimeStampName;
}

} // namespace

std::string TimeStampBytes(TDateTime time)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &time, sizeof bits);
    TBytes bytes;
    PutLE64(bytes, bits);
    return std::string(bytes.begin(), bytes.end());
}

TDateTime TimeStampFromBytes(const std::string& bytes)
{
    if (bytes.size() < 8) {
        return 0;
    }
    const uint64_t bits = GetLE64(reinterpret_cast<const uint8_t*>(bytes.data()));
    TDateTime time = 0;
    std::memcpy(&time, &bits, sizeof time);
    return std::isfinite(time) && time >= MinDateTime && time < MaxDateTime ? time : 0;
}

void WriteTimeStamp(const std::string& folder, TDateTime time)
{
    // A link planted under the stamp's name is never written through.
    const auto dest = Platform::TDestFolder::Open(folder);
    if (!dest) {
        return;
    }
    const Platform::TEntryKind kind = dest->Kind(TimeStampName);
    if (kind == Platform::TEntryKind::File && dest->DeleteFile(TimeStampName) != 0) {
        return;
    }
    if (kind != Platform::TEntryKind::File && kind != Platform::TEntryKind::Missing) {
        return;
    }
    if (auto file = dest->CreateNewFile(TimeStampName)) {
        const std::string bytes = TimeStampBytes(time);
        file->Write(bytes.data(), bytes.size());
        file->Close();
    }
}

TDateTime ReadTimeStamp(const std::string& folder)
{
    auto file = Platform::OpenRead(StampPath(folder));
    if (!file) {
        return 0;
    }
    std::string bytes(8, '\0');
    const int64_t got = file->Read(bytes.data(), bytes.size());
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return TimeStampFromBytes(bytes);
}

void WriteFtpTimeStamp(TExtFtp& ftp, TDateTime time)
{
    const std::string bytes = TimeStampBytes(time);
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    // The stamp is the server's name, not a converted local one: it must not change case.
    const uint8_t nameCase = ftp.NameCase;
    ftp.NameCase = 0;
    ftp.Upload(stream, TimeStampName, false);
    ftp.NameCase = nameCase;
}

TDateTime ReadFtpTimeStamp(TExtFtp& ftp)
{
    if (!ftp.RemoteFileExists(TimeStampName)) {
        return 0;
    }
    TMemoryStream stream;
    const uint8_t nameCase = ftp.NameCase;
    ftp.NameCase = 0;
    // The stamp is 8 bytes: a huge file there is not read into memory.
    const TStatusCode status = ftp.Download(TimeStampName, stream, 8);
    ftp.NameCase = nameCase;
    if (status != 0) {
        return 0;
    }
    return TimeStampFromBytes(std::string(stream.Data.begin(), stream.Data.end()));
}

bool OnlyTimeStampLeft(const std::string& folder)
{
    Platform::TSearchRec rec;
    if (Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec) != 0) {
        return true;
    }
    bool onlyStamp = true;
    do {
        if (rec.Name != TimeStampName) {
            onlyStamp = false;
        }
    } while (onlyStamp && Platform::FindNext(rec) == 0);
    Platform::FindClose(rec);
    return onlyStamp;
}
