#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/WindowPlacement.h"

#include "foundation/FileUtils.h"
#include "foundation/IniFile.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "foundation/WinServices.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int PathRole = Qt::UserRole + 1;
constexpr int FilledRole = Qt::UserRole + 2;

QString Dlg(const char* msgid)
{
    return QStr(TrDialogs(msgid));
}

std::string Fill(const char* msgid, const std::string& value)
{
    return ReplaceText(TrDialogs(msgid), "%s", value);
}

// What a person sees of a Windows path: the host path when the drive table knows it.
QString HostText(const std::string& winPath)
{
    return QStr(Platform::WinToHost(winPath).value_or(winPath));
}

// What the path field holds, as Windows text: a host path is converted, anything else kept.
std::string WinText(const QString& shown)
{
    std::string text = TrimText(shown.toStdString());
    if (!text.empty() && text[0] == '/') {
        return Platform::HostToWin(text).value_or(text);
    }
    return text;
}

std::string ItemPath(const QTreeWidgetItem* item)
{
    return item ? item->data(0, PathRole).toString().toStdString() : std::string();
}

bool SamePath(const std::string& a, const std::string& b)
{
    return RemovePathDelimiter(a) == RemovePathDelimiter(b);
}

bool PathBelow(const std::string& path, const std::string& folder)
{
    const std::string base = AddPathDelimiter(folder);
    return SamePath(path, folder) || (path.size() > base.size() && path.compare(0, base.size(), base) == 0);
}

} // namespace

TShellDirDialog::TShellDirDialog(QWidget* parent)
    : QDialog(parent), ShellTreeView(new QTreeWidget(this)), PanelRight(new QWidget(this)),
      ShellListView(new QListWidget(PanelRight)), cbxSelectedDir(new QComboBox(this)),
      cbxFiles(new QCheckBox(Dlg("Show files"), this)), upBtn(new QToolButton(this)), homeBtn(new QToolButton(this)),
      newBtn(new QToolButton(this)), btbOK(new QPushButton(Dlg("OK"), this)),
      btbCancel(new QPushButton(Dlg("Cancel"), this)), popup(new QMenu(this))
{
    setWindowTitle(Dlg("Select directory"));
    ShellTreeView->setHeaderHidden(true);
    ShellTreeView->setMinimumSize(320, 360);
    ShellTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    ShellListView->setMinimumWidth(240);
    cbxSelectedDir->setEditable(true);
    cbxSelectedDir->setInsertPolicy(QComboBox::NoInsert);
    cbxSelectedDir->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbxSelectedDir->setMinimumContentsLength(30);

    upBtn->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    upBtn->setToolTip(Dlg("One folder up"));
    homeBtn->setIcon(style()->standardIcon(QStyle::SP_DirHomeIcon));
    newBtn->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
    newBtn->setToolTip(Dlg("Create new folder"));

    auto* rootRow = new QHBoxLayout;
    const std::pair<const char*, TShellRoot> roots[] = {{TrNoopDialogs("Desktop"), TShellRoot::Desktop},
                                                        {TrNoopDialogs("My files"), TShellRoot::Documents},
                                                        {TrNoopDialogs("My Computer"), TShellRoot::Computer},
                                                        {TrNoopDialogs("Network"), TShellRoot::Network}};
    for (const auto& [caption, kind] : roots) {
        const TShellRoot value = kind; // a copy: clang cannot capture a structured binding
        auto* button = new QPushButton(Dlg(caption), this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, value] { SetRoot(value); });
        rootRow->addWidget(button);
    }
    rootRow->addStretch();
    for (QToolButton* button : {upBtn, homeBtn, newBtn}) {
        rootRow->addWidget(button);
    }

    auto* rightLayout = new QVBoxLayout(PanelRight);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(ShellListView);
    auto* panels = new QHBoxLayout;
    panels->addWidget(ShellTreeView, 1);
    panels->addWidget(PanelRight, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cbxFiles);
    bottom->addStretch();
    bottom->addWidget(btbOK);
    bottom->addWidget(btbCancel);
    btbOK->setDefault(true);
    btbCancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rootRow);
    layout->addLayout(panels, 1);
    layout->addWidget(cbxSelectedDir);
    layout->addLayout(bottom);

    popup->addAction(Dlg("&Create folder"), this, &TShellDirDialog::CreateFolderClick);
    popup->addAction(Dlg("&Delete folder"), this, &TShellDirDialog::DeleteFolderClick);
    popup->addAction(Dlg("&Update"), this, &TShellDirDialog::UpdateClick);
    popup->addSeparator();
    popup->addAction(Dlg("&Cancel"));

    connect(ShellTreeView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { FillChildren(item); });
    connect(ShellTreeView, &QTreeWidget::currentItemChanged, this, [this] { SelectionChanged(); });
    connect(ShellTreeView, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popup->exec(ShellTreeView->viewport()->mapToGlobal(at)); });
    connect(upBtn, &QToolButton::clicked, this, &TShellDirDialog::UpClick);
    connect(homeBtn, &QToolButton::clicked, this, &TShellDirDialog::HomeClick);
    connect(newBtn, &QToolButton::clicked, this, &TShellDirDialog::CreateFolderClick);
    connect(cbxFiles, &QCheckBox::toggled, this, &TShellDirDialog::ShowFiles);
    connect(btbOK, &QPushButton::clicked, this, &TShellDirDialog::OkClick);
    connect(btbCancel, &QPushButton::clicked, this, &QDialog::reject);
    PanelRight->hide();
}

TShellDirDialog::~TShellDirDialog()
{
    SaveToIni();
}

bool TShellDirDialog::Execute(const std::string& caption, bool hidden, std::string& folder,
                              const std::string& defaultFolder)
{
    setWindowTitle(QStr(caption.empty() ? TrDialogs("Select directory") : caption));
    defaultDir = defaultFolder;
    showHidden = hidden;
    const TFolderStart start =
        ChooseStartFolder(folder, defaultFolder, GetSpecialFolder(CSIDL_PERSONAL), Platform::GetCurrentDir());
    root = start.Root;
    BuildTree();
    SelectFolder(start.Folder);
    cbxSelectedDir->setEditText(HostText(start.Folder));
    PanelRight->setVisible(cbxFiles->isChecked());
    TOwnedWhileOpen owned(*this, OwnerWindow(*this));
    owner = owned.Owner();
    const int result = exec();
    owner = nullptr;
    if (result != QDialog::Accepted) {
        return false;
    }
    folder = WinText(cbxSelectedDir->currentText());
    return true;
}

void TShellDirDialog::LoadFromIni(const std::string& fileName, const std::string& section)
{
    iniFile = fileName;
    iniSection = section;
    history.Clear();
    if (fileName.empty() || section.empty()) {
        return;
    }
    TIniFile ini(fileName);
    history.Read(ini, section);
    // Without a remembered position the chooser opens over the window that asks.
    positionRemembered = ini.ValueExists(section, "Left") && ini.ValueExists(section, "Top");
    if (positionRemembered) {
        move(ini.ReadInteger(section, "Left", x()), ini.ReadInteger(section, "Top", y()));
    }
    cbxFiles->setChecked(ini.ReadBool(section, "Fileview", false));
}

void TShellDirDialog::SaveToIni()
{
    if (iniFile.empty() || iniSection.empty()) {
        return;
    }
    TIniFile ini(iniFile);
    ini.EraseSection(iniSection);
    history.Write(ini, iniSection);
    ini.WriteInteger(iniSection, "Top", y());
    ini.WriteInteger(iniSection, "Left", x());
    ini.WriteBool(iniSection, "Fileview", cbxFiles->isChecked());
    ini.UpdateFile();
}

std::string TShellDirDialog::SelectedFolder() const
{
    return ItemPath(ShellTreeView->currentItem());
}

void TShellDirDialog::BuildTree()
{
    ShellTreeView->clear();
    for (const std::string& folder : RootFolders(root)) {
        if (!folder.empty()) {
            AddFolderItem(nullptr, folder, HostText(folder));
        }
    }
    if (ShellTreeView->topLevelItemCount() == 1) {
        ShellTreeView->topLevelItem(0)->setExpanded(true);
    }
}

QTreeWidgetItem* TShellDirDialog::AddFolderItem(QTreeWidgetItem* parent, const std::string& folder,
                                                const QString& label)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(ShellTreeView);
    item->setText(0, label);
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    item->setData(0, PathRole, QStr(folder));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void TShellDirDialog::FillChildren(QTreeWidgetItem* item)
{
    if (item->data(0, FilledRole).toBool()) {
        return;
    }
    item->setData(0, FilledRole, true);
    const std::string folder = ItemPath(item);
    for (const std::string& name : ListSubfolders(folder, showHidden)) {
        AddFolderItem(item, AddPathDelimiter(folder) + name, QStr(Platform::WinNameToHost(name)));
    }
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* TShellDirDialog::FindItem(const std::string& folder)
{
    QTreeWidgetItem* best = nullptr;
    for (int i = 0; i < ShellTreeView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = ShellTreeView->topLevelItem(i);
        if (PathBelow(folder, ItemPath(top)) && (!best || ItemPath(top).size() > ItemPath(best).size())) {
            best = top;
        }
    }
    while (best && !SamePath(ItemPath(best), folder)) {
        FillChildren(best);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < best->childCount() && !next; ++i) {
            if (PathBelow(folder, ItemPath(best->child(i)))) {
                next = best->child(i);
            }
        }
        if (!next) {
            break;
        }
        best->setExpanded(true);
        best = next;
    }
    return best;
}

void TShellDirDialog::SelectFolder(const std::string& folder)
{
    if (QTreeWidgetItem* item = FindItem(folder)) {
        ShellTreeView->setCurrentItem(item);
        item->setExpanded(true);
        ShellTreeView->scrollToItem(item);
    }
}

void TShellDirDialog::SetRoot(TShellRoot value)
{
    root = value;
    BuildTree();
    if (ShellTreeView->topLevelItemCount() > 0) {
        ShellTreeView->setCurrentItem(ShellTreeView->topLevelItem(0));
    }
}

void TShellDirDialog::SelectionChanged()
{
    const std::string folder = SelectedFolder();
    btbOK->setEnabled(!folder.empty() && Platform::DirectoryExists(folder));
    if (folder.empty()) {
        return;
    }
    const std::string target = FolderShortcutTarget(folder);
    cbxSelectedDir->setEditText(HostText(target.empty() ? folder : target));
    if (PanelRight->isVisible()) {
        FillFileList(folder);
    }
}

void TShellDirDialog::FillFileList(const std::string& folder)
{
    ShellListView->clear();
    for (const std::string& name : ListFiles(folder, showHidden)) {
        ShellListView->addItem(QStr(Platform::WinNameToHost(name)));
    }
}

void TShellDirDialog::OkClick()
{
    const std::string chosen = WinText(cbxSelectedDir->currentText());
    history.Add(chosen); // newest first, so that the choice outlives the limit
    accept();
}

void TShellDirDialog::UpClick()
{
    QTreeWidgetItem* item = ShellTreeView->currentItem();
    if (!item || !item->parent()) {
        const std::string parent = ParentFolder(SelectedFolder());
        SetRoot(TShellRoot::Computer);
        if (!parent.empty()) {
            SelectFolder(parent);
        }
        return;
    }
    ShellTreeView->setCurrentItem(item->parent());
    ShellTreeView->scrollToItem(item->parent());
}

void TShellDirDialog::HomeClick()
{
    const bool exists = !defaultDir.empty() && Platform::DirectoryExists(defaultDir);
    switch (HomeButtonAction(defaultDir, exists, root)) {
    case THomeAction::RootAtFolder:
        ShellTreeView->clear();
        ShellTreeView->setCurrentItem(AddFolderItem(nullptr, defaultDir, HostText(defaultDir)));
        ShellTreeView->topLevelItem(0)->setExpanded(true);
        break;
    case THomeAction::SelectFolder:
        SetRoot(TShellRoot::Computer);
        SelectFolder(defaultDir);
        break;
    case THomeAction::FolderNotFound:
        MessageDialog(windowTitle().toStdString(),
                      Fill(TrNoopDialogs("Directory not found:\r\n%s!"), HostText(defaultDir).toStdString()),
                      TMsgDlgType::Error, MbOk);
        history.Remove(defaultDir);
        break;
    }
}

void TShellDirDialog::CreateFolderClick()
{
    const std::string parent = SelectedFolder();
    if (parent.empty()) {
        return;
    }
    std::string name;
    const QPoint at = mapToGlobal(QPoint(40, 60));
    if (!InputText({at.x(), at.y()}, HostText(parent).toStdString(), TrDialogs("New subdirectory:"), name)) {
        return;
    }
    std::string created;
    switch (CreateSubfolder(parent, name, created)) {
    case TNewFolderResult::Created:
        if (root != TShellRoot::Computer) {
            SetRoot(TShellRoot::Computer);
        } else if (QTreeWidgetItem* item = FindItem(parent)) {
            qDeleteAll(item->takeChildren());
            item->setData(0, FilledRole, false);
        }
        SelectFolder(created);
        break;
    case TNewFolderResult::Failed:
        ErrorDialog(windowTitle().toStdString(),
                    Fill(TrNoopDialogs("Could not create directory:\r\n%s!"), HostText(created).toStdString()));
        break;
    case TNewFolderResult::Refused:
        break;
    }
}

void TShellDirDialog::DeleteFolderClick()
{
    QTreeWidgetItem* item = ShellTreeView->currentItem();
    const std::string folder = ItemPath(item);
    if (folder.empty() || !item->parent()) {
        return;
    }
    if (CountFiles(folder, true) > 0 &&
        !ConfirmDialog(windowTitle().toStdString(), TrDialogs("Directory is not empty, delete anyway?"))) {
        return;
    }
    QTreeWidgetItem* parent = item->parent();
    ShellTreeView->setCurrentItem(parent);
    if (!DeleteFolderWithContents(folder)) {
        ErrorDialog(windowTitle().toStdString(),
                    Fill(TrNoopDialogs("Error deleting directory:\r\n%s!"), HostText(folder).toStdString()));
    }
    UpdateClick();
}

void TShellDirDialog::UpdateClick()
{
    QTreeWidgetItem* item = ShellTreeView->currentItem();
    if (!item) {
        return;
    }
    const bool open = item->isExpanded();
    qDeleteAll(item->takeChildren());
    item->setData(0, FilledRole, false);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    FillChildren(item);
    item->setExpanded(open);
    SelectionChanged();
}

void TShellDirDialog::ShowFiles(bool on)
{
    const int panel = PanelRight->sizeHint().width();
    PanelRight->setVisible(on);
    if (on) {
        FillFileList(SelectedFolder());
        resize(width() + panel, height());
    } else {
        resize(std::max(minimumSizeHint().width(), width() - panel), height());
    }
}

void TShellDirDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Placed once its size is final: where it was remembered, else over the window that asks.
    if (positionRemembered) {
        KeepOnScreen(*this);
    } else {
        CentreOnOwner(*this, owner);
    }
    homeBtn->setVisible(!defaultDir.empty());
    homeBtn->setToolTip(Dlg("Go to default folder") + "\n" + QStr(TrDialogs("Default: ")) + HostText(defaultDir));
    if (QTreeWidgetItem* item = ShellTreeView->currentItem()) {
        ShellTreeView->scrollToItem(item);
    }
    ShellTreeView->setFocus();
}

void TShellDirDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        UpdateClick();
        return;
    }
    QDialog::keyPressEvent(event);
}
