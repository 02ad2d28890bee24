#pragma once

#include "foundation/HistoryList.h"

#include <QComboBox>
#include <string>

// An editable combo box whose drop-down list is its own history, loaded from and saved to
// an INI section (when both IniFileName and IniSection are set).
class THistoryCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit THistoryCombo(QWidget* parent = nullptr);
    ~THistoryCombo() override;

    bool AutoUpdate = true;
    bool EraseSection = false;
    std::string IniFileName;
    std::string IniSection;

    int MaxItems() const { return history.MaxItems(); }
    void SetMaxItems(int value);
    THistoryList& History() { return history; }

    // To be called once the properties are set: loads the history when file and section are known.
    void Loaded();
    void LoadHistory(const std::string& fileName, const std::string& section);
    void AddItem(const std::string& text);
    // Saves now (the destructor saves as well); false when the file could not be written.
    bool SaveHistory();
    // The drop-down list becomes the history's entries; the edited text stays.
    void Refresh();

    std::string Text() const { return currentText().toStdString(); }
    void SetText(const std::string& text);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool HasIniPlace() const { return !IniFileName.empty() && !IniSection.empty(); }

    THistoryList history;
};
