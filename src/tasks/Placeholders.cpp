#include "tasks/Placeholders.h"

#include "foundation/DateUtils.h"
#include "foundation/NumberText.h"
#include "foundation/WinServices.h"

#include <cmath>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>
#include <mutex>

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool TokenAt(const std::string& text, size_t pos, const char* token)
{
    size_t i = 0;
    for (; token[i] != '\0'; ++i) {
        if (pos + i >= text.size() || AsciiLower(text[pos + i]) != token[i]) {
            return false;
        }
    }
    return true;
}

std::string WithoutTrailingDelimiter(std::string folder)
{
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

std::string TwoDigits(int value)
{
    return ZeroPaddedInt(2, value);
}

class TProgramPlaceholderSource : public IPlaceholderSource
{
public:
    double Now() override { return ::Now(); }

    std::string ShortDayName(int isoWeekday) override
    {
        static const locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
        if (locale == static_cast<locale_t>(nullptr)) {
            static const char* const names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
            return names[(isoWeekday - 1) % 7];
        }
        // ABDAY_1 is Sunday.
        return nl_langinfo_l(static_cast<nl_item>(ABDAY_1 + isoWeekday % 7), locale);
    }

    std::string PathValue(int index) override
    {
        if (index == PhProgramPath) {
            std::lock_guard lock(mutex);
            return programDir;
        }
        switch (index) {
        case PhPersonal:
            return GetSpecialFolder(CSIDL_PERSONAL);
        case PhAppData:
            return GetSpecialFolder(CSIDL_APPDATA);
        case PhProfile: {
            const std::string profile = GetProfileDir();
            return profile.empty() ? GetWindowsDir() : profile;
        }
        case PhUser:
            return GetCurrentUserName();
        case PhComputer:
            return GetLocalComputerName();
        case PhDesktop:
            return GetSpecialFolder(CSIDL_DESKTOP);
        case PhFavorites:
            return GetSpecialFolder(CSIDL_FAVORITES);
        case PhProgramFiles:
            return GetSpecialFolder(CSIDL_PROGRAM_FILES);
        default:
            return {};
        }
    }

    void SetProgramDir(const std::string& dir)
    {
        std::lock_guard lock(mutex);
        programDir = dir;
    }

private:
    std::mutex mutex;
    std::string programDir;
};

TProgramPlaceholderSource& ProgramSource()
{
    static TProgramPlaceholderSource source;
    return source;
}

IPlaceholderSource* currentSource = nullptr;

// The values of one expansion; each is computed when first needed.
class TValues
{
public:
    TValues(bool paths, IPlaceholderSource& from) : pathSet(paths), source(from) {}

    std::string Value(int index) { return pathSet ? PathValue(index) : DateValue(index); }

private:
    std::string PathValue(int index)
    {
        const std::string value = source.PathValue(index);
        return (index == PhUser || index == PhComputer) ? value : WithoutTrailingDelimiter(value);
    }

    std::string DateValue(int index)
    {
        if (!haveNow) {
            now = source.Now();
            haveNow = true;
        }
        int y = 0;
        int m = 0;
        int d = 0;
        DecodeDate(now, y, m, d);
        switch (index) {
        case 0:
            return ZeroPaddedInt(4, y) + "-" + TwoDigits(m) + "-" + TwoDigits(d);
        case 1:
            return source.ShortDayName(DayOfTheWeek(now));
        case 2:
            return ZeroPaddedInt(3, DayOfYear(now));
        case 3:
            return TwoDigits(IsoWeekOfYear(now));
        case 4:
            return TwoDigits(d);
        case 5:
            return std::to_string(WeekOfMonth(now));
        case 6:
            return TwoDigits(m);
        case 7:
            return ZeroPaddedInt(4, y);
        default: {
            const int minutes = static_cast<int>((now - std::floor(now)) * 1440.0 + 1e-6);
            return TwoDigits(minutes / 60 % 24) + TwoDigits(minutes % 60);
        }
        }
    }

    bool pathSet;
    IPlaceholderSource& source;
    bool haveNow = false;
    double now = 0;
};

} // namespace

void SetPlaceholderSource(IPlaceholderSource* source)
{
    currentSource = source;
}

IPlaceholderSource& PlaceholderSource()
{
    return currentSource != nullptr ? *currentSource : ProgramSource();
}

void SetPlaceholderProgramDir(const std::string& dir)
{
    ProgramSource().SetProgramDir(dir);
}

std::string ExpandPlaceholders(bool pathSet, const std::string& text)
{
    return ExpandPlaceholders(pathSet, text, PlaceholderSource());
}

std::string ExpandPlaceholders(bool pathSet, const std::string& text, IPlaceholderSource& source)
{
    if (text.find('%') == std::string::npos) {
        return text;
    }
    const auto& tokens = pathSet ? PathPlaceholders : DatePlaceholders;
    std::array<std::string, PlaceholderCount> values;
    std::array<bool, PlaceholderCount> known{};
    TValues compute(pathSet, source);
    std::string result;
    size_t pos = 0;
    while (pos < text.size()) {
        int found = -1;
        if (text[pos] == '%') {
            for (int i = 0; i < PlaceholderCount && found < 0; ++i) {
                if (TokenAt(text, pos, tokens[static_cast<size_t>(i)])) {
                    found = i;
                }
            }
        }
        if (found < 0) {
            result += text[pos++];
            continue;
        }
        const auto index = static_cast<size_t>(found);
        if (!known[index]) {
            values[index] = compute.Value(found);
            known[index] = true;
        }
        result += values[index];
        pos += std::char_traits<char>::length(tokens[index]);
    }
    return result;
}

std::string StripPlaceholderDirs(const std::string& path)
{
    if (path.find('%') == std::string::npos) {
        return path;
    }
    std::string result;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string component = path.substr(start, end - start);
        if (component.find('%') != std::string::npos) {
            break;
        }
        if (start > 0) {
            result += '\\';
        }
        result += component;
        start = end + 1;
    }
    return result;
}

int DayOfYear(double date)
{
    int y = 0;
    int m = 0;
    int d = 0;
    DecodeDate(date, y, m, d);
    return static_cast<int>(std::floor(date) - EncodeDate(y, 1, 1)) + 1;
}

namespace {

// Day count of the Thursday of the Monday-based week that holds the date.
double ThursdayOfWeek(double date)
{
    return std::floor(date) + 4 - DayOfTheWeek(date);
}

} // namespace

int IsoWeekOfYear(double date)
{
    // The week belongs to the year of its Thursday.
    return (DayOfYear(ThursdayOfWeek(date)) - 1) / 7 + 1;
}

int WeekOfMonth(double date)
{
    // The week belongs to the month of its Thursday.
    int y = 0;
    int m = 0;
    int d = 0;
    DecodeDate(ThursdayOfWeek(date), y, m, d);
    return (d - 1) / 7 + 1;
}
