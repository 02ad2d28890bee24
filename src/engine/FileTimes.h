#pragma once

// File times, sizes, existence tests and the plain copy that raises ECopyError.
//   TFileTimes, TFileInfo, ECopyError,
//   GetFileWriteTime, GetFileTimes, GetDirFileTimes, FindDataToFileTimes, SetFileTimes,
//   SetFileWriteTime, FileTimeToDateTime, DateTimeToFileTime, DateTimeToUnixTime,
//   FileTimeToUnixTime, FindFile, FindDataDosTime, GetDirDosTime, SetFileDosTime,
//   FindDataFileSize, FileSize64, SearchRecToFileInfo, PathExists, IsGzFile, IsEncFile,
//   CopyFileChecked, ReplaceFutureTime

#include "foundation/DateUtils.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <stdexcept>
#include <string>

using Platform::TFileTime;
using Platform::TFindData;
using Platform::TSearchRec;

struct TFileTimes
{
    std::uint32_t Valid = 0; // 1 when the times were read
    TFileTime CreationTime = 0;
    TFileTime LastAccessTime = 0;
    TFileTime LastWriteTime = 0;
};

struct TFileInfo
{
    std::string Name;
    TDateTime Time = 0; // last write, local, to the second
    std::uint64_t Size = 0;
    std::uint32_t Attr = 0;
};

// Raised only by CopyFileChecked; ErrorCode is the status code of the failed step.
class ECopyError : public std::runtime_error
{
public:
    ECopyError(const std::string& message, int code) : std::runtime_error(message), ErrorCode(code) {}
    int ErrorCode;
};

TFileTime GetFileWriteTime(const std::string& name); // 0 when missing or a folder
TFileTimes GetFileTimes(const std::string& name, bool folder);
TFileTimes GetDirFileTimes(const std::string& name);
TFileTimes FindDataToFileTimes(const TFindData& data);

// A time more than one day after the current UTC time becomes the current time.
TFileTime ReplaceFutureTime(TFileTime time);

// 0 or a Windows error code. An invalid record sets the current time; the last-access
// time is never set.
int SetFileTimes(const std::string& name, const TFileTimes& times, bool replaceFuture, bool setCreation);
// The times and then the attributes of an open file, with one look at it (the creation
// time cannot be set there): 0, or the error of the times (timesFailed) or of the
// attributes.
int SetFileTimesAndAttributes(Platform::TFile& file, const TFileTimes& times, bool replaceFuture, uint32_t attr,
                              bool& timesFailed);
int SetFileWriteTime(const std::string& name, TFileTime time, bool replaceFuture);

// Field by field, without a time zone (UTC file time -> UTC calendar time).
TDateTime FileTimeToDateTime(TFileTime time);
TFileTime DateTimeToFileTime(TDateTime time);
std::int64_t DateTimeToUnixTime(TDateTime time);
std::int64_t FileTimeToUnixTime(TFileTime time);

bool FindFile(const std::string& name, TFindData& data); // exists and is no folder
TDosTime FindDataDosTime(const TFindData& data);         // local; InvalidDosTime before 1980
TDosTime GetDirDosTime(const std::string& folder);
int SetFileDosTime(const std::string& name, TDosTime dos);
std::uint64_t FindDataFileSize(const TFindData& data);
std::uint64_t FileSize64(const std::string& name); // 0 when missing or a folder
TFileInfo SearchRecToFileInfo(const TSearchRec& rec);
bool PathExists(const std::string& name);
bool IsGzFile(const std::string& name);
bool IsEncFile(const std::string& name);

// Copies in chunks of bufferSize, then the last-write time (future times replaced) and the
// attributes. Does nothing when the source is missing or the destination empty. On a
// failed read or write the incomplete destination is removed.
void CopyFileChecked(const std::string& source, const std::string& dest, std::size_t bufferSize);
