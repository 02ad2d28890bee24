#include "foundation/DialogChecks.h"

#include "foundation/NumberEditText.h"
#include "foundation/NumberText.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"

#include <algorithm>
#include <cmath>

std::string LimitPassword(const std::string& password)
{
    if (password.size() <= MaxPasswordBytes) {
        return password;
    }
    std::size_t end = MaxPasswordBytes;
    while (end > 0 && (static_cast<unsigned char>(password[end]) & 0xC0) == 0x80) {
        --end;
    }
    return password.substr(0, end);
}

std::string CheckNewPassword(const std::string& password, const std::string& repeat, bool withRepeat, int minLength)
{
    if (!withRepeat) {
        return {};
    }
    if (password != repeat) {
        return TrDialogs("Passwords do not match!");
    }
    if (static_cast<int>(Utf8Length(password)) < minLength) {
        return ReplaceText(TrDialogs("Minimum length of password is %u character"), "%u", std::to_string(minLength));
    }
    return {};
}

std::string CheckNumberInput(const std::string& text, bool hex, int digits, int minimum, int maximum, int& value)
{
    int read = 0;
    if (!UpDownValue(text, hex, read)) {
        return TrDialogs("Error: Invalid input");
    }
    if (read < minimum || read > maximum) {
        const std::string range = UpDownText(minimum, hex, digits) + " .. " + UpDownText(maximum, hex, digits);
        return ReplaceText(TrDialogs("Error: Out of Range (%s)"), "%s", range);
    }
    value = read;
    return {};
}

int CharTableCode(int row, int column)
{
    if (row < 1 || column < 1 || row > 16 || column > 16) {
        return 0;
    }
    return (row - 1) * 16 + (column - 1);
}

double MarginToCm(int margin)
{
    return margin / 100.0;
}

int MarginFromCm(double cm)
{
    return static_cast<int>(std::nearbyint(cm * 100.0));
}

void TListEditRules::Insert(const std::string& text)
{
    Items.push_back(text);
    Selected = static_cast<int>(Items.size()) - 1;
}

bool TListEditRules::Change(const std::string& text)
{
    if (!HasSelection()) {
        return false;
    }
    Items[static_cast<size_t>(Selected)] = text;
    return true;
}

bool TListEditRules::Remove()
{
    if (!HasSelection()) {
        return false;
    }
    Items.erase(Items.begin() + Selected);
    Selected = std::min(Selected, static_cast<int>(Items.size()) - 1);
    return true;
}

bool TListEditRules::MoveUp()
{
    if (!HasSelection() || Selected == 0) {
        return false;
    }
    std::swap(Items[static_cast<size_t>(Selected)], Items[static_cast<size_t>(Selected - 1)]);
    --Selected;
    return true;
}

bool TListEditRules::MoveDown()
{
    if (!HasSelection() || Selected + 1 >= static_cast<int>(Items.size())) {
        return false;
    }
    std::swap(Items[static_cast<size_t>(Selected)], Items[static_cast<size_t>(Selected) + 1]);
    ++Selected;
    return true;
}

std::string CutItem(const std::string& item, char cut)
{
    if (cut == 0) {
        return item;
    }
    return item.substr(0, item.find(cut));
}

std::string SelectionText(const std::vector<std::string>& items, const std::vector<int>& selected, bool multiSelect,
                          char cut)
{
    std::string text;
    for (int index : selected) {
        if (index < 0 || index >= static_cast<int>(items.size())) {
            continue;
        }
        if (!text.empty()) {
            text += '|';
        }
        text += CutItem(items[static_cast<size_t>(index)], cut);
        if (!multiSelect) {
            break;
        }
    }
    return text;
}

std::vector<int> SelectedIndexes(const std::vector<std::string>& items, const std::string& selection, bool multiSelect)
{
    std::vector<std::string> wanted{selection};
    if (multiSelect) {
        wanted.clear();
        std::string rest = selection;
        while (!rest.empty()) {
            wanted.push_back(ReadNextItem(rest, '|'));
        }
    }
    std::vector<int> indexes;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!selection.empty() && std::find(wanted.begin(), wanted.end(), items[i]) != wanted.end()) {
            indexes.push_back(static_cast<int>(i));
            if (!multiSelect) {
                break;
            }
        }
    }
    return indexes;
}
