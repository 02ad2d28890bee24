#pragma once

// The time-stamp file "$TimeStamp.tsu": the start of the last run whose backup method
// is not plain copying, as 8 bytes (a little-endian double, days since 1899-12-30,
// local time). The next such run reads it to decide whether the destination still
// belongs to the current cycle. A missing, short or nonsensical file reads as 0.

#include "foundation/DateUtils.h"

#include <string>

class TExtFtp;

inline constexpr const char* TimeStampName = "$TimeStamp.tsu";

// Replaces the folder's stamp; errors are ignored (read-only media).
void WriteTimeStamp(const std::string& folder, TDateTime time);
TDateTime ReadTimeStamp(const std::string& folder);

// The same in the FTP client's current folder.
void WriteFtpTimeStamp(TExtFtp& ftp, TDateTime time);
TDateTime ReadFtpTimeStamp(TExtFtp& ftp);

// True when the folder holds nothing but the time-stamp file (or nothing at all).
bool OnlyTimeStampLeft(const std::string& folder);

// The stamp bytes and back; 0 for fewer than 8 bytes or no valid date.
std::string TimeStampBytes(TDateTime time);
TDateTime TimeStampFromBytes(const std::string& bytes);
