#include "platform/FtpListing.h"

#include "platform/CivilTime.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Digits only, no overflow: listings come from the server and are not trusted.
int64_t Number(const std::string& text)
{
    int64_t value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() ? value : -1;
}

// "." and "..", and names no command could address (a "/" or a line end inside) are no
// entries of this folder.
bool IsDotEntry(const std::string& name)
{
    return name == "." || name == ".." || name.find_first_of(std::string("/\r\n\0", 4)) != std::string::npos;
}

bool CivilToUnix(int year, int month, int day, int hour, int minute, int second, int64_t& unixTime)
{
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60) {
        return false;
    }
    std::tm fields = Platform::CivilFields(year, month, day, hour, minute, second);
    unixTime = static_cast<int64_t>(timegm(&fields));
    return true;
}

int MonthFromName(const std::string& name)
{
    static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::string lower = Lower(name.substr(0, 3));
    for (int i = 0; i < 12; ++i) {
        if (lower == months[i]) {
            return i + 1;
        }
    }
    return 0;
}

int YearOf(int64_t unixTime)
{
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm.tm_year + 1900;
}

// Skips `count` blank-separated fields and returns the position of the next one.
size_t SkipFields(const std::string& line, size_t pos, int count)
{
    for (int i = 0; i < count; ++i) {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string::npos) {
            return pos;
        }
        pos = line.find(' ', pos);
        if (pos == std::string::npos) {
            return pos;
        }
    }
    return line.find_first_not_of(' ', pos);
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; in >> field;) {
        fields.push_back(field);
    }
    return fields;
}

// Unix form: perms links owner group size month day (time|year) name; some servers omit the group.
bool ParseUnixLine(const std::string& line, int64_t nowUnix, TFtpListItem& item)
{
    const char kind = line[0];
    if (std::string("-dlbcps").find(kind) == std::string::npos || line.size() < 10) {
        return false;
    }
    const std::vector<std::string> fields = Fields(line);
    // Find the month field: the first field after the permissions that names a month and is
    // followed by a day number; the size stands right before it.
    for (size_t m = 3; m + 3 < fields.size(); ++m) {
        const int month = MonthFromName(fields[m]);
        if (month == 0 || fields[m].size() != 3 || !AllDigits(fields[m + 1]) || !AllDigits(fields[m - 1])) {
            continue;
        }
        const int day = static_cast<int>(Number(fields[m + 1]));
        const std::string& when = fields[m + 2];
        int year = 0, hour = 0, minute = 0;
        if (when.find(':') != std::string::npos) {
            if (std::sscanf(when.c_str(), "%d:%d", &hour, &minute) != 2) {
                return false;
            }
            // No year: the most recent date that is not in the future (a day of slack for time zones).
            year = YearOf(nowUnix);
            int64_t candidate = 0;
            if (CivilToUnix(year, month, day, hour, minute, 0, candidate) && candidate > nowUnix + 86400) {
                --year;
            }
        } else if (AllDigits(when)) {
            year = static_cast<int>(Number(when));
        } else {
            return false;
        }
        const size_t namePos = SkipFields(line, 0, static_cast<int>(m + 3));
        if (namePos == std::string::npos) {
            return false;
        }
        std::string name = line.substr(namePos);
        if (kind == 'l') {
            const size_t arrow = name.find(" -> ");
            if (arrow != std::string::npos) {
                name.resize(arrow);
            }
        }
        if (name.empty() || IsDotEntry(name)) {
            return false;
        }
        item = TFtpListItem{};
        item.Name = name;
        item.IsDir = kind == 'd';
        item.Size = Number(fields[m - 1]);
        item.HasTime = CivilToUnix(year, month, day, hour, minute, 0, item.ModifiedUnix);
        return true;
    }
    return false;
}

// DOS form: MM-DD-YY[YY] hh:mm[AM|PM] (<DIR>|size) name
bool ParseDosLine(const std::string& line, TFtpListItem& item)
{
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    char sep1 = 0, sep2 = 0;
    if (std::sscanf(line.c_str(), "%d%c%d%c%d", &month, &sep1, &day, &sep2, &year) != 5 || sep1 != sep2 ||
        (sep1 != '-' && sep1 != '/' && sep1 != '.')) {
        return false;
    }
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() < 4 || std::sscanf(fields[1].c_str(), "%d:%d", &hour, &minute) != 2) {
        return false;
    }
    const size_t suffixPos = fields[1].find_first_not_of("0123456789:");
    const std::string suffix = suffixPos == std::string::npos ? std::string() : Lower(fields[1].substr(suffixPos));
    if (suffix == "pm" && hour < 12) {
        hour += 12;
    } else if (suffix == "am" && hour == 12) {
        hour = 0;
    }
    if (year < 100) {
        year += year < 70 ? 2000 : 1900;
    }
    const size_t namePos = SkipFields(line, 0, 3);
    if (namePos == std::string::npos) {
        return false;
    }
    item = TFtpListItem{};
    item.Name = line.substr(namePos);
    if (item.Name.empty() || IsDotEntry(item.Name)) {
        return false;
    }
    if (Lower(fields[2]) == "<dir>") {
        item.IsDir = true;
    } else if (AllDigits(fields[2])) {
        item.Size = Number(fields[2]);
    } else {
        return false;
    }
    item.HasTime = CivilToUnix(year, month, day, hour, minute, 0, item.ModifiedUnix);
    return true;
}

} // namespace

bool ParseFtpTimeValue(const std::string& text, int64_t& unixTime)
{
    const std::string digits = text.substr(0, std::min<size_t>(text.find('.'), text.size()));
    if (digits.size() != 14 || !AllDigits(digits)) {
        return false;
    }
    auto part = [&](size_t pos, size_t len) { return static_cast<int>(Number(digits.substr(pos, len))); };
    return CivilToUnix(part(0, 4), part(4, 2), part(6, 2), part(8, 2), part(10, 2), part(12, 2), unixTime);
}

std::string FormatFtpTimeValue(int64_t unixTime)
{
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

bool ParseMlsdLine(const std::string& line, TFtpListItem& item)
{
    // facts are "name=value;" pairs, then one blank, then the name (which may hold blanks and ';')
    const size_t blank = line.find(' ');
    if (blank == std::string::npos || blank + 1 >= line.size()) {
        return false;
    }
    item = TFtpListItem{};
    item.Name = line.substr(blank + 1);
    std::istringstream facts(line.substr(0, blank));
    bool typed = false;
    for (std::string fact; std::getline(facts, fact, ';');) {
        const size_t eq = fact.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = Lower(fact.substr(0, eq));
        const std::string value = fact.substr(eq + 1);
        if (key == "type") {
            const std::string type = Lower(value);
            if (type == "cdir" || type == "pdir") {
                return false;
            }
            item.IsDir = type == "dir";
            typed = true;
        } else if (key == "size" && AllDigits(value)) {
            item.Size = Number(value);
        } else if (key == "modify") {
            item.HasTime = ParseFtpTimeValue(value, item.ModifiedUnix);
        } else if (key == "unique") {
            item.Unique = Lower(value);
        }
    }
    return typed && !IsDotEntry(item.Name);
}

bool ParseListLine(const std::string& line, int64_t nowUnix, TFtpListItem& item)
{
    if (line.empty()) {
        return false;
    }
    if (std::isdigit(static_cast<unsigned char>(line[0]))) {
        return ParseDosLine(line, item);
    }
    return ParseUnixLine(line, nowUnix, item);
}

std::vector<TFtpListItem> ParseListing(const std::string& text, bool machineListing, int64_t nowUnix)
{
    std::vector<TFtpListItem> items;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        TFtpListItem item;
        if (machineListing ? ParseMlsdLine(line, item) : ParseListLine(line, nowUnix, item)) {
            items.push_back(std::move(item));
        }
    }
    return items;
}
