#include "foundation/TextFilter.h"

#include "foundation/CodePoints.h"
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

bool TTextFilter::MatchesAnyMask(const std::string& name)
{
    if (FMaskItems.empty() || FParsedMask != Mask) {
        FMaskItems.clear();
        std::string_view rest = Mask;
        do {
            try {
                FMaskItems.emplace_back(TWildcardMask(NextItem(rest)));
            } catch (const EMaskError&) {
                FMaskItems.emplace_back(std::nullopt);
            }
        } while (!rest.empty());
        FParsedMask = Mask;
    }
    const std::u32string chars = ToCodePoints(name);
    for (const auto& item : FMaskItems) {
        if (item && item->Matches(chars)) {
            return true;
        }
    }
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
