#include "ui/tasks/TypeListBox.h"

#include "foundation/MessageDialogs.h"
#include "tasks/IniValues.h"
#include "ui/tasks/DialogTools.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QPushButton* ListButton(QWidget* parent, const char* caption, const char* hint)
{
    auto* button = new QPushButton(TrQ(caption), parent);
    button->setToolTip(TrQ(hint));
    return button;
}

} // namespace

TTypeListBox::TTypeListBox(TNamedTypeLists& lists_, const TDateFilter& defaults, QWidget* parent)
    : QGroupBox(TrQ("File type lists"), parent), Editor(lists_, defaults), lists(lists_)
{
    FilterListe = new QComboBox(this);
    TypenListe = new QListWidget(this);
    FilterTyp = new QLabel(this);
    NeuFilterBtn = ListButton(this, TrNoopDefault("New"), TrNoopDefault("Create new file type list"));
    UpdateFilterBtn = ListButton(this, TrNoopDefault("Update"), TrNoopDefault("Update file type list"));
    UseFilter = ListButton(this, TrNoopDefault("Apply"), TrNoopDefault("Apply file type list to selected directory"));
    DelFilter = ListButton(this, TrNoopDefault("Delete"), TrNoopDefault("Delete file type list"));
    LoadFilterBtn = ListButton(this, TrNoopDefault("Load"), TrNoopDefault("Load type list from file"));
    SaveFilterBtn = ListButton(this, TrNoopDefault("Save"), TrNoopDefault("Save type list to file"));
    auto* buttons = new QGridLayout;
    QPushButton* all[] = {NeuFilterBtn, UpdateFilterBtn, UseFilter, DelFilter, LoadFilterBtn, SaveFilterBtn};
    for (int i = 0; i < 6; ++i) {
        buttons->addWidget(all[i], i / 2, i % 2);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FilterListe);
    layout->addWidget(FilterTyp);
    layout->addWidget(TypenListe, 1);
    layout->addLayout(buttons);

    connect(FilterListe, &QComboBox::activated, this, &TTypeListBox::FilterListeChange);
    connect(NeuFilterBtn, &QPushButton::clicked, this, &TTypeListBox::NeuFilterBtnClick);
    connect(UpdateFilterBtn, &QPushButton::clicked, this, &TTypeListBox::UpdateFilterBtnClick);
    connect(UseFilter, &QPushButton::clicked, this, &TTypeListBox::UseFilterClick);
    connect(DelFilter, &QPushButton::clicked, this, &TTypeListBox::DelFilterClick);
    connect(LoadFilterBtn, &QPushButton::clicked, this, &TTypeListBox::LoadFilterBtnClick);
    connect(SaveFilterBtn, &QPushButton::clicked, this, &TTypeListBox::SaveFilterBtnClick);
    Reload();
}

void TTypeListBox::Reload()
{
    if (Editor.Current >= lists.Count()) {
        Editor.Current = -1;
    }
    ShowChosen();
}

void TTypeListBox::ShowChosen()
{
    const QSignalBlocker block(FilterListe);
    FilterListe->clear();
    for (int i = 0; i < lists.Count(); ++i) {
        FilterListe->addItem(QStr(lists[i].Name));
    }
    FilterListe->setCurrentIndex(Editor.Current);
    TypenListe->clear();
    for (const std::string& type : Editor.ShownTypes()) {
        TypenListe->addItem(QStr(type));
    }
    FilterTyp->setText(QStr(Editor.ModeText()));
}

void TTypeListBox::FilterListeChange()
{
    Editor.Current = FilterListe->currentIndex();
    ShowChosen();
}

void TTypeListBox::NeuFilterBtnClick()
{
    TExtensionList* entry = Host.SelectedEntry ? Host.SelectedEntry() : nullptr;
    std::string name;
    if (!entry || !Host.AskName || !Host.AskName(name)) {
        return;
    }
    Editor.New(name, *entry);
    ShowChosen();
}

void TTypeListBox::UpdateFilterBtnClick()
{
    TExtensionList* entry = Host.SelectedEntry ? Host.SelectedEntry() : nullptr;
    if (!entry) {
        return;
    }
    if (Editor.Current < 0) {
        NeuFilterBtnClick();
        return;
    }
    Editor.Update(*entry);
    ShowChosen();
}

void TTypeListBox::UseFilterClick()
{
    TExtensionList* entry = Host.SelectedEntry ? Host.SelectedEntry() : nullptr;
    if (entry && Editor.Apply(*entry) && Host.EntryChanged) {
        Host.EntryChanged(*entry);
    }
}

void TTypeListBox::DelFilterClick()
{
    if (lists.Count() == 0 || Editor.Current < 0) {
        return;
    }
    const std::string question = FormatText(TrDefault("Delete file type list:\r\n\"%s\"?"), lists[Editor.Current].Name);
    if (ConfirmDialog("", question)) {
        Editor.Delete();
    }
    ShowChosen();
}

void TTypeListBox::SaveFilterBtnClick()
{
    std::string file;
    if (Editor.Current < 0 || !Host.ChooseSaveFile || !Host.ChooseSaveFile(lists[Editor.Current].Name, file)) {
        return;
    }
    if (!Editor.Save(file, Host.ProgramText, Host.FileVersion)) {
        ErrorDialog("", FormatText(TrDefault("Cannot write the file %s!"), file));
    }
}

void TTypeListBox::LoadFilterBtnClick()
{
    std::string file;
    if (!Host.ChooseOpenFile || !Host.ChooseOpenFile(file)) {
        return;
    }
    Editor.Load(file, [] { return ConfirmDialog("", TrDefault("Overwrite existing type list?")); });
    ShowChosen();
}
