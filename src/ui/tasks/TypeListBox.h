#pragma once

#include "tasks/TypeListEditor.h"

#include <QGroupBox>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// What the type-list controls need from the task editor.
struct TTypeListBoxHost
{
    // The source entry chosen in the editor; nullptr when none is.
    std::function<TExtensionList*()> SelectedEntry;
    // After Apply: scan the entry again, mark the task modified and show the entry.
    std::function<void(TExtensionList& entry)> EntryChanged;
    // Asks for a list name; false on Cancel.
    std::function<bool(std::string& name)> AskName;
    // File dialogs for ".but" files (Windows path text); false on Cancel.
    std::function<bool(const std::string& suggestedName, std::string& file)> ChooseSaveFile;
    std::function<bool(std::string& file)> ChooseOpenFile;
    std::string ProgramText = "Tessaro";
    std::string FileVersion;
};

// The named file-type lists of the editor's "File types" page.
class TTypeListBox : public QGroupBox
{
    Q_OBJECT
public:
    TTypeListBox(TNamedTypeLists& lists, const TDateFilter& defaults, QWidget* parent = nullptr);

    TTypeListBoxHost Host;
    TTypeListEditor Editor;

    // Fills the list of names anew (after the settings were read).
    void Reload();
    void FilterListeChange();
    void NeuFilterBtnClick();
    void UpdateFilterBtnClick();
    void UseFilterClick();
    void DelFilterClick();
    void LoadFilterBtnClick();
    void SaveFilterBtnClick();

    QComboBox* FilterListe = nullptr;
    QListWidget* TypenListe = nullptr;
    QLabel* FilterTyp = nullptr;
    QPushButton* NeuFilterBtn = nullptr;
    QPushButton* UpdateFilterBtn = nullptr;
    QPushButton* UseFilter = nullptr;
    QPushButton* DelFilter = nullptr;
    QPushButton* LoadFilterBtn = nullptr;
    QPushButton* SaveFilterBtn = nullptr;

private:
    void ShowChosen();
    TNamedTypeLists& lists;
};
