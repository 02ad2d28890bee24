#pragma once

// A list to choose one or several items from, optionally with buttons to insert,
// change, remove and move items. Created once at start-up.

#include "foundation/DialogChecks.h"
#include "foundation/MessageDialogs.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

class TSelectFromListDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TSelectFromListDialog(QWidget* parent = nullptr);

    // selection: the item to select first; on OK the chosen item (items joined by "|" in
    // multi-select mode, empty when none). With the edit buttons the list takes the
    // edited items on OK. cut: items are cut at this character on OK (0: not cut).
    bool Execute(TScreenPoint position, const std::string& caption, std::string& selection,
                 std::vector<std::string>& list, char cut = 0, int columns = 1, bool multiSelect = false,
                 bool showMoveButtons = false, bool showEditButtons = false, const std::string& description = {});

    // The button steps (the insert and change prompts ask through InputText).
    void InsertClick();
    void EditClick();
    void DeleteClick();
    void UpClick();
    void DownClick();

    QListWidget* StringList() const { return lbxStringList; }
    QPushButton* InsertButton() const { return btnInsert; }
    QPushButton* EditButton() const { return btnEdit; }
    QPushButton* DeleteButton() const { return btnDelete; }
    QPushButton* UpButton() const { return btnUp; }
    QPushButton* DownButton() const { return btnDown; }
    // Asks for an item text; replaced by tests.
    std::function<bool(const std::string& caption, std::string& text)> AskItem;

private:
    TListEditRules Rules() const;
    void Show(const TListEditRules& rules);
    void DoubleClicked();

    QListWidget* lbxStringList;
    QLabel* description;
    QPushButton* btnInsert;
    QPushButton* btnEdit;
    QPushButton* btnDelete;
    QPushButton* btnUp;
    QPushButton* btnDown;
    bool editButtons = false;
};
