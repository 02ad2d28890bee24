#include "tasks/FilterRules.h"

#include "foundation/NumberText.h"
#include "foundation/Translate.h"
#include "tasks/IniValues.h"

#include <cmath>
#include <string_view>

TNameFilterControls NameFilterControlsOf(const TTextFilter& filter)
{
    TNameFilterControls controls;
    controls.Text = filter.GetMask();
    controls.RegEx = filter.IsRegEx;
    controls.Mode = filter.Mode == TTextFilter::ModeInclude || filter.Mode == TTextFilter::ModeExclude
                        ? filter.Mode
                        : TTextFilter::ModeOff;
    return controls;
}

bool CommitNameFilter(const TNameFilterControls& controls, TTextFilter& filter, std::string& historyText)
{
    historyText.clear();
    TTextFilter scratch;
    CopyTextFilter(filter, scratch);
    std::string text = controls.Text;
    scratch.IsRegEx = !text.empty() && controls.RegEx;
    if (text.empty()) {
        text = scratch.DefaultMask();
    }
    scratch.Mode = controls.Mode;
    try {
        scratch.SetMask(text);
    } catch (const EFilterError&) {
        if (controls.Mode != TTextFilter::ModeOff) {
            return false;
        }
        // An unused mask that does not parse is not worth an error: keep the old one.
        const uint8_t mode = scratch.Mode;
        CopyTextFilter(filter, scratch);
        scratch.Mode = mode;
    }
    if (controls.Mode != TTextFilter::ModeOff) {
        historyText = text;
    }
    CopyTextFilter(scratch, filter);
    return true;
}

std::string InvalidMaskText(const char* domain, bool regEx)
{
    // The filter box serves the task editor and the filter dialog, so both catalogues carry these.
    const bool dialogs = std::string_view(domain) == DomainDialogs;
    const char* invalid = dialogs ? TrNoopDialogs("Invalid filter mask!") : TrNoopDefault("Invalid filter mask!");
    const char* example =
        dialogs ? TrNoopDialogs("Should look like %s or %s") : TrNoopDefault("Should look like %s or %s");
    std::string text = Tr(domain, invalid) + "\r\n" + Tr(domain, example);
    text = FormatText(text, regEx ? "\\D" : "*");
    return FormatText(text, regEx ? "A+[bc]." : "[ab]*");
}

void TSizeField::Show(int64_t bytes)
{
    value = bytes;
    shown = SizeToText(bytes);
}

bool TSizeField::Read(const std::string& text, int64_t& result) const
{
    if (text == shown) {
        result = value;
        return true;
    }
    return TextToSize(text, result);
}

TDateWindowControls DateWindowControlsOf(const TDateFilter& date)
{
    TDateWindowControls controls;
    controls.Mode = date.TimeMode <= TimeModeLastDays ? date.TimeMode : uint8_t{TimeModeAny};
    controls.From = std::floor(date.DateFrom) + (date.DayTime - std::floor(date.DayTime));
    controls.To = std::floor(date.DateTo);
    controls.Days = date.Days > 0 ? date.Days : 1;
    return controls;
}

void CommitDateWindow(const TDateWindowControls& controls, TDateFilter& date, TDateFilter& remembered)
{
    const double fromDay = std::floor(controls.From);
    switch (controls.Mode) {
    case TimeModeFrom:
        remembered.DateFrom = fromDay;
        break;
    case TimeModeUntil:
        remembered.DateTo = std::floor(controls.To);
        break;
    case TimeModeBetween:
        remembered.DateFrom = fromDay;
        remembered.DateTo = std::floor(controls.To);
        break;
    case TimeModeSinceTime:
        remembered.DayTime = controls.From - fromDay;
        break;
    case TimeModeLastDays:
        remembered.Days = controls.Days;
        break;
    default:
        break;
    }
    date.TimeMode = controls.Mode <= TimeModeLastDays ? controls.Mode : uint8_t{TimeModeAny};
    date.DateFrom = remembered.DateFrom;
    date.DateTo = remembered.DateTo;
    date.DayTime = remembered.DayTime;
    if (controls.Mode == TimeModeLastDays) {
        date.Days = controls.Days;
    }
}

uint8_t AttributeStateOf(bool only, bool notSet)
{
    return only ? AttrRequired : notSet ? AttrExcluded : AttrIgnore;
}
