#include "foundation/HistoryList.h"

#include "foundation/History.h"
#include "foundation/IniFile.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr char BlankMark = '?';

} // namespace

THistoryList::THistoryList() = default;

THistoryList::~THistoryList() = default;

template <typename Change> void THistoryList::Modify(Change change)
{
    RemoveMenuEntries();
    change();
    BuildMenuEntries();
    UpdateLinkedList();
}

int THistoryList::IndexOf(const std::string& text) const
{
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void THistoryList::SetMaxItems(int value)
{
    if (value < 1 || value > 100) {
        return;
    }
    Modify([&] {
        maxItems = value;
        if (static_cast<int>(items.size()) > maxItems) {
            items.resize(static_cast<std::size_t>(maxItems));
        }
    });
}

void THistoryList::AddItem(const std::string& text)
{
    if (text.empty()) {
        return;
    }
    Modify([&] {
        const int index = IndexOf(text);
        if (index >= 0) {
            items.erase(items.begin() + index);
        }
        items.insert(items.begin(), text);
        if (static_cast<int>(items.size()) > maxItems) {
            items.pop_back();
        }
    });
}

void THistoryList::RemoveItem(const std::string& text)
{
    const int index = IndexOf(text);
    if (index < 0) {
        return;
    }
    Modify([&] { items.erase(items.begin() + index); });
}

void THistoryList::Clear()
{
    Modify([&] { items.clear(); });
}

void THistoryList::SetLinkedList(std::vector<std::string>* list, int fixedCount)
{
    linkedList = list;
    linkedFixedCount = std::max(0, fixedCount);
    UpdateLinkedList();
}

void THistoryList::UpdateLinkedList()
{
    if (!linkedList) {
        return;
    }
    if (static_cast<int>(linkedList->size()) > linkedFixedCount) {
        linkedList->resize(static_cast<std::size_t>(linkedFixedCount));
    }
    linkedList->insert(linkedList->end(), items.begin(), items.end());
}

bool THistoryList::SaveToIni(const std::string& fileName, const std::string& section, bool erase)
{
    TIniFile ini(fileName);
    WriteHistoryKeys(ini, section, {}, items, erase, static_cast<int>(items.size()), BlankMark);
    return ini.UpdateFile() == 0;
}

void THistoryList::LoadFromIni(const std::string& fileName, const std::string& section)
{
    const TIniFile ini(fileName);
    std::vector<std::string> loaded = ReadHistoryKeys(ini, section, {}, maxItems, BlankMark);
    Modify([&] { items = std::move(loaded); });
}

std::string HistoryMenuCaption(int index, const std::string& entry)
{
    char number[16];
    std::snprintf(number, sizeof number, "&%x ", static_cast<unsigned>(index + 1));
    return number + entry;
}

int HistoryIndexFromCaption(const std::string& caption)
{
    const std::size_t amp = caption.find('&');
    if (amp == std::string::npos) {
        return -1;
    }
    const std::size_t blank = caption.find(' ', amp);
    const std::string digits = caption.substr(amp + 1, blank == std::string::npos ? blank : blank - amp - 1);
    if (digits.empty() || digits.size() > 7 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return -1;
    }
    const int number = std::stoi(digits, nullptr, 16);
    return number < 1 ? -1 : number - 1;
}
