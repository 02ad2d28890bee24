#include "foundation/DateUtils.h"

#include "platform/CivilTime.h"

#include <cmath>
#include <ctime>
#include <mutex>

namespace {

std::mutex clockMutex;
std::function<Platform::TFileTime()> clockOverride;

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

constexpr std::int64_t DaysFrom1970To1899 = -25569;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return false;
    }
    date = static_cast<TDateTime>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                  DaysFrom1970To1899);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime date = 0;
    return TryEncodeDate(year, month, day, date) ? date : 0;
}

std::int64_t DateTimeToMs(TDateTime time)
{
    const double days = std::trunc(time);
    const double fraction = std::fabs(time - days);
    return static_cast<std::int64_t>(days) * MsPerDay + std::llround(fraction * MsPerDay);
}

TDateTime MsToDateTime(std::int64_t ms)
{
    const std::int64_t days = FloorDiv(ms, MsPerDay);
    const double fraction = static_cast<double>(ms - days * MsPerDay) / MsPerDay;
    const auto whole = static_cast<double>(days);
    return days >= 0 ? whole + fraction : whole - fraction;
}

void DecodeDateTime(TDateTime time, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& millisecond)
{
    const std::int64_t ms = DateTimeToMs(time);
    const std::int64_t days = FloorDiv(ms, MsPerDay);
    auto ofDay = static_cast<int>(ms - days * MsPerDay);
    CivilFromDays(days + DaysFrom1970To1899, year, month, day);
    hour = ofDay / 3600000;
    minute = ofDay / 60000 % 60;
    second = ofDay / 1000 % 60;
    millisecond = ofDay % 1000;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day)
{
    int h, n, s, ms;
    DecodeDateTime(date, year, month, day, h, n, s, ms);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    return static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / MsPerDay;
}

void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& millisecond)
{
    int y, m, d;
    DecodeDateTime(time, y, m, d, hour, minute, second, millisecond);
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    const TDateTime date = EncodeDate(year, month, day);
    const TDateTime time = EncodeTime(hour, minute, second, millisecond);
    return date >= 0 ? date + time : date - time;
}

int DayOfWeek(TDateTime date)
{
    const std::int64_t days = FloorDiv(DateTimeToMs(date), MsPerDay);
    return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1; // 1899-12-30 was a Saturday
}

int DayOfTheWeek(TDateTime date)
{
    return (DayOfWeek(date) + 5) % 7 + 1;
}

// ---- clock -----------------------------------------------------------------------

Platform::TFileTime NowUtc()
{
    {
        std::lock_guard lock(clockMutex);
        if (clockOverride) {
            return clockOverride();
        }
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return Platform::FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

TDateTime Now()
{
    return FileTimeToLocalDateTime(NowUtc());
}

TDateTime Date()
{
    return std::floor(Now());
}

void SetClockForTests(std::function<Platform::TFileTime()> clock)
{
    std::lock_guard lock(clockMutex);
    clockOverride = std::move(clock);
}

void ResetClock()
{
    SetClockForTests(nullptr);
}

// ---- conversions -------------------------------------------------------------------

TDateTime UnixToDateTime(std::int64_t seconds)
{
    return MsToDateTime((seconds - DaysFrom1970To1899 * 86400) * 1000);
}

std::int64_t DateTimeToUnix(TDateTime time)
{
    return std::llround((time - UnixDateDelta) * 86400.0);
}

TDateTime UnixToLocalDateTime(std::int64_t seconds)
{
    const auto t = static_cast<time_t>(seconds);
    tm local{};
    localtime_r(&t, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec);
}

namespace {

std::tm DateTimeFields(TDateTime time)
{
    int y, m, d, h, n, s, ms;
    DecodeDateTime(time, y, m, d, h, n, s, ms);
    return Platform::CivilFields(y, m, d, h, n, s);
}

} // namespace

std::int64_t LocalDateTimeToUnix(TDateTime time)
{
    std::tm local = DateTimeFields(time);
    return static_cast<std::int64_t>(mktime(&local));
}

TDateTime FileTimeToLocalDateTime(Platform::TFileTime time)
{
    const std::int64_t seconds = Platform::UnixSecondsFromFileTime(time);
    const auto ms = static_cast<std::int64_t>((time % 10000000ULL) / 10000);
    const TDateTime whole = UnixToLocalDateTime(seconds);
    return MsToDateTime(DateTimeToMs(whole) + ms);
}

Platform::TFileTime LocalDateTimeToFileTime(TDateTime time)
{
    const std::int64_t ms = DateTimeToMs(time);
    const std::int64_t ofSecond = ms - FloorDiv(ms, 1000) * 1000;
    const std::int64_t seconds = LocalDateTimeToUnix(MsToDateTime(ms - ofSecond));
    return Platform::FileTimeFromUnix(seconds, ofSecond * 1000000);
}

TDosTime DateTimeToDosTime(TDateTime time)
{
    int y, m, d, h, n, s, ms;
    DecodeDateTime(time, y, m, d, h, n, s, ms);
    if (y < 1980 || y > 2107) {
        return InvalidDosTime;
    }
    const std::uint32_t date = static_cast<std::uint32_t>(((y - 1980) << 9) | (m << 5) | d);
    const std::uint32_t clock = static_cast<std::uint32_t>((h << 11) | (n << 5) | (s / 2));
    return static_cast<TDosTime>((date << 16) | clock);
}

bool DosTimeToDateTime(TDosTime dos, TDateTime& time)
{
    const auto value = static_cast<std::uint32_t>(dos);
    const int year = static_cast<int>(value >> 25) + 1980;
    const int month = static_cast<int>((value >> 21) & 0x0F);
    const int day = static_cast<int>((value >> 16) & 0x1F);
    const int hour = static_cast<int>((value >> 11) & 0x1F);
    const int minute = static_cast<int>((value >> 5) & 0x3F);
    const int second = static_cast<int>(value & 0x1F) * 2;
    TDateTime date = 0;
    if (hour > 23 || minute > 59 || second > 59 || !TryEncodeDate(year, month, day, date)) {
        return false;
    }
    time = date + EncodeTime(hour, minute, second, 0);
    return true;
}

TDosTime FileTimeToDosTime(Platform::TFileTime time)
{
    return DateTimeToDosTime(FileTimeToLocalDateTime(time));
}

namespace {

struct TPeopleDateFormats
{
    std::string Date = "%x";
    std::string Time = "%X";
};

TPeopleDateFormats& PeopleDateFormats()
{
    static TPeopleDateFormats formats;
    return formats;
}

// "%x" and "%X" replaced by the chosen formats; "%%" stays for strftime.
std::string WithPeopleFormats(const char* format)
{
    const TPeopleDateFormats& chosen = PeopleDateFormats();
    std::string out;
    for (const char* c = format; *c; ++c) {
        if (c[0] == '%' && (c[1] == 'x' || c[1] == 'X')) {
            out += c[1] == 'x' ? chosen.Date : chosen.Time;
            ++c;
        } else {
            out += *c;
            if (c[0] == '%' && c[1]) {
                out += *++c;
            }
        }
    }
    return out;
}

} // namespace

void SetPeopleDateFormats(const std::string& date, const std::string& time)
{
    PeopleDateFormats() = {date, time};
}

std::string FormatDateTime(TDateTime time, const char* format)
{
    const std::string expanded = WithPeopleFormats(format);
    format = expanded.c_str();
    std::tm fields = DateTimeFields(time);
    fields.tm_wday = DayOfWeek(time) - 1;
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &fields);
    return std::string(text, length);
}

std::string DateTimeToStr(TDateTime time)
{
    return FormatDateTime(time, "%x %H:%M");
}

bool PeopleDateTimeToDateTime(const std::string& text, TDateTime& time)
{
    for (const char* format : {"%d.%m.%Y %H:%M:%S", "%x %X"}) {
        std::tm fields{};
        const char* end = strptime(text.c_str(), format, &fields);
        if (end && *end == '\0') {
            time = EncodeDateTime(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                                  fields.tm_min, fields.tm_sec);
            return time != 0;
        }
    }
    return false;
}
