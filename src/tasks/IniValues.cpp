#include "tasks/IniValues.h"

#include "engine/StoredPassword.h"
#include "foundation/DateUtils.h"
#include "foundation/IniFile.h"
#include "foundation/StringUtils.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace {

bool ValidDate(int y, int m, int d, double& date)
{
    return y >= 1 && y <= 9999 && TryEncodeDate(y, m, d, date);
}

// The user's LC_TIME conventions, whatever the process locale is.
locale_t UserTimeLocale()
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
        return l != static_cast<locale_t>(nullptr) ? l : newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

// strptime in the user's locale, matching the whole text.
bool ParseWith(const std::string& text, const char* format, std::tm& tm)
{
    tm = {};
    tm.tm_mday = 1;
    const char* end = strptime_l(text.c_str(), format, &tm, UserTimeLocale());
    if (end == nullptr) {
        return false;
    }
    while (*end == ' ') {
        ++end;
    }
    return *end == '\0';
}

bool DateFromTm(const std::tm& tm, double& date)
{
    return ValidDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date);
}

bool TimeFromParts(int h, int n, int s, double& time)
{
    if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59) {
        return false;
    }
    time = EncodeTime(h, n, s, 0);
    return true;
}

const std::string& TaskFileKey()
{
    static const std::string key = DecodeHexKey(TaskFileKeyHex);
    return key;
}

} // namespace

void WriteText(TIniFile& ini, const std::string& section, const std::string& key, const std::string& value)
{
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    ini.WriteString(section, key, quoted ? "\"" + value + "\"" : value);
}

std::string NumberedName(const std::string& prefix, int index)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", index);
    return prefix + digits;
}

std::string QuotesToHashes(const std::string& text)
{
    return ReplaceChar(text, '"', '#');
}

std::string HashesToQuotes(const std::string& text)
{
    return ReplaceChar(text, '#', '"');
}

void ReadCommandKeys(const TIniFile& ini, const std::string& section, std::string& preCommand, std::string& postCommand,
                     std::int32_t& preWait, std::int32_t& postWait)
{
    preCommand = HashesToQuotes(ini.ReadString(section, "PreCommand", ""));
    postCommand = HashesToQuotes(ini.ReadString(section, "PostCommand", ""));
    preWait = ini.ReadInteger(section, "PreWait", 0);
    postWait = ini.ReadInteger(section, "PostWait", 0);
}

void WriteCommandKeys(TIniFile& ini, const std::string& section, const std::string& preCommand,
                      const std::string& postCommand, std::int32_t preWait, std::int32_t postWait)
{
    WriteText(ini, section, "PreCommand", QuotesToHashes(preCommand));
    WriteText(ini, section, "PostCommand", QuotesToHashes(postCommand));
    ini.WriteInteger(section, "PreWait", preWait);
    ini.WriteInteger(section, "PostWait", postWait);
}

std::int32_t ByteCountHigh(std::int64_t count)
{
    return static_cast<std::int32_t>(static_cast<std::uint64_t>(count) >> 32);
}

std::int32_t ByteCountLow(std::int64_t count)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(count)));
}

std::int64_t JoinByteCount(std::int32_t high, std::int32_t low)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
                                     static_cast<std::uint32_t>(low));
}

bool ParseSizeValue(const std::string& text, std::int64_t& value)
{
    std::string rest = text;
    bool error = false;
    const std::int64_t number = ReadNextInt64(rest, '|', error, 0);
    if (error) {
        return false;
    }
    value = number;
    return true;
}

std::string TaskDateText(double date)
{
    int y = 0;
    int m = 0;
    int d = 0;
    DecodeDate(date, y, m, d);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

std::string TaskTimeText(double time)
{
    long seconds = std::lround((time - std::floor(time)) * 86400.0);
    if (seconds >= 86400) {
        seconds = 86399;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

bool ParseTaskDate(const std::string& given, double& date)
{
    const std::string text = TrimText(given);
    if (text.empty()) {
        return false;
    }
    int y = 0;
    int m = 0;
    int d = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &used) == 3 &&
        static_cast<size_t>(used) == text.size()) {
        return ValidDate(y, m, d, date);
    }
    std::tm tm{};
    return ParseWith(text, nl_langinfo_l(D_FMT, UserTimeLocale()), tm) && DateFromTm(tm, date);
}

bool ParseTaskTime(const std::string& given, double& time)
{
    const std::string text = TrimText(given);
    if (text.empty()) {
        return false;
    }
    int h = 0;
    int n = 0;
    int s = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%2d:%2d:%2d%n", &h, &n, &s, &used) == 3 &&
        static_cast<size_t>(used) == text.size()) {
        return TimeFromParts(h, n, s, time);
    }
    if (std::sscanf(text.c_str(), "%2d:%2d%n", &h, &n, &used) == 2 && static_cast<size_t>(used) == text.size()) {
        return TimeFromParts(h, n, 0, time);
    }
    std::tm tm{};
    return ParseWith(text, nl_langinfo_l(T_FMT, UserTimeLocale()), tm) &&
           TimeFromParts(tm.tm_hour, tm.tm_min, tm.tm_sec, time);
}

std::string EncodeTaskPassword(const std::string& password)
{
    return EncryptPassword(TaskFileKey(), password);
}

std::string DecodeTaskPassword(const std::string& stored)
{
    return DecryptPassword(TaskFileKey(), stored);
}

std::string FormatText(const std::string& format, const std::string& argument)
{
    const size_t pos = format.find("%s");
    if (pos == std::string::npos) {
        return format;
    }
    return format.substr(0, pos) + argument + format.substr(pos + 2);
}
