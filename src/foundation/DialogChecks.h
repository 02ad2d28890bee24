#pragma once

// The close checks and value conversions of the small common dialogs, apart from their
// windows: number input, new password, list editing, page margins, character table.

#include <cstdint>
#include <string>
#include <vector>

// The longest password the encryption accepts, in bytes.
inline constexpr std::size_t MaxPasswordBytes = 128;
// The password cut to MaxPasswordBytes without splitting a character.
std::string LimitPassword(const std::string& password);

// Empty when a new password may be taken: with the repeat field, both entries equal and at
// least minLength characters long; else the (translated) reason.
std::string CheckNewPassword(const std::string& password, const std::string& repeat, bool withRepeat, int minLength);

// Empty when text is an integer within minimum..maximum (then in value); else the
// translated error, the range written as the up-down shows numbers.
std::string CheckNumberInput(const std::string& text, bool hex, int digits, int minimum, int maximum, int& value);

// The character of a character-table cell (row and column counted from 1); 0 for the
// header row and column.
int CharTableCode(int row, int column);

// Page margins are kept in 0.1 mm and edited in centimetres.
double MarginToCm(int margin);
int MarginFromCm(double cm);

// The list editor of the selection dialog: insert, change, remove and move with the
// selected item following, and the result of the dialog.
class TListEditRules
{
public:
    std::vector<std::string> Items;
    int Selected = -1;

    void Insert(const std::string& text);
    // Each returns false and changes nothing without a selection or at the list's end.
    bool Change(const std::string& text);
    bool Remove();
    bool MoveUp();
    bool MoveDown();
    bool HasSelection() const { return Selected >= 0 && Selected < static_cast<int>(Items.size()); }
};

// The item up to the cut character (all of it when cut is 0 or not found).
std::string CutItem(const std::string& item, char cut);
// The dialog's selection: empty when nothing is selected, the selected items joined by "|"
// in multi-select mode, else the selected item; items cut at cut.
std::string SelectionText(const std::vector<std::string>& items, const std::vector<int>& selected, bool multiSelect,
                          char cut);
// Indexes of the items a selection names (each "|" part in multi-select mode).
std::vector<int> SelectedIndexes(const std::vector<std::string>& items, const std::string& selection, bool multiSelect);
