#pragma once

// Calendar time (TDateTime): days since 1899-12-30, time of day as the fraction, local time.
//   EncodeDate, TryEncodeDate, DecodeDate, EncodeTime, DecodeTime, DecodeDateTime,
//   EncodeDateTime, DayOfWeek (1 = Sunday), DayOfTheWeek (1 = Monday), IsLeapYear, DaysInMonth,
//   DateTimeToMs, MsToDateTime (exact milliseconds since 1899-12-30)
//   Clock: Now, Date, NowUtc (file time); SetClockForTests / ResetClock
//   Unix time: UnixToDateTime, DateTimeToUnix (no zone), UnixToLocalDateTime, LocalDateTimeToUnix
//   File time (UTC): FileTimeToLocalDateTime, LocalDateTimeToFileTime
//   DOS time (local, date in the high 16 bits): DateTimeToDosTime, DosTimeToDateTime,
//   FileTimeToDosTime
//   FormatDateTime (strftime format), SetPeopleDateFormats, DateTimeToStr (short date and hh:mm)

#include "platform/FileSystem.h"

#include <cstdint>
#include <functional>
#include <string>

using TDateTime = double;
using TDosTime = std::int32_t;

inline constexpr TDateTime UnixDateDelta = 25569.0; // 1970-01-01
inline constexpr std::int64_t MsPerDay = 86400000;
inline constexpr TDosTime InvalidDosTime = -1;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, TDateTime& date);
TDateTime EncodeDate(int year, int month, int day); // 0 for an impossible date
void DecodeDate(TDateTime date, int& year, int& month, int& day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& millisecond);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond = 0);
void DecodeDateTime(TDateTime time, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& millisecond);
int DayOfWeek(TDateTime date);    // 1 Sunday ... 7 Saturday
int DayOfTheWeek(TDateTime date); // 1 Monday ... 7 Sunday

// Milliseconds since 1899-12-30 00:00, with the odd sign rule of negative day counts
// (-1.25 is 1899-12-29 06:00).
std::int64_t DateTimeToMs(TDateTime time);
TDateTime MsToDateTime(std::int64_t ms);

// The clock. Tests may replace it; the replacement returns the current UTC file time.
Platform::TFileTime NowUtc();
TDateTime Now();
TDateTime Date();
void SetClockForTests(std::function<Platform::TFileTime()> clock);
void ResetClock();

// Without time zones: 25569 + seconds / 86400, and back rounded to the second.
TDateTime UnixToDateTime(std::int64_t seconds);
std::int64_t DateTimeToUnix(TDateTime time);
// Through the local time zone.
TDateTime UnixToLocalDateTime(std::int64_t seconds);
std::int64_t LocalDateTimeToUnix(TDateTime time);

TDateTime FileTimeToLocalDateTime(Platform::TFileTime time);
Platform::TFileTime LocalDateTimeToFileTime(TDateTime time);

// Date and time through a strftime format, in the current locale; "%x" and "%X" write the
// date and the time in the formats set below.
std::string FormatDateTime(TDateTime time, const char* format);
// The formats of "%x" and "%X" in texts for people: the program's language chooses them
// (German "%d.%m.%Y" and "%H:%M:%S"); by default the session's locale's ("%x", "%X").
void SetPeopleDateFormats(const std::string& date, const std::string& time);
// Date and time in the short date format and hours:minutes, for people.
std::string DateTimeToStr(TDateTime time);
// A date and time that FormatDateTime wrote with "%x %X" in either language's form (the
// German one or the session locale's), read back; false for any other text.
bool PeopleDateTimeToDateTime(const std::string& text, TDateTime& time);

// InvalidDosTime for times outside 1980-01-01 ... 2107-12-31.
TDosTime DateTimeToDosTime(TDateTime time);
bool DosTimeToDateTime(TDosTime dos, TDateTime& time);
TDosTime FileTimeToDosTime(Platform::TFileTime time);
