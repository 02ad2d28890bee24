#pragma once

// What the filter dialogs decide when the user presses OK, without their widgets:
// the name filter's close check, the size fields and the date window written back.
// The dialogs work on a scratch copy of the caller's values and hand them back only
// when every check passed, so a refused mask followed by Cancel changes nothing.

#include "tasks/TaskModel.h"

#include <cstdint>
#include <string>

// What the name-filter controls show: the mask text, the regular-expression box and
// the chosen radio button (off, include, exclude).
struct TNameFilterControls
{
    std::string Text;
    bool RegEx = false;
    uint8_t Mode = TTextFilter::ModeOff;
};

TNameFilterControls NameFilterControlsOf(const TTextFilter& filter);

// The close check of the name filter. An empty text means the default mask "*" as a
// wildcard list. While the filter is off a mask that does not parse keeps the filter's
// previous mask. On success the filter takes the controls and historyText names the text
// for the top of the mask history (empty: none); false leaves `filter` untouched.
bool CommitNameFilter(const TNameFilterControls& controls, TTextFilter& filter, std::string& historyText);

// "Invalid filter mask!" with the examples of the filter's kind, from the given text domain.
std::string InvalidMaskText(const char* domain, bool regEx);

// A size edit: the text shown for a value is read back only when the user changed it,
// so an untouched 1500 B stays 1500 and does not become what "1.46 kB" reads as.
class TSizeField
{
public:
    void Show(int64_t value);
    const std::string& Shown() const { return shown; }
    // The value of the edit's text; false when a changed text is no size.
    bool Read(const std::string& text, int64_t& value) const;

private:
    int64_t value = 0;
    std::string shown;
};

// What the time-slot controls show: the chosen mode, the two pickers (date and time
// of day) and the number of days.
struct TDateWindowControls
{
    uint8_t Mode = TimeModeAny;
    double From = 0; // FromDate: from-date with the time of day
    double To = 0;   // ToDate
    int32_t Days = 1;
};

TDateWindowControls DateWindowControlsOf(const TDateFilter& date);

// Writes the controls back: the values the mode uses go into the window and into the
// remembered record; the dates and the time of day the mode does not use come from the
// remembered record.
void CommitDateWindow(const TDateWindowControls& controls, TDateFilter& date, TDateFilter& remembered);

// Attribute tri-states from the two boxes of each attribute: "only" wins over "not".
uint8_t AttributeStateOf(bool only, bool notSet);
