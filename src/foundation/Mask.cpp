#include "foundation/Mask.h"

#include "foundation/CodePoints.h"
#include "foundation/Translate.h"
#include "platform/Utf8.h"

#include <utility>
#include <vector>

namespace {

constexpr int MaxStars = 30;

using TMaskItem = TWildcardMask::TItem;
using TMaskItemKind = TWildcardMask::TItemKind;

[[noreturn]] void InvalidMask(const std::string& mask, std::size_t index)
{
    std::string text = TrUnits("'%s' is an invalid mask at (%d)");
    const std::string position = std::to_string(index + 1);
    if (const auto at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, mask);
    }
    if (const auto at = text.rfind("%d"); at != std::string::npos) {
        text.replace(at, 2, position);
    }
    throw EMaskError(text);
}

// The set starting after "[" at index; leaves index after its "]".
TMaskItem ParseSet(const std::string& mask, const std::u32string& chars, std::size_t& index)
{
    TMaskItem item{TMaskItemKind::Set};
    if (index < chars.size() && chars[index] == '!') {
        item.Negated = true;
        ++index;
    }
    bool empty = true;
    bool havePrevious = false;
    for (;;) {
        if (index >= chars.size()) {
            InvalidMask(mask, index);
        }
        const char32_t c = chars[index];
        if (c == ']') {
            if (empty) {
                InvalidMask(mask, index);
            }
            ++index;
            return item;
        }
        empty = false;
        if (c == '-') {
            // A range takes whatever follows as its end; a reversed range is empty.
            if (!havePrevious || index + 1 >= chars.size()) {
                InvalidMask(mask, index);
            }
            item.Ranges.back().second = chars[index + 1];
            index += 2;
            havePrevious = false;
            continue;
        }
        item.Ranges.emplace_back(c, c);
        havePrevious = true;
        ++index;
    }
}

std::vector<TMaskItem> ParseMask(const std::string& mask)
{
    const std::u32string chars = ToCodePoints(mask);
    std::vector<TMaskItem> items;
    int stars = 0;
    for (std::size_t index = 0; index < chars.size();) {
        const char32_t c = chars[index];
        if (c == '*') {
            if (++stars > MaxStars) {
                InvalidMask(mask, index);
            }
            ++index;
            if (items.empty() || items.back().Kind != TMaskItemKind::AnyRun) {
                items.push_back({TMaskItemKind::AnyRun});
            }
        } else if (c == '?') {
            items.push_back({TMaskItemKind::AnyChar});
            ++index;
        } else if (c == '[') {
            ++index;
            items.push_back(ParseSet(mask, chars, index));
        } else {
            items.push_back({TMaskItemKind::Literal, c});
            ++index;
        }
    }
    return items;
}

bool InRanges(const TMaskItem& item, char32_t c)
{
    for (const auto& [low, high] : item.Ranges) {
        if (c >= low && c <= high) {
            return true;
        }
    }
    return false;
}

bool MatchesOne(const TMaskItem& item, char32_t c)
{
    switch (item.Kind) {
    case TMaskItemKind::Literal:
        return SameIgnoringCase(item.Ch, c);
    case TMaskItemKind::AnyChar:
        return true;
    case TMaskItemKind::Set: {
        const bool found = InRanges(item, c) || InRanges(item, Platform::FoldCodePoint(c)) ||
                           InRanges(item, Platform::UpperCodePoint(c));
        return found != item.Negated;
    }
    case TMaskItemKind::AnyRun:
        break;
    }
    return false;
}

// Greedy match that returns to the last "*" on a mismatch; linear in practice.
bool MatchItems(const std::vector<TMaskItem>& items, const std::u32string& name)
{
    std::size_t item = 0, pos = 0;
    std::size_t starItem = std::string::npos, starPos = 0;
    while (pos < name.size()) {
        if (item < items.size() && items[item].Kind == TMaskItemKind::AnyRun) {
            starItem = item++;
            starPos = pos;
        } else if (item < items.size() && MatchesOne(items[item], name[pos])) {
            ++item;
            ++pos;
        } else if (starItem != std::string::npos) {
            item = starItem + 1;
            pos = ++starPos;
        } else {
            return false;
        }
    }
    while (item < items.size() && items[item].Kind == TMaskItemKind::AnyRun) {
        ++item;
    }
    return item == items.size();
}

} // namespace

TWildcardMask::TWildcardMask(const std::string& mask) : Items(ParseMask(mask))
{}

bool TWildcardMask::Matches(const std::u32string& name) const
{
    return MatchItems(Items, name);
}

bool MatchesMask(const std::string& name, const std::string& mask)
{
    return TWildcardMask(mask).Matches(ToCodePoints(name));
}
