#pragma once

#include <functional>
#include <string>
#include <vector>

// A most-recently-used list of texts kept in an INI section ("History0", "History1", ...).
// The Qt side (ui/HistoryMenu.h) shows the entries as menu items; it hooks in through
// the two virtual operations around every change.
class THistoryList
{
public:
    THistoryList();
    virtual ~THistoryList();
    THistoryList(const THistoryList&) = delete;
    THistoryList& operator=(const THistoryList&) = delete;

    const std::vector<std::string>& Items() const { return items; }
    int Count() const { return static_cast<int>(items.size()); }
    const std::string& operator[](int index) const { return items.at(static_cast<std::size_t>(index)); }
    int IndexOf(const std::string& text) const;

    int MaxItems() const { return maxItems; }
    // Values outside 1 to 100 are ignored; entries beyond the new maximum are dropped.
    void SetMaxItems(int value);

    void AddItem(const std::string& text);
    void RemoveItem(const std::string& text);
    void Clear();

    // A list kept equal to the history behind its first fixedCount items (nullptr: none).
    void SetLinkedList(std::vector<std::string>* list, int fixedCount);

    // Entries are radio items; the checked one is CurrentItem.
    bool RadioItems = false;
    std::string CurrentItem;
    // Fired with the entry chosen from the menu.
    std::function<void(THistoryList& sender, const std::string& item)> OnSelect;

    // False when the file could not be written.
    bool SaveToIni(const std::string& fileName, const std::string& section, bool erase);
    void LoadFromIni(const std::string& fileName, const std::string& section);

protected:
    // Called before and after every change of the entries.
    virtual void RemoveMenuEntries() {}
    virtual void BuildMenuEntries() {}

private:
    template <typename Change> void Modify(Change change);
    void UpdateLinkedList();

    std::vector<std::string> items;
    int maxItems = 15;
    std::vector<std::string>* linkedList = nullptr;
    int linkedFixedCount = 0;
};

// Caption of menu entry index (0-based): "&" + hexadecimal number from 1 + " " + entry.
std::string HistoryMenuCaption(int index, const std::string& entry);
// The 0-based entry index a caption stands for; -1 when its number is below 1 or missing.
int HistoryIndexFromCaption(const std::string& caption);
