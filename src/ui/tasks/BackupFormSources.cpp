// The task editor's sources: the folder tree, the task's source lines, their file types
// and subfolders.

#include "ui/tasks/BackupForm.h"

#include "foundation/MessageDialogs.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/DirScan.h"
#include "tasks/OptionRules.h"
#include "tasks/Placeholders.h"
#include "ui/foundation/QtMessageDialogs.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/tasks/AutoTaskSheet.h"
#include "ui/tasks/BackupFormFolder.h"
#include "ui/tasks/BackupFormWidgets.h"
#include "ui/tasks/TaskOptionsBox.h"
#include "ui/tasks/TypeListBox.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

using namespace BackupFormWidgets;

namespace {

QString MarkText(int state)
{
    switch (state) {
    case DirExcluded:
        return QStringLiteral("[-]");
    case DirPartly:
        return QStringLiteral("[~]");
    default:
        return QStringLiteral("[+]");
    }
}

Qt::CheckState MarkCheck(int state)
{
    switch (state) {
    case DirExcluded:
        return Qt::Unchecked;
    case DirPartly:
        return Qt::PartiallyChecked;
    default:
        return Qt::Checked;
    }
}

// The bytes of a type, kept in the size cell for its gauge.
constexpr int GaugeRole = Qt::UserRole + 2;

// Draws the size gauge in the size column: a small box, red above 1 MiB, else green,
// with a yellow level that rises with the bytes.
class TSizeGaugeDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QVariant bytes = index.data(GaugeRole);
        if (!bytes.isValid()) {
            return;
        }
        const TSizeGauge gauge = SizeGaugeOf(bytes.toLongLong());
        const QRect box(option.rect.left() + 2, option.rect.top() + 2, 6, 12);
        painter->save();
        painter->fillRect(box, gauge.Red ? Qt::red : Qt::green);
        if (gauge.Level > 0) {
            painter->fillRect(QRect(box.left() + 1, box.bottom() - gauge.Level, 4, gauge.Level), Qt::yellow);
        }
        painter->setPen(Qt::black);
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

} // namespace

QWidget* TBackupForm::BuildSourcePage()
{
    tsDirs = Named(new QWidget, "tsDirs");
    auto* box = new QVBoxLayout(tsDirs);
    ShellTreeView = Named(new QTreeWidget(tsDirs), "ShellTreeView");
    ShellTreeView->setHeaderHidden(true);
    ShellTreeView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ShellTreeView->setDragEnabled(true);
    itmAdd = Named(new QAction(Tr("&Add"), ShellTreeView), "itmAdd");
    Update2 = Named(new QAction(Tr("&Update"), ShellTreeView), "Update2");
    ShellTreeView->addActions({itmAdd, Update2});
    ShellTreeView->setContextMenuPolicy(Qt::ActionsContextMenu);
    box->addWidget(ShellTreeView, 1);
    auto* row = new QHBoxLayout;
    edFolder = Named(new QLineEdit(tsDirs), "edFolder");
    PhPathBtn = SpeedButton(tsDirs, "PhPathBtn", "%", "Insert placeholder");
    btFolder = SpeedButton(tsDirs, "btFolder", "..", "Select directory to backup");
    row->addWidget(edFolder, 1);
    row->addWidget(PhPathBtn);
    row->addWidget(btFolder);
    box->addLayout(row);
    AddBtn = Named(new QPushButton(Tr("Add"), tsDirs), "AddBtn");
    AddBtn->setToolTip(Tr("Add directory to task"));
    box->addWidget(AddBtn);
    return tsDirs;
}

QWidget* TBackupForm::BuildTypesPage()
{
    tsTypes = Named(new QWidget, "tsTypes");
    auto* grid = new QGridLayout(tsTypes);
    IncludeRB = Named(new QRadioButton(Tr("Include"), tsTypes), "IncludeRB");
    ExcludeRB = Named(new QRadioButton(Tr("Exclude"), tsTypes), "ExcludeRB");
    IncludeSG = Named(new QTableWidget(tsTypes), "IncludeSG");
    ExcludeSG = Named(new QTableWidget(tsTypes), "ExcludeSG");
    for (QTableWidget* table : {IncludeSG, ExcludeSG}) {
        table->setColumnCount(3);
        table->verticalHeader()->hide();
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->horizontalHeader()->setStretchLastSection(true);
        table->setItemDelegateForColumn(2, new TSizeGaugeDelegate(table));
        ClearTypeGrid(table);
    }
    auto* moves = new QVBoxLayout;
    AnBtn = SpeedButton(tsTypes, "AnBtn", "<", "Include selected types");
    AlleAnBtn = SpeedButton(tsTypes, "AlleAnBtn", "<<", "Include all types");
    AusBtn = SpeedButton(tsTypes, "AusBtn", ">", "Exclude selected types");
    AlleAusBtn = SpeedButton(tsTypes, "AlleAusBtn", ">>", "Exclude all types");
    moves->addStretch(1);
    for (QToolButton* button : {AnBtn, AlleAnBtn, AusBtn, AlleAusBtn}) {
        moves->addWidget(button);
    }
    moves->addStretch(1);
    IncludeSumme = Named(new QLabel(tsTypes), "IncludeSumme");
    ExcludeSumme = Named(new QLabel(tsTypes), "ExcludeSumme");
    ExtFilterBtn = Named(new QPushButton(Tr("Filter"), tsTypes), "ExtFilterBtn");
    FilterTextLabel = Named(new QLabel(tsTypes), "FilterText");
    TimeTextLabel = Named(new QLabel(tsTypes), "TimeText");
    grid->addWidget(IncludeRB, 0, 0);
    grid->addWidget(ExcludeRB, 0, 2);
    grid->addWidget(IncludeSG, 1, 0);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(ExcludeSG, 1, 2);
    grid->addWidget(IncludeSumme, 2, 0);
    grid->addWidget(ExcludeSumme, 2, 2);
    auto* filters = new QHBoxLayout;
    filters->addWidget(ExtFilterBtn);
    filters->addWidget(new QLabel(Tr("Names:"), tsTypes));
    filters->addWidget(FilterTextLabel, 1);
    filters->addWidget(new QLabel(Tr("Files:"), tsTypes));
    filters->addWidget(TimeTextLabel, 1);
    grid->addLayout(filters, 3, 0, 1, 3);
    return tsTypes;
}

QWidget* TBackupForm::BuildSubDirPage()
{
    tsSubDir = Named(new QWidget, "tsSubDir");
    auto* row = new QHBoxLayout(tsSubDir);
    DirTreeView = Named(new QTreeWidget(tsSubDir), "DirTreeView");
    DirTreeView->setHeaderHidden(true);
    row->addWidget(DirTreeView, 3);
    auto* masks = new QVBoxLayout;
    masks->addWidget(new QLabel(Tr("Directory masks:"), tsSubDir));
    VerzFilterList = Named(new QListWidget(tsSubDir), "VerzFilterList");
    VerzFilterList->setSelectionMode(QAbstractItemView::MultiSelection);
    masks->addWidget(VerzFilterList, 1);
    VerzUseBtn = Named(new QPushButton(Tr("Apply"), tsSubDir), "VerzUseBtn");
    VerzRemBtn = Named(new QPushButton(Tr("Remove"), tsSubDir), "VerzRemBtn");
    VerzFilterBtn = Named(new QPushButton(Tr("Edit"), tsSubDir), "VerzFilterBtn");
    masks->addWidget(VerzUseBtn);
    masks->addWidget(VerzRemBtn);
    masks->addWidget(VerzFilterBtn);
    row->addLayout(masks, 2);
    return tsSubDir;
}

void TBackupForm::ShowSourceLines()
{
    const bool wasUpdating = Updating;
    Updating = true;
    SelectedDirBox->clear();
    for (size_t i = 0; i < Editor.Task.Sources.size(); ++i) {
        SelectedDirBox->addItem(QString());
    }
    FitSourceLines();
    Updating = wasUpdating;
}

void TBackupForm::FitSourceLines()
{
    const QFontMetrics metrics(SelectedDirBox->font());
    const auto width = [&metrics](const std::string& text) { return metrics.horizontalAdvance(QStr(text)); };
    // A hidden list has no width yet: its lines stay whole until it is shown.
    const int room = SelectedDirBox->isVisible() ? SelectedDirBox->viewport()->width() - 6 : 0;
    const int count = std::min(SelectedDirBox->count(), static_cast<int>(Editor.Task.Sources.size()));
    for (int row = 0; row < count; ++row) {
        TExtensionList shown = Editor.Task.Sources[static_cast<size_t>(row)];
        shown.SourceDir = ShownPath(shown.SourceDir);
        const std::string full = SourceLineText(shown);
        const std::string fitted = room > 0 ? FittedSourceLine(shown, width, room) : full;
        QListWidgetItem* item = SelectedDirBox->item(row);
        item->setText(QStr(fitted));
        // A cut line shows itself whole as its hint.
        item->setToolTip(fitted == full ? QString() : QStr(full));
    }
}

void TBackupForm::ClearTypeGrid(QTableWidget* grid)
{
    grid->clearContents();
    grid->setRowCount(0);
    grid->setHorizontalHeaderLabels({Tr("Type"), Tr("Count"), Tr("Size")});
    grid->setColumnWidth(0, 75);
    grid->setColumnWidth(1, 50);
}

void TBackupForm::FillTypeGrid(QTableWidget* grid, const TTypeList& list)
{
    const int remembered = grid->currentRow();
    ClearTypeGrid(grid);
    grid->setRowCount(list.Count());
    for (int row = 0; row < list.Count(); ++row) {
        const TTypeList::Item& item = list[row];
        grid->setItem(row, 0, new QTableWidgetItem(QStr(item.Type)));
        auto* count = new QTableWidgetItem(QString::number(item.Counter.Count));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, 1, count);
        auto* size = new QTableWidgetItem(QStr(SizeToText(item.Counter.Size) + "  "));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        size->setData(GaugeRole, QVariant::fromValue<qlonglong>(item.Counter.Size));
        grid->setItem(row, 2, size);
    }
    if (list.Count() > 0) {
        grid->setCurrentCell(remembered >= 0 && remembered < list.Count() ? remembered : list.Count() - 1, 0);
    }
}

void TBackupForm::ClearSourceList()
{
    SelectedDirBox->clear();
    SelectedDirBox->setSortingEnabled(false);
    Editor.SortedSources = false;
    SortBtn->setChecked(false);
}

int TBackupForm::SelectedIndex() const
{
    const int row = SelectedDirBox->currentRow();
    return row >= 0 && row < static_cast<int>(Editor.Task.Sources.size()) ? row : -1;
}

TExtensionList* TBackupForm::SelectedEntry()
{
    const int index = SelectedIndex();
    return index < 0 ? nullptr : &Editor.Task.Sources[static_cast<size_t>(index)];
}

void TBackupForm::SelectEntry(int index)
{
    const bool wasUpdating = Updating;
    Updating = true;
    SelectedDirBox->setCurrentRow(index);
    Updating = wasUpdating;
    Editor.SelectedEntry = SelectedIndex();
    ShowEntry(true);
    FollowEntryInShellTree();
}

void TBackupForm::FillShellTree()
{
    ShellTreeView->clear();
    for (const Platform::TDriveEntry& drive : Platform::DriveTable()) {
        if (drive.Name.size() == 2 || drive.FromEnvironment) {
            ShellTreeView->addTopLevelItem(FolderItem(QStr(drive.HostDir), AddPathDelimiter(drive.Name)));
        }
    }
}

void TBackupForm::ShowShellFolder(const std::string& folder, bool quiet)
{
    if (folder.empty()) {
        ShellTreeView->clearSelection();
        ShellTreeView->scrollToTop();
        return;
    }
    const std::string target = AnsiUpperCase(AddPathDelimiter(folder));
    const auto covers = [&target](const QTreeWidgetItem* item) {
        const QVariant path = item->data(0, PathRole);
        if (path.isNull()) {
            return std::string(); // the placeholder of a folder not listed yet
        }
        const std::string prefix = AnsiUpperCase(AddPathDelimiter(path.toString().toStdString()));
        return target.rfind(prefix, 0) == 0 ? prefix : std::string();
    };
    QTreeWidgetItem* found = nullptr;
    size_t best = 0;
    for (int i = 0; i < ShellTreeView->topLevelItemCount(); ++i) {
        const std::string prefix = covers(ShellTreeView->topLevelItem(i));
        if (prefix.size() > best) {
            best = prefix.size();
            found = ShellTreeView->topLevelItem(i);
        }
    }
    while (found && best < target.size()) {
        ShellTreeView->expandItem(found); // lists its folders
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < found->childCount() && !next; ++i) {
            const std::string prefix = covers(found->child(i));
            if (prefix.size() > best) {
                best = prefix.size();
                next = found->child(i);
            }
        }
        if (!next) {
            break;
        }
        found = next;
    }
    if (!found) {
        return;
    }
    const QSignalBlocker blocker(quiet ? ShellTreeView : nullptr);
    ShellTreeView->setCurrentItem(found);
    ShellTreeView->scrollToItem(found);
}

void TBackupForm::WatchDrive(const std::string& folder)
{
    const std::string drive = Platform::ExtractFileDrive(folder);
    const std::optional<std::string> host = drive.empty() ? std::nullopt : Platform::WinToHost(drive + "\\");
    if (!DriveWatcher) {
        DriveWatcher = new QFileSystemWatcher(this);
        connect(DriveWatcher, &QFileSystemWatcher::directoryChanged, this, &TBackupForm::DriveChanged);
    }
    const QStringList watched = DriveWatcher->directories();
    if (host && watched == QStringList{QStr(*host)}) {
        return;
    }
    if (!watched.isEmpty()) {
        DriveWatcher->removePaths(watched);
    }
    if (host) {
        DriveWatcher->addPath(QStr(*host));
    }
}

void TBackupForm::DriveChanged(const QString& hostDir)
{
    const std::optional<std::string> win = Platform::HostToWin(hostDir.toStdString());
    if (!win) {
        return;
    }
    const std::string root = AnsiUpperCase(AddPathDelimiter(*win));
    for (int i = 0; i < ShellTreeView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ShellTreeView->topLevelItem(i);
        const std::string path = AnsiUpperCase(AddPathDelimiter(item->data(0, PathRole).toString().toStdString()));
        if (path != root || item->childCount() == 0 || item->child(0)->data(0, PathRole).isNull()) {
            continue; // another drive, or its folders are not listed yet
        }
        // Listed again the next time it opens; open now when it was open.
        const bool open = item->isExpanded();
        ShellTreeView->collapseItem(item);
        qDeleteAll(item->takeChildren());
        item->addChild(new QTreeWidgetItem(QStringList{QString::fromLatin1(NotListed)}));
        if (open) {
            ShellTreeView->expandItem(item);
        }
    }
}

void TBackupForm::ShellTreeViewChange()
{
    const QList<QTreeWidgetItem*> selected = ShellTreeView->selectedItems();
    if (selected.size() == 1) {
        const std::string path = selected.first()->data(0, PathRole).toString().toStdString();
        edFolder->setText(QStr(ShownPath(path)));
        AddBtn->setEnabled(Platform::DirectoryExists(path));
    } else if (selected.size() > 1) {
        edFolder->setText(
            QStr(ReplaceText(TrDefault("%u directories selected"), "%u", std::to_string(selected.size()))));
        AddBtn->setEnabled(true);
    }
}

std::vector<std::string> TBackupForm::SelectedTreeFolders() const
{
    std::vector<std::string> folders;
    for (QTreeWidgetItemIterator it(ShellTreeView, QTreeWidgetItemIterator::Selected); *it; ++it) {
        const std::string path = (*it)->data(0, PathRole).toString().toStdString();
        if (Platform::DirectoryExists(path)) {
            folders.push_back(path);
        }
    }
    return folders;
}

void TBackupForm::AddBtnClick()
{
    if (ShellTreeView->selectedItems().size() < 2) {
        AddSourceDir(StoredPath(edFolder->text().toStdString()));
    } else {
        // The folder field names the count then, so a single folder is added by its path.
        const std::vector<std::string> folders = SelectedTreeFolders();
        const std::string question =
            ReplaceText(TrDefault("Add %u directories to task?"), "%u", std::to_string(folders.size()));
        if (folders.size() == 1) {
            AddSourceDir(folders.front());
        } else if (folders.size() > 1 && ConfirmDialogAt({}, question, ControlBottomRight(AddBtn, {20, 10}))) {
            for (const std::string& folder : folders) {
                AddSourceDir(folder);
            }
        }
        ShellTreeView->clearSelection();
    }
    if (!Editor.Settings.Narrow) {
        ShellTreeView->setFocus();
    }
}

void TBackupForm::AddDirBtnClick()
{
    std::string folder = FolderFieldFolder();
    if (ChooseFolder(TrDefault("Select directory to backup"), folder) && AddSourceDir(folder)) {
        edFolder->setText(QStr(ShownPath(folder)));
    }
}

bool TBackupForm::AddSourceDir(const std::string& folder)
{
    TBackupTask& task = Editor.Task;
    const TAddDecision decision = CheckNewSource(task, folder, SelectedIndex() >= 0);
    FilterBtn->setEnabled(true);
    const TScreenPoint belowAdd = ControlBottomLeft(AddBtn);
    if (decision.Check == TAddCheck::SeveralDrives) {
        ErrorDialogAt({}, SeveralSourceDrivesText(), belowAdd);
        return false;
    }
    if (decision.Check == TAddCheck::Overlaps &&
        !ConfirmDialogAt({}, OverlapQuestion(task, ShownPath(decision.Expanded), decision.OverlapIndex), belowAdd)) {
        return false;
    }
    TExtensionList entry(Editor.TaskEnv.DefaultDate);
    entry.SourceDir = folder;
    entry.ExpandedDir = decision.Expanded;
    if (!ScanSourceEntry(entry, task.UseArch)) {
        return false;
    }
    const int index = Editor.AddSource(entry);
    ShowSourceLines();
    IncludeSG->setCurrentCell(0, 0);
    ExcludeSG->setCurrentCell(0, 0);
    SelectEntry(index);
    if (!SourcesOnOneDrive(task, {}, true)) {
        ErrorDialogAt({}, SeveralSourceDrivesText(), belowAdd);
        DestRBClick(task.IsZipDestination() ? DestZipPerDirectory : DestDrivesSeparated);
    }
    if (LimitToLayout(task)) {
        const bool wasUpdating = Updating;
        Updating = true;
        ShowMethod();
        TaskOptions->ShowTask();
        Updating = wasUpdating;
    }
    Editor.Task.Modified = true;
    UpdateOptionControls();
    return true;
}

void TBackupForm::DropNames(const QStringList& hostPaths)
{
    raise();
    activateWindow();
    for (const QString& host : hostPaths) {
        AddSourceDir(StoredPath(host.toStdString()));
    }
}

void TBackupForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TBackupForm::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void TBackupForm::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    DropNames(paths);
    event->acceptProposedAction();
}

void TBackupForm::RemBtnClick()
{
    const int index = SelectedIndex();
    if (index < 0) {
        return;
    }
    TBackupTask& task = Editor.Task;
    task.Sources.erase(task.Sources.begin() + index);
    ShowSourceLines();
    if (task.Sources.empty()) {
        ClearTypeGrid(IncludeSG);
        ClearTypeGrid(ExcludeSG);
        DirTreeView->clear();
        SelectEntry(-1);
    } else {
        SelectEntry(std::min(index, static_cast<int>(task.Sources.size()) - 1));
    }
    if (!SourcesOnOneDrive(task, {}, !task.Sources.empty())) {
        ErrorDialogAt({}, SeveralSourceDrivesText(), CenteredPoint);
    }
    Editor.Task.Modified = true;
    UpdateOptionControls();
}

void TBackupForm::UpBtnClick()
{
    const int index = SelectedIndex();
    if (Editor.Task.Sources.size() < 2 || index <= 0) {
        return;
    }
    std::swap(Editor.Task.Sources[static_cast<size_t>(index)], Editor.Task.Sources[static_cast<size_t>(index - 1)]);
    ShowSourceLines();
    SelectEntry(index - 1);
    Modified();
}

void TBackupForm::DownBtnClick()
{
    const int index = SelectedIndex();
    const int count = static_cast<int>(Editor.Task.Sources.size());
    if (count < 2 || index < 0 || index >= count - 1) {
        return;
    }
    std::swap(Editor.Task.Sources[static_cast<size_t>(index)], Editor.Task.Sources[static_cast<size_t>(index) + 1]);
    ShowSourceLines();
    SelectEntry(index + 1);
    Modified();
}

void TBackupForm::SortBtnClick()
{
    Editor.SelectedEntry = SelectedIndex();
    Editor.SortSources(SortBtn->isChecked());
    // A list too short to sort leaves the button up.
    SortBtn->setChecked(Editor.SortedSources);
    if (Editor.SortedSources) {
        ShowSourceLines();
        SelectEntry(Editor.SelectedEntry);
        Modified();
    }
}

void TBackupForm::SelectedDirBoxClick()
{
    if (Updating) {
        return;
    }
    Editor.SelectedEntry = SelectedIndex();
    ShowEntry(true);
    FollowEntryInShellTree();
}

void TBackupForm::FollowEntryInShellTree()
{
    if (PageControl->currentWidget() != tsDirs) {
        return;
    }
    const TExtensionList* entry = SelectedEntry();
    ShowShellFolder(entry ? entry->ExpandedDir : std::string(), true);
}

void TBackupForm::ShowEntry(bool rescan)
{
    const bool wasUpdating = Updating;
    Updating = true;
    TExtensionList* entry = SelectedEntry();
    if (!entry) {
        DirTreeView->clear();
        Updating = wasUpdating;
        return;
    }
    if (rescan && entry->NeedsScan && ScanSourceEntry(*entry, Editor.Task.UseArch)) {
        entry->NeedsScan = false;
    }
    WatchDrive(entry->ExpandedDir);
    ShowDirMasks(*entry);
    FillDirTree();
    FilterTextLabel->setText(QStr(FilterText(*entry)));
    TimeTextLabel->setText(QStr(TimeText(*entry)));
    TimeTextLabel->setToolTip(QStr(TrDefault("Files: ") + TimeText(*entry)));
    const bool byList = entry->ExtFilter.Mode == TTextFilter::ModeOff;
    for (QWidget* widget :
         {static_cast<QWidget*>(IncludeRB), static_cast<QWidget*>(ExcludeRB), static_cast<QWidget*>(AnBtn),
          static_cast<QWidget*>(AusBtn), static_cast<QWidget*>(AlleAnBtn), static_cast<QWidget*>(AlleAusBtn)}) {
        widget->setEnabled(byList);
    }
    const bool include = byList ? entry->Mode == TypeModeInclude : entry->ExtFilter.Mode == TTextFilter::ModeInclude;
    IncludeRB->setChecked(include);
    ExcludeRB->setChecked(!include);
    FillTypeGrid(IncludeSG, entry->IncludeList);
    FillTypeGrid(ExcludeSG, entry->ExcludeList);
    ShowTaskSummary();
    Updating = wasUpdating;
}

void TBackupForm::ShowTaskSummary()
{
    const TTaskSummary summary = TaskSummaryTexts(Editor.Task, SelectedIndex());
    if (SelectedIndex() < 0) {
        return;
    }
    lblSum->setText(QStr(summary.Sum));
    IncludeSumme->setText(QStr(summary.IncludeSum));
    ExcludeSumme->setText(QStr(summary.ExcludeSum));
}

void TBackupForm::MoveTypes(bool toInclude, bool all)
{
    TExtensionList* entry = SelectedEntry();
    if (!entry || entry->ExtFilter.Mode != TTextFilter::ModeOff) {
        return;
    }
    QTableWidget* grid = toInclude ? ExcludeSG : IncludeSG;
    TTypeList& from = toInclude ? entry->ExcludeList : entry->IncludeList;
    TTypeList& to = toInclude ? entry->IncludeList : entry->ExcludeList;
    std::vector<int> rows;
    for (int row = 0; row < from.Count(); ++row) {
        if (all || grid->item(row, 0)->isSelected()) {
            rows.push_back(row);
        }
    }
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const TTypeList::Item item = from[*it];
        const int index = to.Add(item.Type);
        to[index].Counter = item.Counter;
        from.Delete(*it);
        int32_t& toCount = toInclude ? entry->FileCount : entry->SelCount;
        int64_t& toBytes = toInclude ? entry->ByteCount : entry->SelBytes;
        int32_t& fromCount = toInclude ? entry->SelCount : entry->FileCount;
        int64_t& fromBytes = toInclude ? entry->SelBytes : entry->ByteCount;
        toCount += item.Counter.Count;
        toBytes += item.Counter.Size;
        fromCount -= item.Counter.Count;
        fromBytes -= item.Counter.Size;
    }
    if (!rows.empty()) {
        Modified();
    }
    ShowEntry(false);
}

void TBackupForm::AnBtnClick()
{
    MoveTypes(true, false);
}

void TBackupForm::AusBtnClick()
{
    MoveTypes(false, false);
}

void TBackupForm::AlleAnBtnClick()
{
    MoveTypes(true, true);
}

void TBackupForm::AlleAusBtnClick()
{
    MoveTypes(false, true);
}

void TBackupForm::IncludeRBClick()
{
    if (TExtensionList* entry = SelectedEntry()) {
        entry->Mode = IncludeRB->isChecked() ? TypeModeInclude : TypeModeExclude;
        Modified();
    }
}

void TBackupForm::FillDirNode(QTreeWidgetItem* item, TDirNode& node)
{
    item->setText(0, node.Parent ? QStr(Platform::WinNameToHost(node.Name)) : QStr(ShownPath(node.Name)));
    item->setCheckState(0, MarkCheck(node.State));
    item->setData(0, PathRole, QVariant::fromValue(static_cast<void*>(&node)));
    item->setToolTip(0, MarkText(node.State));
    if (!node.Expanded) {
        if (item->childCount() == 0) {
            item->addChild(new QTreeWidgetItem(QStringList{QString::fromLatin1(NotListed)}));
        }
        return;
    }
    while (item->childCount() > static_cast<int>(node.Children.size())) {
        delete item->takeChild(item->childCount() - 1);
    }
    for (size_t i = 0; i < node.Children.size(); ++i) {
        QTreeWidgetItem* child =
            static_cast<int>(i) < item->childCount() ? item->child(static_cast<int>(i)) : new QTreeWidgetItem(item);
        FillDirNode(child, *node.Children[i]);
    }
}

void TBackupForm::FillDirTree()
{
    DirTreeView->clear();
    const TExtensionList* entry = SelectedEntry();
    if (!entry) {
        return;
    }
    SubDirTree.Build(*entry);
    const bool wasUpdating = Updating;
    Updating = true;
    auto* root = new QTreeWidgetItem(DirTreeView);
    FillDirNode(root, SubDirTree.Root);
    Updating = wasUpdating;
}

void TBackupForm::DirTreeViewExpanding(QTreeWidgetItem* item)
{
    TExtensionList* entry = SelectedEntry();
    auto* node = static_cast<TDirNode*>(item->data(0, PathRole).value<void*>());
    if (!entry || !node || node->Expanded) {
        return;
    }
    SubDirTree.Expand(*node, *entry);
    const bool wasUpdating = Updating;
    Updating = true;
    delete item->takeChild(0);
    FillDirNode(item, *node);
    Updating = wasUpdating;
}

void TBackupForm::DirTreeViewClick(QTreeWidgetItem* item)
{
    TExtensionList* entry = SelectedEntry();
    auto* node = static_cast<TDirNode*>(item->data(0, PathRole).value<void*>());
    if (!entry || !node || Updating) {
        return;
    }
    SubDirTree.Click(*node, *entry);
    Updating = true;
    FillDirNode(DirTreeView->topLevelItem(0), SubDirTree.Root);
    Updating = false;
    RefreshEntryLine();
    SubDirsChanged = true;
    Editor.Task.Modified = true;
}

void TBackupForm::RefreshEntryLine()
{
    FitSourceLines();
}

void TBackupForm::ShowDirMasks(TExtensionList& entry)
{
    const std::vector<std::string>& masks = Editor.Task.DirMasks;
    // Masks that left the list are dropped from the entry; the others are shown chosen.
    const size_t before = entry.DirFilters.size();
    std::erase_if(entry.DirFilters, [&masks](const std::string& mask) {
        return std::find(masks.begin(), masks.end(), mask) == masks.end();
    });
    if (entry.DirFilters.size() != before) {
        UnapplyDirMasks(entry);
        ApplyDirMasks(entry);
    }
    VerzFilterList->clear();
    for (const std::string& mask : masks) {
        auto* item = new QListWidgetItem(QStr(mask), VerzFilterList);
        item->setSelected(std::find(entry.DirFilters.begin(), entry.DirFilters.end(), mask) != entry.DirFilters.end());
    }
}

void TBackupForm::VerzUseBtnClick()
{
    TExtensionList* entry = SelectedEntry();
    if (!entry) {
        return;
    }
    UnapplyDirMasks(*entry);
    entry->DirFilters.clear();
    const bool none = VerzFilterList->selectedItems().isEmpty();
    for (int row = 0; row < VerzFilterList->count(); ++row) {
        if (none || VerzFilterList->item(row)->isSelected()) {
            entry->DirFilters.push_back(VerzFilterList->item(row)->text().toStdString());
        }
    }
    ApplyDirMasks(*entry);
    FillDirTree();
    RefreshEntryLine();
    SubDirsChanged = true;
    Editor.Task.Modified = true;
}

void TBackupForm::VerzRemBtnClick()
{
    TExtensionList* entry = SelectedEntry();
    if (!entry) {
        return;
    }
    UnapplyDirMasks(*entry);
    entry->DirFilters.clear();
    FillDirTree();
    RefreshEntryLine();
    SubDirsChanged = true;
    Editor.Task.Modified = true;
}

void TBackupForm::VerzFilterBtnClick()
{
    std::vector<std::string> masks = Editor.Task.DirMasks;
    const QListWidgetItem* current = VerzFilterList->currentItem();
    std::string selection = current ? current->text().toStdString() : std::string();
    if (!ListDialog().Execute(CenteredPoint, TrDefault("Mask for directory selection"), selection, masks, 0, 1, false,
                              false, true, TrDefault("Mask expression"))) {
        return;
    }
    std::erase_if(masks, [](const std::string& mask) { return TrimText(mask).empty(); });
    Editor.Task.DirMasks = masks;
    Editor.Task.Modified = true;
    if (TExtensionList* entry = SelectedEntry()) {
        ShowDirMasks(*entry);
    } else {
        VerzFilterList->clear();
        for (const std::string& mask : masks) {
            VerzFilterList->addItem(QStr(mask));
        }
    }
}

void TBackupForm::BUPageControlChange(int)
{
    if (!SubDirsChanged || BUPageControl->currentWidget() == tsSubDir) {
        return;
    }
    SubDirsChanged = false;
    if (TExtensionList* entry = SelectedEntry()) {
        ScanSourceEntry(*entry, Editor.Task.UseArch);
        ShowEntry(false);
    }
}

void TBackupForm::UpdateItemClick()
{
    if (PageControl->currentWidget() == tsDirs) {
        RefreshShellNode(ShellTreeView->currentItem());
    }
    for (TExtensionList& entry : Editor.Task.Sources) {
        if (entry.NeedsScan && ScanSourceEntry(entry, Editor.Task.UseArch)) {
            entry.NeedsScan = false;
        }
    }
    ShowEntry(false);
}

void TBackupForm::RefreshShellNode(QTreeWidgetItem* item)
{
    if (!item) {
        return;
    }
    const bool expanded = item->isExpanded();
    item->setExpanded(false);
    qDeleteAll(item->takeChildren());
    item->addChild(new QTreeWidgetItem(QStringList{QString::fromLatin1(NotListed)}));
    // Expanding lists the folder anew.
    item->setExpanded(expanded);
}

void TBackupForm::PageControlChange()
{
    QWidget* page = PageControl->currentWidget();
    if (page == tsDirs) {
        FollowEntryInShellTree();
        ShellTreeView->setFocus();
    } else if (page == tsAuto) {
        AutoTaskSheet->ShowAutoTask(AutoTaskSheet->CurrentSlot);
    } else if (page == TabSheet2) {
        TypeListBox->Host.ProgramText = Editor.ProductText;
        TypeListBox->Host.FileVersion = Editor.FileVersion;
        TypeListBox->Reload();
    }
}

// The window follows the mouse itself while lines are dragged from one view to the other:
// the views start no drag of their own, so the same happens on every platform.
bool TBackupForm::eventFilter(QObject* watched, QEvent* event)
{
    QAbstractItemView* view = watched == ShellTreeView->viewport()    ? static_cast<QAbstractItemView*>(ShellTreeView)
                              : watched == SelectedDirBox->viewport() ? SelectedDirBox
                                                                      : nullptr;
    const QEvent::Type type = event->type();
    if (!view ||
        (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint point = mouse->position().toPoint();
    const QPoint windowPoint = view->viewport()->mapTo(this, point);
    if (type == QEvent::MouseButtonPress) {
        DragView = mouse->button() == Qt::LeftButton && view->indexAt(point).isValid() ? view : nullptr;
        DragStart = point;
        Dragging = false;
    } else if (type == QEvent::MouseMove && DragView == view && (mouse->buttons() & Qt::LeftButton)) {
        if (!Dragging && (point - DragStart).manhattanLength() >= QApplication::startDragDistance()) {
            Dragging = true;
            QGuiApplication::setOverrideCursor(Qt::ForbiddenCursor);
        }
        if (Dragging) {
            const bool takes = DropBetweenViews(view, windowPoint, false);
            QGuiApplication::changeOverrideCursor(takes ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
            return true;
        }
    } else if (type == QEvent::MouseButtonRelease && DragView == view) {
        DragView = nullptr;
        if (std::exchange(Dragging, false)) {
            QGuiApplication::restoreOverrideCursor();
            DropBetweenViews(view, windowPoint, true);
            // The view ends its press away from its lines, so that no line is chosen where
            // the mouse was let go.
            QMouseEvent away(QEvent::MouseButtonRelease, QPointF(-1, -1),
                             view->viewport()->mapToGlobal(QPointF(-1, -1)), mouse->button(), mouse->buttons(),
                             mouse->modifiers());
            QCoreApplication::sendEvent(watched, &away);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TBackupForm::DropBetweenViews(const QObject* source, const QPoint& windowPos, bool drop)
{
    const auto over = [this, &windowPos](const QWidget* view) {
        return view->isVisible() && view->rect().contains(view->mapFrom(this, windowPos));
    };
    const bool adds = source == ShellTreeView && over(SelectedDirBox);
    const bool removes = source == SelectedDirBox && over(ShellTreeView);
    if (drop && adds) {
        AddBtnClick();
    } else if (drop && removes) {
        RemBtnClick();
    }
    return adds || removes;
}
