#pragma once

// Placeholders: tokens between percent signs that stand for a part of today's
// date or for a folder or name of the user's environment.
//
// Two fixed sets of nine tokens. The date set goes into destinations, zip names
// and commands; the path set into task names, source folders and the paths given
// on the command line. ExpandPlaceholders replaces the tokens of one set, ignoring
// case, and leaves every other "%" sequence alone.

#include <array>
#include <string>

inline constexpr int PlaceholderCount = 9;

// In table order: the index is what the placeholder dialog returns.
inline constexpr std::array<const char*, PlaceholderCount> DatePlaceholders = {
    "%date%", "%dow%", "%day%", "%week%", "%dom%", "%wom%", "%month%", "%year%", "%time%"};
inline constexpr std::array<const char*, PlaceholderCount> PathPlaceholders = {
    "%perspath%", "%apppath%",   "%profile%",   "%user%",    "%computer%",
    "%desktop%",  "%favorites%", "%progfiles%", "%progpath%"};

// Indexes of the path set.
enum : int
{
    PhPersonal = 0,
    PhAppData = 1,
    PhProfile = 2,
    PhUser = 3,
    PhComputer = 4,
    PhDesktop = 5,
    PhFavorites = 6,
    PhProgramFiles = 7,
    PhProgramPath = 8,
};

// Where the values come from. The program's source reads the clock, the locale and
// the special folders; tests give their own.
class IPlaceholderSource
{
public:
    virtual ~IPlaceholderSource() = default;
    // Local date and time as a day count since 1899-12-30.
    virtual double Now() = 0;
    // The locale's short name of a weekday, 1 Monday .. 7 Sunday.
    virtual std::string ShortDayName(int isoWeekday) = 0;
    // Value of a path-set token (index above); folders as Windows path text.
    virtual std::string PathValue(int index) = 0;
};

// The source ExpandPlaceholders uses by default (not owned); nullptr restores the program's.
void SetPlaceholderSource(IPlaceholderSource* source);
IPlaceholderSource& PlaceholderSource();

// The folder of the program file, for "%progpath%" (the main window sets it).
void SetPlaceholderProgramDir(const std::string& dir);

// Replaces the tokens of the path set (pathSet true) or of the date set. The clock
// is read once; replaced values are never searched for tokens again.
std::string ExpandPlaceholders(bool pathSet, const std::string& text);
std::string ExpandPlaceholders(bool pathSet, const std::string& text, IPlaceholderSource& source);

// The part of a folder path before its first component that holds a "%", without
// a trailing delimiter: "D:\Backup\%date%\Daily" -> "D:\Backup". A path without
// "%" comes back unchanged.
std::string StripPlaceholderDirs(const std::string& path);

// Calendar values used by the date tokens.
int IsoWeekOfYear(double date); // 1 .. 53
int WeekOfMonth(double date);   // Monday-based, week 1 holds the month's first Thursday
int DayOfYear(double date);     // 1 .. 366
