#include "foundation/TextFilter.h"

#include "foundation/Mask.h"
#include "foundation/Translate.h"

#include <string_view>

namespace {

constexpr const char* ProbeName = "xyz";

// Cuts the next item off a "|"-separated list; items are not trimmed.
std::string NextItem(std::string_view& list)
{
    const auto bar = list.find('|');
    std::string item(list.substr(0, bar));
    list = bar == std::string_view::npos ? std::string_view{} : list.substr(bar + 1);
    return item;
}

} // namespace

std::string TTextFilter::DefaultMask() const
{
    return IsRegEx ? "." : "*";
}

std::string TTextFilter::GetMask() const
{
    return IsRegEx ? Expression() : Mask;
}

void TTextFilter::SetMask(const std::string& text)
{
    if (IsRegEx) {
        if (text.empty()) {
            SetExpression(".");
            return;
        }
        SetExpression(text);
        try {
            Exec(ProbeName);
        } catch (const std::exception&) {
            SetExpression(".");
            throw EFilterError(TrUnits("Illegal regular expression!"));
        }
        return;
    }
    if (text.empty()) {
        Mask = "*";
        return;
    }
    Mask = text;
    std::string_view rest = Mask;
    try {
        do {
            MatchesMask(ProbeName, NextItem(rest));
        } while (!rest.empty());
    } catch (const EMaskError&) {
        Mask = "*";
        throw EFilterError(TrUnits("Illegal mask!"));
    }
}

bool TTextFilter::MatchesAnyMask(const std::string& name) const
{
    std::string_view rest = Mask;
    do {
        try {
            if (MatchesMask(name, NextItem(rest))) {
                return true;
            }
        } catch (const EMaskError&) {
            // An item that became invalid simply does not match.
        }
    } while (!rest.empty());
    return false;
}

bool TTextFilter::Match(const std::string& name)
{
    if (Mode == ModeOff) {
        return true;
    }
    const bool matched = IsRegEx ? Exec(name) : MatchesAnyMask(name);
    return Mode == ModeExclude ? !matched : matched;
}
