#include "ui/tasks/BackupForm.h"

#include "foundation/CommaText.h"
#include "foundation/MessageDialogs.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/SysErrors.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/BackupWalk.h"
#include "tasks/DirScan.h"
#include "tasks/Placeholders.h"
#include "tasks/TaskFile.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/HistoryMenu.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/ShowtextDialog.h"
#include "ui/restore/RestoreDlg.h"
#include "ui/tasks/BackupFormFolder.h"
#include "ui/tasks/SuffixDlg.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

QString Tr(const char* msgid)
{
    return QStr(TrDefault(msgid));
}

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QToolButton* SpeedButton(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* button = Named(new QToolButton(parent), name);
    button->setText(Tr(caption));
    button->setToolTip(Tr(hint));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QAction* MenuItem(QMenu* menu, const char* name, const char* caption)
{
    QAction* action = menu->addAction(Tr(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// Role of the Windows path kept in the items of the folder trees.
constexpr int PathRole = Qt::UserRole + 1;
// The placeholder child of a tree item that was not expanded yet.
constexpr const char* NotListed = "...";

QTreeWidgetItem* FolderItem(const QString& text, const std::string& winPath)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, PathRole, QStr(winPath));
    item->addChild(new QTreeWidgetItem(QStringList{QString::fromLatin1(NotListed)}));
    return item;
}

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

// The program's shared dialog; where there is none (tests, screenshots) one of the
// window's own, made the first time it is needed.
template <typename T> T& SharedOrOwn(T* shared, T*& own, QWidget* parent)
{
    if (shared) {
        return *shared;
    }
    if (!own) {
        own = new T(parent);
    }
    return *own;
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

TBackupForm::TBackupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("BackupForm");
    setAcceptDrops(true);
    BuildLayout();
    ConnectHandlers();
    ConnectTaskDialogs();
    Editor.TaskHistory = TaskHistoryMenu;
    Editor.TaskHistory->SetMaxItems(15);
    Editor.Dialogs = this;
    // The checks repair a task through the program's registered dialogs (RunDialogs.h).
    Editor.TaskReplaced = [this] { ShowTask(); };
    Editor.ShowSummary = [this] { ShowTaskSummary(); };
    Editor.Supervision.OnMinimize = [this] { MinimizeApp(); };
    Editor.Auto.Host.ShowEditorModal = [this] { ShowModal(); };
    TaskHistoryMenu->OnSelect = [this](THistoryList&, const std::string& file) { LoadFromListClick(file); };
    BuModeCB->setCurrentIndex(0);
}

TBackupForm::~TBackupForm()
{
    Editor.TaskHistory = nullptr;
}

// ---- building --------------------------------------------------------------------------

void TBackupForm::BuildMenu()
{
    MainMenu = Named(new QMenuBar(this), "MainMenu");
    FileMenu = MainMenu->addMenu(Tr("&File"));
    NewTask = MenuItem(FileMenu, "NewTask", "&New");
    OpenTask = MenuItem(FileMenu, "OpenTask", "&Open ..");
    SaveTaskItem = MenuItem(FileMenu, "SaveTaskItem", "&Save");
    SaveTaskAsItem = MenuItem(FileMenu, "SaveTaskAsItem", "Save &as ..");
    FileMenu->addSeparator();
    Importieren = MenuItem(FileMenu, "Importieren", "&Import..");
    Exportieren = MenuItem(FileMenu, "Exportieren", "&Export ..");
    FileMenu->addSeparator();
    QMenu* recent = FileMenu->addMenu(Tr("&Recent tasks"));
    recent->setObjectName("TaskHistoryMenu");
    TaskHistoryMenu = new THistoryMenu(this);
    TaskHistoryMenu->SetMenu(recent);
    FileMenu->addSeparator();
    FileExitItem = MenuItem(FileMenu, "FileExitItem", "&Quit");

    OptionsMenu = MainMenu->addMenu(Tr("&Options"));
    BufferSizeItem = MenuItem(OptionsMenu, "BufferSizeItem", "&Buffer ..");
    PwdLengthItem = MenuItem(OptionsMenu, "PwdLengthItem", "&Password length ..");
    WaitDelayItem = MenuItem(OptionsMenu, "WaitDelayItem", "&Wait time after auto backup");
    InstantShowItem = MenuItem(OptionsMenu, "InstantShowItem", "&Instant task window update");
    InstantShowItem->setCheckable(true);
    ScanDirItem = MenuItem(OptionsMenu, "ScanDirItem", "Scan &directories");
    ScanDirItem->setCheckable(true);
    OptionsMenu->addSeparator();
    DefWindowItem = MenuItem(OptionsMenu, "DefWindowItem", "&Default window size");
    NarrowWindowItem = MenuItem(OptionsMenu, "NarrowWindowItem", "&Small window");
    NarrowWindowItem->setCheckable(true);
    ExtrasMenu = MainMenu->addMenu(Tr("E&xtras"));
    HelpMenu = MainMenu->addMenu(Tr("&Help"));
}

void TBackupForm::BuildToolbar(QWidget* bar)
{
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    NewTaskBtn = SpeedButton(bar, "NewTaskBtn", "New", "Create new task");
    LoadTaskBtn = SpeedButton(bar, "LoadTaskBtn", "Open", "Open backup task");
    LoadListBtn = SpeedButton(bar, "LoadListBtn", "\u25BE", "Recent used tasks");
    SaveTaskBtn = SpeedButton(bar, "SaveTaskBtn", "Save", "Save backup task");
    ImportBtn = SpeedButton(bar, "ImportBtn", "Import", "Import backup task");
    ExportBtn = SpeedButton(bar, "ExportBtn", "Export", "Export backup task");
    RestoreBtn = SpeedButton(bar, "RestoreBtn", "Restore", "Restore files");
    CleanUpBtn = SpeedButton(bar, "CleanUpBtn", "Clean up", "Clean up destination");
    ProtBtn = SpeedButton(bar, "ProtBtn", "Log", "Show log file");
    for (QToolButton* button :
         {NewTaskBtn, LoadTaskBtn, LoadListBtn, SaveTaskBtn, ImportBtn, ExportBtn, RestoreBtn, CleanUpBtn, ProtBtn}) {
        row->addWidget(button);
    }
    row->addStretch(1);
    StartBtn = Named(new QPushButton(Tr("Start"), bar), "StartBtn");
    StartBtn->setToolTip(Tr("Start backup"));
    ExitBtn = Named(new QPushButton(Tr("Quit"), bar), "ExitBtn");
    ExitBtn->setToolTip(Tr("Quit Tessaro"));
    row->addWidget(StartBtn);
    row->addWidget(ExitBtn);
}

QWidget* TBackupForm::BuildSourcePage()
{
    tsDirs = Named(new QWidget, "tsDirs");
    auto* box = new QVBoxLayout(tsDirs);
    ShellTreeView = Named(new QTreeWidget(tsDirs), "ShellTreeView");
    ShellTreeView->setHeaderHidden(true);
    ShellTreeView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ShellTreeView->setDragEnabled(true);
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

QWidget* TBackupForm::BuildOptionsPage()
{
    tsOptions = Named(new QWidget, "tsOptions");
    auto* grid = new QGridLayout(tsOptions);
    GroupBox5 = Named(new QGroupBox(Tr("Backup mode"), tsOptions), "GroupBox5");
    GroupBox5->setToolTip(Tr("Methode of backup"));
    auto* method = new QGridLayout(GroupBox5);
    BuModeCB = Named(new QComboBox(GroupBox5), "BuModeCB");
    BuModeCB->setToolTip(Tr("Select backup methode"));
    BuModeCB->addItems({Tr("copy"), Tr("full (new)"), Tr("differential"), Tr("incremental")});
    UseArchivCB = Named(new QCheckBox(Tr("use"), GroupBox5), "UseArchivCB");
    ResArchivCB = Named(new QCheckBox(Tr("reset"), GroupBox5), "ResArchivCB");
    method->addWidget(BuModeCB, 0, 0, 1, 3);
    method->addWidget(new QLabel(Tr("Archive bit:"), GroupBox5), 1, 0);
    method->addWidget(UseArchivCB, 1, 1);
    method->addWidget(ResArchivCB, 1, 2);
    grid->addWidget(GroupBox5, 0, 0);

    auto* compress = Named(new QGroupBox(Tr("&Compress"), tsOptions), "tsKomp");
    auto* comp = new QGridLayout(compress);
    comp->setVerticalSpacing(2);
    rbNoComp = Named(new QRadioButton(Tr("off"), compress), "rbNoComp");
    rbNoComp->setToolTip(Tr("No compression of files"));
    rbComp = Named(new QRadioButton(Tr("all files"), compress), "rbComp");
    rbComp->setToolTip(Tr("Compress all files except of types listed below"));
    TypBtn = Named(new QPushButton(Tr("except of:"), compress), "TypBtn");
    NoCompList = Named(new QLabel(compress), "NoCompList");
    NoCompList->setToolTip(Tr("File type not to compress"));
    NoCompList->setWordWrap(true);
    cbShellCopy = Named(new QCheckBox(Tr("Extended copy (includes file infos)"), compress), "cbShellCopy");
    comp->addWidget(rbNoComp, 0, 0);
    comp->addWidget(rbComp, 0, 1);
    comp->addWidget(TypBtn, 1, 0);
    comp->addWidget(NoCompList, 1, 1);
    comp->addWidget(cbShellCopy, 2, 0, 1, 2);
    grid->addWidget(compress, 0, 1);

    auto* security = Named(new QGroupBox(Tr("Security &backups"), tsOptions), "tsSecurity");
    security->setToolTip(Tr("Save a copy of recent files"));
    auto* sec = new QGridLayout(security);
    NoBakCB = Named(new QCheckBox(Tr("No security backups"), security), "NoBakCB");
    NoBakCB->setToolTip(Tr("Don't restore to recent version on errors"));
    KeepBakCB = Named(new QCheckBox(Tr("Save recent version of files"), security), "KeepBakCB");
    btnBakName = Named(new QPushButton(Tr("Name"), security), "btnBakName");
    sec->addWidget(NoBakCB, 0, 0);
    sec->addWidget(KeepBakCB, 1, 0);
    sec->addWidget(btnBakName, 2, 0, Qt::AlignLeft);
    sec->setVerticalSpacing(2);
    grid->addWidget(security, 1, 0);

    auto* other = new QGroupBox(Tr("Other"), tsOptions);
    auto* oth = new QVBoxLayout(other);
    oth->setSpacing(2);
    VerifyCB = Named(new QCheckBox(Tr("Verify copied files"), other), "VerifyCB");
    DeleteCB = Named(new QCheckBox(Tr("Delete source files after backup"), other), "DeleteCB");
    cbDelDir = Named(new QCheckBox(Tr("Delete empty directories at destination"), other), "cbDelDir");
    oth->addWidget(VerifyCB);
    oth->addWidget(DeleteCB);
    oth->addWidget(cbDelDir);
    grid->addWidget(other, 1, 1);
    grid->setRowStretch(2, 1);
    return tsOptions;
}

QWidget* TBackupForm::BuildDestination()
{
    auto* panel = Named(new QWidget, "DestPanel");
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    pcDest = Named(new QTabWidget(panel), "pcDest");
    tsWin = Named(new QWidget, "tsWin");
    auto* winPage = new QVBoxLayout(tsWin);
    auto* win = new QHBoxLayout;
    winPage->addLayout(win);
    winPage->addStretch(1);
    BuZiel = Named(new QComboBox(tsWin), "BuZiel");
    BuZiel->setEditable(true);
    BuZiel->setInsertPolicy(QComboBox::NoInsert);
    BuZiel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    btnDir = SpeedButton(tsWin, "btnDir", "..", "Select backup repository");
    PhDirBtn = SpeedButton(tsWin, "PhDirBtn", "%", "Insert placeholder");
    win->addWidget(BuZiel, 1);
    win->addWidget(btnDir);
    win->addWidget(PhDirBtn);
    pcDest->addTab(tsWin, Tr("Destination folder"));
    tsFtp = Named(new QWidget, "tsFtp");
    auto* ftpPage = new QVBoxLayout(tsFtp);
    auto* ftp = new QHBoxLayout;
    ftpPage->addLayout(ftp);
    ftpPage->addStretch(1);
    edtFtp = Named(new QLineEdit(tsFtp), "edtFtp");
    edtFtp->setReadOnly(true);
    btnFTP = SpeedButton(tsFtp, "btnFTP", "..", "FTP connection");
    ftp->addWidget(edtFtp, 1);
    ftp->addWidget(btnFTP);
    pcDest->addTab(tsFtp, Tr("FTP server destination"));
    row->addWidget(pcDest, 3);

    gbxDestMode = Named(new QGroupBox(Tr("Backup destination"), panel), "gbxDestMode");
    gbxDestMode->setToolTip(Tr("Select type of backup repository"));
    auto* modes = new QGridLayout(gbxDestMode);
    rbSingle = Named(new QRadioButton(Tr("Single files"), gbxDestMode), "rbSingle");
    rbZip = Named(new QRadioButton(Tr("Zip file(s)"), gbxDestMode), "rbZip");
    modes->addWidget(rbSingle, 0, 0);
    modes->addWidget(rbZip, 0, 1);
    DestModePages = new QStackedWidget(gbxDestMode);
    auto* single = Named(new QWidget, "tsSingle");
    auto* singleBox = new QGridLayout(single);
    singleBox->setContentsMargins(0, 0, 0, 0);
    DestRB1 = Named(new QRadioButton(Tr("Drives separated "), single), "DestRB1");
    DestRB2 = Named(new QRadioButton(Tr("Clone of source"), single), "DestRB2");
    DestRB3 = Named(new QRadioButton(Tr("In one directory"), single), "DestRB3");
    singleBox->addWidget(DestRB1, 0, 0);
    singleBox->addWidget(DestRB2, 0, 1);
    singleBox->addWidget(DestRB3, 1, 0);
    auto* zip = Named(new QWidget, "tsZip");
    auto* zipBox = new QGridLayout(zip);
    zipBox->setContentsMargins(0, 0, 0, 0);
    DestRB4 = Named(new QRadioButton(Tr("Into one Zip file"), zip), "DestRB4");
    DestRB5 = Named(new QRadioButton(Tr("Separated by directories"), zip), "DestRB5");
    ZipNameEdit = Named(new QLineEdit(zip), "ZipNameEdit");
    ZipNameEdit->setToolTip(Tr("Name of Zip file"));
    PhZipBtn = SpeedButton(zip, "PhZipBtn", "%", "Insert placeholder");
    zipBox->addWidget(DestRB4, 0, 0);
    zipBox->addWidget(DestRB5, 0, 1, 1, 2);
    zipBox->addWidget(ZipNameEdit, 1, 0, 1, 2);
    zipBox->addWidget(PhZipBtn, 1, 2);
    DestModePages->addWidget(single);
    DestModePages->addWidget(zip);
    modes->addWidget(DestModePages, 1, 0, 1, 2);
    auto* group = new QButtonGroup(this);
    int id = 0;
    for (QRadioButton* button : {DestRB1, DestRB2, DestRB3, DestRB4, DestRB5}) {
        group->addButton(button, id++);
    }
    row->addWidget(gbxDestMode, 2);
    return panel;
}

void TBackupForm::BuildLayout()
{
    BuildMenu();
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(MainMenu);
    outer->setContentsMargins(6, 4, 6, 6);
    outer->setSpacing(4);
    auto* bar = new QWidget(this);
    BuildToolbar(bar);
    outer->addWidget(bar);

    auto* body = new QHBoxLayout;
    PageControl = Named(new QTabWidget(this), "PageControl");
    PageControl->addTab(BuildSourcePage(), Tr("&Directories"));
    TabSheet2 = Named(new QWidget, "TabSheet2");
    PageControl->addTab(TabSheet2, Tr("&File types"));
    tsAuto = Named(new QWidget, "tsAuto");
    PageControl->addTab(tsAuto, Tr("&Auto-Backup"));
    // All three tab labels stay readable: the page is at least as wide as its tab row.
    PageControl->setUsesScrollButtons(false);
    PageControl->setElideMode(Qt::ElideNone);
    body->addWidget(PageControl, 3);

    auto* task = new QVBoxLayout;
    TaskBox = Named(new QGroupBox(this), "TaskBox");
    auto* taskGrid = new QGridLayout(TaskBox);
    SelectedDirBox = Named(new QListWidget(TaskBox), "SelectedDirBox");
    SelectedDirBox->setAcceptDrops(true);
    SelectedDirBox->setMinimumHeight(48);
    taskGrid->addWidget(SelectedDirBox, 0, 0, 1, 9);
    UpBtn = SpeedButton(TaskBox, "UpBtn", "\u2191", "Move up");
    DownBtn = SpeedButton(TaskBox, "DownBtn", "\u2193", "Move down");
    SortBtn = SpeedButton(TaskBox, "SortBtn", "A-Z", "Sort alphabetical");
    SortBtn->setCheckable(true);
    RemBtn = SpeedButton(TaskBox, "RemBtn", "Remove", "Remove directory from task");
    AddDirBtn = SpeedButton(TaskBox, "AddDirBtn", "+", "Add directory");
    RemDirBtn = SpeedButton(TaskBox, "RemDirBtn", "-", "Remove directory from task");
    FilterBtn = Named(new QPushButton(Tr("Filter"), TaskBox), "FilterBtn");
    PreviewBtn = Named(new QPushButton(Tr("Preview"), TaskBox), "PreviewBtn");
    lblSum = Named(new QLabel(TaskBox), "lblSum");
    lblSaved = Named(new QLabel(Tr("saved at:"), TaskBox), "lblSaved");
    lblLastBackup = Named(new QLabel(TaskBox), "lblLastBackup");
    taskGrid->addWidget(lblSum, 1, 0);
    taskGrid->addWidget(lblSaved, 1, 1);
    taskGrid->addWidget(lblLastBackup, 1, 2);
    taskGrid->setColumnStretch(2, 1);
    int column = 3;
    for (QWidget* widget :
         {static_cast<QWidget*>(FilterBtn), static_cast<QWidget*>(PreviewBtn), static_cast<QWidget*>(AddDirBtn),
          static_cast<QWidget*>(RemDirBtn), static_cast<QWidget*>(UpBtn), static_cast<QWidget*>(DownBtn),
          static_cast<QWidget*>(SortBtn), static_cast<QWidget*>(RemBtn)}) {
        taskGrid->addWidget(widget, 1, column++);
    }
    task->addWidget(TaskBox, 3);
    BUPageControl = Named(new QTabWidget(this), "BUPageControl");
    BUPageControl->addTab(BuildTypesPage(), Tr("&Types"));
    BUPageControl->addTab(BuildSubDirPage(), Tr("&Subdirectories"));
    BUPageControl->addTab(BuildOptionsPage(), Tr("&Options"));
    task->addWidget(BUPageControl, 3);
    body->addLayout(task, 5);
    outer->addLayout(body, 1);
    outer->addWidget(BuildDestination());
}

void TBackupForm::ConnectHandlers()
{
    const auto on = [this](QAction* action, void (TBackupForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    const auto click = [this](QAbstractButton* button, void (TBackupForm::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    on(NewTask, &TBackupForm::NewTaskClick);
    on(OpenTask, &TBackupForm::OpenTaskClick);
    on(SaveTaskItem, &TBackupForm::SaveTaskItemClick);
    on(SaveTaskAsItem, &TBackupForm::SaveTaskAsItemClick);
    on(Importieren, &TBackupForm::ImportierenClick);
    on(Exportieren, &TBackupForm::ExportierenClick);
    on(FileExitItem, &TBackupForm::FileExit);
    on(BufferSizeItem, &TBackupForm::BufferSizeItemClick);
    on(PwdLengthItem, &TBackupForm::PwdLengthClick);
    on(WaitDelayItem, &TBackupForm::WaitDelayItemClick);
    on(InstantShowItem, &TBackupForm::InstantShowItemClick);
    on(DefWindowItem, &TBackupForm::DefWindowItemClick);
    on(NarrowWindowItem, &TBackupForm::NarrowWindowItemClick);
    connect(ScanDirItem, &QAction::triggered, this, [this](bool checked) { Editor.Settings.ScanDir = checked; });
    click(NewTaskBtn, &TBackupForm::NewTaskClick);
    click(LoadTaskBtn, &TBackupForm::OpenTaskClick);
    click(SaveTaskBtn, &TBackupForm::SaveTaskItemClick);
    click(ImportBtn, &TBackupForm::ImportierenClick);
    click(ExportBtn, &TBackupForm::ExportierenClick);
    click(RestoreBtn, &TBackupForm::RestoreClick);
    click(CleanUpBtn, &TBackupForm::DeleteFilesClick);
    click(ProtBtn, &TBackupForm::ShowLogFile);
    click(StartBtn, &TBackupForm::StartBtnClick);
    click(ExitBtn, &TBackupForm::FileExit);
    connect(LoadListBtn, &QToolButton::clicked, this, [this] { TaskHistoryMenu->Menu()->popup(QCursor::pos()); });

    click(UpBtn, &TBackupForm::UpBtnClick);
    click(DownBtn, &TBackupForm::DownBtnClick);
    click(SortBtn, &TBackupForm::SortBtnClick);
    click(RemBtn, &TBackupForm::RemBtnClick);
    click(RemDirBtn, &TBackupForm::RemBtnClick);
    click(AddDirBtn, &TBackupForm::AddDirBtnClick);
    click(btFolder, &TBackupForm::AddDirBtnClick);
    click(AddBtn, &TBackupForm::AddBtnClick);
    click(PhPathBtn, &TBackupForm::PhPathBtnClick);
    // The tree follows a folder typed into the folder field.
    connect(edFolder, &QLineEdit::textEdited, this, [this](const QString& text) {
        const std::string folder = ExpandPlaceholders(true, StoredPath(text.toStdString()));
        if (!folder.empty() && Platform::DirectoryExists(folder)) {
            ShowShellFolder(folder, true);
        }
    });
    connect(SelectedDirBox, &QListWidget::currentRowChanged, this, [this] { SelectedDirBoxClick(); });
    connect(ShellTreeView, &QTreeWidget::itemSelectionChanged, this, [this] { ShellTreeViewChange(); });
    connect(ShellTreeView, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) {
        if (item->childCount() == 1 && item->child(0)->data(0, PathRole).isNull()) {
            delete item->takeChild(0);
            const std::string path = item->data(0, PathRole).toString().toStdString();
            std::vector<Platform::TSearchRec> folders;
            std::vector<Platform::TSearchRec> files;
            ListFolder(AddPathDelimiter(path), folders, files);
            for (const Platform::TSearchRec& rec : folders) {
                item->addChild(FolderItem(QStr(Platform::WinNameToHost(rec.Name)), AddPathDelimiter(path) + rec.Name));
            }
            item->sortChildren(0, Qt::AscendingOrder);
        }
    });

    click(AnBtn, &TBackupForm::AnBtnClick);
    click(AusBtn, &TBackupForm::AusBtnClick);
    click(AlleAnBtn, &TBackupForm::AlleAnBtnClick);
    click(AlleAusBtn, &TBackupForm::AlleAusBtnClick);
    click(IncludeRB, &TBackupForm::IncludeRBClick);
    click(ExcludeRB, &TBackupForm::IncludeRBClick);
    connect(IncludeSG, &QTableWidget::cellDoubleClicked, this, [this] { AusBtnClick(); });
    connect(ExcludeSG, &QTableWidget::cellDoubleClicked, this, [this] { AnBtnClick(); });
    connect(DirTreeView, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { DirTreeViewExpanding(item); });
    connect(DirTreeView, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int) { DirTreeViewClick(item); });
    click(VerzUseBtn, &TBackupForm::VerzUseBtnClick);
    click(VerzRemBtn, &TBackupForm::VerzRemBtnClick);
    click(VerzFilterBtn, &TBackupForm::VerzFilterBtnClick);
    connect(BUPageControl, &QTabWidget::currentChanged, this, [this](int page) { BUPageControlChange(page); });

    connect(pcDest, &QTabWidget::tabBarClicked, this, [this](int page) { pcDestChange(page); });
    click(btnDir, &TBackupForm::btnDirClick);
    click(btnFTP, &TBackupForm::btnFTPClick);
    click(PhDirBtn, &TBackupForm::PhDirBtnClick);
    connect(BuZiel, &QComboBox::editTextChanged, this, [this] {
        if (!Updating) {
            BuZielChange();
        }
    });
    connect(BuZiel->lineEdit(), &QLineEdit::editingFinished, this, [this] { BuZielExit(); });
    click(rbNoComp, &TBackupForm::KompCBClick);
    click(rbComp, &TBackupForm::KompCBClick);
    click(VerifyCB, &TBackupForm::KompCBClick);
    click(NoBakCB, &TBackupForm::NoBakCBClick);
    click(KeepBakCB, &TBackupForm::KeepBakCBClick);
    click(btnBakName, &TBackupForm::btnBakNameClick);
    click(ResArchivCB, &TBackupForm::ResArchivCBClick);
    click(UseArchivCB, &TBackupForm::UseArchivCBClick);
    connect(BuModeCB, &QComboBox::activated, this, [this](int index) { BuModeCBCloseUp(index); });
    connect(ZipNameEdit, &QLineEdit::textEdited, this, [this] { ZipNameEditChange(); });
    connect(DeleteCB, &QCheckBox::clicked, this, [this](bool checked) {
        Editor.Task.DeleteFile = checked;
        VerifyCB->setChecked(checked);
        Editor.Task.Verify = checked;
        Modified();
    });
    connect(cbDelDir, &QCheckBox::clicked, this, [this](bool checked) {
        Editor.Task.EmptyDirs = checked;
        Modified();
    });
    connect(cbShellCopy, &QCheckBox::clicked, this, [this](bool checked) {
        Editor.Task.ShellCopy = checked;
        Modified();
    });
    int mode = 0;
    for (QRadioButton* button : {DestRB1, DestRB2, DestRB3, DestRB4, DestRB5}) {
        const int destMode = mode < 3 ? mode : mode + 1;
        connect(button, &QRadioButton::clicked, this, [this, destMode] { DestRBClick(destMode); });
        ++mode;
    }
    connect(rbSingle, &QRadioButton::clicked, this, [this] {
        DestRBClick(DestRB3->isChecked()   ? DestOneDirectory
                    : DestRB2->isChecked() ? DestCloneOfSource
                                           : DestDrivesSeparated);
    });
    connect(rbZip, &QRadioButton::clicked, this,
            [this] { DestRBClick(DestRB5->isChecked() ? DestZipPerDirectory : DestZipFile); });
}

// ---- ITaskEditor ------------------------------------------------------------------------------

void TBackupForm::ReadSettings(const std::string& settingsFile)
{
    Editor.ReadSettings(settingsFile);
    // The stored printer prints the log.
    if (TShowtextDialog* viewer = CommonDialogs().Showtext) {
        viewer->PrinterName = Editor.Settings.Printer;
    }
    if (SettingsReadHook) {
        SettingsReadHook();
    }
}

void TBackupForm::WriteSettings()
{
    Editor.WriteSettings();
    if (SettingsWriteHook) {
        SettingsWriteHook();
    }
}

void TBackupForm::SetTaskDir(const std::string& dir)
{
    Editor.Settings.JobDir = AddPathDelimiter(dir);
}

void TBackupForm::SetAccount(const std::string& user, const std::string& password)
{
    Editor.TaskEnv.CmdLineUser = user;
    Editor.TaskEnv.CmdLinePassword = password;
}

void TBackupForm::SetNarrow()
{
    Editor.Settings.Narrow = true;
}

void TBackupForm::SetCloseDelay(int seconds)
{
    Editor.Settings.WaitTime = seconds;
    Editor.Run.CloseDelay = seconds;
}

void TBackupForm::SetLogSetting(uint32_t setting)
{
    Editor.Settings.Protocol = setting;
    Editor.Log.LogSetting = setting;
}

bool TBackupForm::RunAutoTasks(const std::string& list, int reason, int speed, bool quiet)
{
    return Editor.Auto.RunAutoTasks(list, reason, speed, quiet);
}

// Restore and clean-up come with their own windows.
void TBackupForm::RunRestoreTask(const std::string& list, bool quiet)
{
    LastRestoreOutcome = RunRestoreTasks(Editor, list, quiet);
    Editor.Outcome.Add(static_cast<TRunOutcome>(LastRestoreOutcome));
}

void TBackupForm::RunCleanUpTask(const std::string& list, bool quiet)
{
    if (!CleanUpBatchHook) {
        return;
    }
    const int mode = SubsystemLogMode(Editor.Settings.Protocol, LogCleanUps);
    Editor.Log.OpenLog(static_cast<uint32_t>(mode), false, false);
    CleanUpOutcome = CleanUpBatchHook(list, mode, quiet);
    Editor.Log.CloseLog();
    Editor.Outcome.Add(static_cast<TRunOutcome>(CleanUpOutcome));
}

void TBackupForm::RestoreClick()
{
    OpenRestoreDialog(Editor, this);
}

void TBackupForm::DeleteFilesClick()
{
    if (!CleanUpWindowHook) {
        return;
    }
    const int mode = SubsystemLogMode(Editor.Settings.Protocol, LogCleanUps);
    if (const int error = Editor.Log.OpenLog(static_cast<uint32_t>(mode), false, false)) {
        ErrorDialog({}, TrDefault("Error opening log file!") + "\r" + SysErrorMessage(error));
    }
    CleanUpWindowHook(mode);
    Editor.Log.CloseLog();
}

void TBackupForm::LoadCurrentTask()
{
    Editor.LoadCurrentTask();
}

std::string TBackupForm::ExpandTaskName(const std::string& name) const
{
    return Editor.Auto.ExpandTaskName(name);
}

std::string TBackupForm::AutoTaskInfoText() const
{
    return Editor.Auto.AutoTaskInfoText();
}

void TBackupForm::ShowModal()
{
    if (ShowHeadlessHook) {
        ShowHeadlessHook();
        return;
    }
    if (isVisible()) {
        raise();
        return;
    }
    FormShow();
    exec();
}

void TBackupForm::StartSchedulerTimer()
{
    Editor.Auto.SetTimer(true);
}

int TBackupForm::ShowStartDialog(const std::string& caption, const std::string& taskFile)
{
    return StartNoteHook ? StartNoteHook(caption, taskFile) : StartNoteEdit;
}

// ---- dialogs ----------------------------------------------------------------------------------------

std::string TBackupForm::AskTaskFile(const std::string& title, bool save)
{
    if (FileDialogAnswer) {
        return FileDialogAnswer(title);
    }
    const QString filter = QStr(ReplaceText(TrDefault("Backup tasks|*.%s|all|*.*"), "%s", "buj"));
    const QStringList parts = filter.split('|');
    const QString qtFilter =
        parts.size() >= 4 ? QString("%1 (%2);;%3 (%4)").arg(parts[0], parts[1], parts[2], parts[3]) : QString();
    QFileDialog dialog(this, QStr(title), QStr(ShownPath(Editor.Settings.JobDir)), qtFilter);
    dialog.setDefaultSuffix("buj");
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return StoredPath(dialog.selectedFiles().first().toStdString());
}

bool TBackupForm::OpenTaskFile(const std::string& title, std::string& file)
{
    file = AskTaskFile(title, false);
    return !file.empty();
}

bool TBackupForm::SaveTaskFile(const std::string& title, std::string& file)
{
    file = AskTaskFile(title, true);
    return !file.empty();
}

bool TBackupForm::EditFtpSettings(TFtpParams& params)
{
    return EditFtpHook && EditFtpHook(params);
}

TShellDirDialog& TBackupForm::DirDialog()
{
    return SharedOrOwn(CommonDialogs().DirDialog, OwnDirDialog, this);
}

bool TBackupForm::ChooseFolder(const std::string& caption, std::string& folder)
{
    if (FolderDialogAnswer) {
        const std::string answer = FolderDialogAnswer(caption);
        if (answer.empty()) {
            return false;
        }
        folder = answer;
        return true;
    }
    return DirDialog().Execute(caption, false, folder);
}

bool TBackupForm::AskNumber(const std::string& caption, const std::string& prompt, const std::string& unit, int low,
                            int high, int& value)
{
    const int digits = static_cast<int>(std::to_string(high).size());
    return InputNumber(GetCursorPoint(), caption, prompt, value, false, high, low, digits, {}, unit);
}

TSelectFromListDialog& TBackupForm::ListDialog()
{
    return SharedOrOwn(CommonDialogs().SelectFromList, OwnListDialog, this);
}

// ---- lifecycle ----------------------------------------------------------------------------------------

void TBackupForm::FormShow()
{
    Editor.Auto.SetTimer(false);
    if (FirstShow) {
        FirstShow = false;
        if (FirstShown) {
            FirstShown();
        }
        lblSum->clear();
        lblSaved->hide();
        lblLastBackup->clear();
        ClearSourceList();
        ClearTypeGrid(IncludeSG);
        ClearTypeGrid(ExcludeSG);
        if (!Editor.Auto.CurrentTask.empty()) {
            Editor.Settings.LastFile = Editor.Auto.CurrentTask;
        }
        // The tree first: showing the task's entry opens its folder in it.
        FillShellTree();
        Editor.LoadCurrentTask();
        Editor.Auto.UpdateAutoFlags();
    }
    ApplyWindowLayout();
    raise();
    activateWindow();
}

void TBackupForm::FormDeactivate()
{
    if (!FirstShow) {
        SaveWindowLayout();
    }
}

void TBackupForm::closeEvent(QCloseEvent* event)
{
    if (!Editor.AskSaveChangedTask()) {
        event->ignore();
        return;
    }
    SaveWindowLayout();
    Editor.WriteSettings();
    if (Editor.Auto.Host.UpdateTaskMenu) {
        Editor.Auto.Host.UpdateTaskMenu();
    }
    Editor.Auto.SetTimer(Editor.Settings.AutoFlags.StayInTray);
    QDialog::closeEvent(event);
}

void TBackupForm::hideEvent(QHideEvent* event)
{
    FormDeactivate();
    QDialog::hideEvent(event);
}

void TBackupForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // After the layout gave the list its new width.
    QMetaObject::invokeMethod(
        this, [this] { FitSourceLines(); }, Qt::QueuedConnection);
}

void TBackupForm::FileExit()
{
    close();
}

void TBackupForm::UpdateTaskHeader()
{
    const TTaskHeader header = Editor.Header();
    TaskBox->setTitle(QStr(header.Caption));
    TaskBox->setToolTip(QStr(ReplaceText(header.Hint, "\r\n", "\n")));
}

void TBackupForm::SaveWindowLayout()
{
    TProgramSettings& s = Editor.Settings;
    if (s.Left < 1 && !isVisible()) {
        return;
    }
    s.Left = std::max(1, x());
    s.Top = y();
    s.Width = width();
    s.Height = height();
}

void TBackupForm::ApplyWindowLayout()
{
    TProgramSettings& s = Editor.Settings;
    NarrowWindowItem->setChecked(s.Narrow);
    if (s.Left < 1) {
        // Qt lays out in device-independent pixels: what is left to scale is the font resolution.
        const QScreen* shown = screen();
        const int dpi = shown ? static_cast<int>(std::lround(shown->logicalDotsPerInch())) : 96;
        const TClientSize size = EditorClientSize(s.Narrow, dpi);
        resize(size.Width, size.Height);
    } else {
        move(s.Left, s.Top);
        resize(s.Width, s.Height);
    }
    PageControl->setVisible(!s.Narrow);
    BUPageControl->setVisible(!s.Narrow);
    AddDirBtn->setVisible(s.Narrow);
    RemDirBtn->setVisible(s.Narrow);
    RemBtn->setVisible(!s.Narrow);
    setWindowTitle(QStr(Editor.ProductText));
    UpdateTaskHeader();
    ScanDirItem->setChecked(s.ScanDir);
    InstantShowItem->setChecked(s.InstantShow);
    PageControl->setCurrentIndex(0);
    BUPageControl->setCurrentIndex(Editor.Task.Sources.empty() ? 0 : BUPageControl->currentIndex());
}

// ---- showing the task ---------------------------------------------------------------------------------

void TBackupForm::ShowTask()
{
    Updating = true;
    const TBackupTask& task = Editor.Task;
    ShowSourceLines();
    ShowDestination();
    ShowMethod();
    rbComp->setChecked(task.Compress);
    rbNoComp->setChecked(!task.Compress);
    NoCompList->setText(QStr(CommaTextOf(task.NoCompTypes)));
    VerifyCB->setChecked(task.Verify);
    DeleteCB->setChecked(task.DeleteFile);
    cbDelDir->setChecked(task.EmptyDirs);
    cbShellCopy->setChecked(task.ShellCopy);
    NoBakCB->setChecked(task.NoBaks);
    KeepBakCB->setChecked(task.BakFiles);
    lblLastBackup->setText(QStr(task.LastBackup));
    lblSaved->setVisible(!task.LastBackup.empty());
    Updating = false;
    RefreshCompression();
    RefreshSecurity();
    FilterBtn->setEnabled(!task.Sources.empty());
    UpdateTaskHeader();
    SelectEntry(Editor.SelectedEntry);
    ShowTaskSummary();
}

void TBackupForm::ShowDestination()
{
    const TBackupTask& task = Editor.Task;
    BuZiel->clear();
    for (const std::string& item : Editor.Settings.DestinationHistory) {
        BuZiel->addItem(QStr(ShownPath(item)));
    }
    BuZiel->setEditText(QStr(ShownPath(task.Destination)));
    edtFtp->setText(QStr(FtpDestinationText(task.Ftp)));
    pcDest->setCurrentWidget(task.FtpBackup ? tsFtp : tsWin);
    const bool zip = task.IsZipDestination();
    rbZip->setChecked(zip);
    rbSingle->setChecked(!zip);
    DestModePages->setCurrentIndex(zip ? 1 : 0);
    QRadioButton* const buttons[] = {DestRB1, DestRB2, DestRB3, DestRB4, DestRB4, DestRB5};
    const int mode = std::clamp(task.DestMode, 0, 5);
    buttons[mode]->setChecked(true);
    ZipNameEdit->setText(QStr(task.ZipName));
    ZipNameEdit->setEnabled(zip);
    PhZipBtn->setEnabled(zip);
}

void TBackupForm::ShowCheckedDestination()
{
    const TBackupTask& task = Editor.Task;
    const std::string shown = StoredPath(BuZiel->currentText().toStdString());
    const bool chosen = !task.FtpBackup && !task.Destination.empty() && task.Destination != shown;
    if (chosen) {
        std::vector<std::string>& history = Editor.Settings.DestinationHistory;
        std::erase(history, task.Destination);
        history.insert(history.begin(), task.Destination);
    }
    if (chosen || edtFtp->text() != QStr(FtpDestinationText(task.Ftp))) {
        const bool wasUpdating = Updating;
        Updating = true;
        ShowDestination();
        Updating = wasUpdating;
    }
}

void TBackupForm::ShowMethod()
{
    const TBackupTask& task = Editor.Task;
    const int method = task.BackupMethod();
    BuModeCB->setCurrentIndex(method);
    ResArchivCB->setChecked(task.ArchBit);
    UseArchivCB->setChecked(task.UseArch);
    ResArchivCB->setEnabled(method == MethodCopy);
    UseArchivCB->setEnabled(method == MethodCopy);
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
    SortBtn->setChecked(false);
}

void TBackupForm::Modified()
{
    if (!Updating) {
        Editor.Task.Modified = true;
    }
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

// ---- commands ----------------------------------------------------------------------------------------------

void TBackupForm::NewTaskClick()
{
    if (Editor.NewTaskClick()) {
        ClearTypeGrid(IncludeSG);
        ClearTypeGrid(ExcludeSG);
        PageControl->setCurrentIndex(0);
        BUPageControl->setCurrentIndex(0);
        lblSum->clear();
        IncludeSumme->clear();
        ExcludeSumme->clear();
    }
}

void TBackupForm::OpenTaskClick()
{
    Editor.OpenTaskClick();
    PageControl->setCurrentWidget(tsAuto);
    BUPageControl->setCurrentIndex(0);
}

void TBackupForm::LoadFromListClick(const std::string& file)
{
    if (Editor.LoadFromListClick(file)) {
        PageControl->setCurrentWidget(tsAuto);
        BUPageControl->setCurrentIndex(0);
    }
}

void TBackupForm::SaveTaskItemClick()
{
    Editor.SaveTaskItemClick();
    ShowCheckedDestination();
    UpdateTaskHeader();
}

void TBackupForm::SaveTaskAsItemClick()
{
    Editor.SaveTaskAsItemClick();
    ShowCheckedDestination();
    UpdateTaskHeader();
}

void TBackupForm::ImportierenClick()
{
    Editor.ImportierenClick();
}

void TBackupForm::ExportierenClick()
{
    Editor.ExportierenClick();
}

void TBackupForm::StartBtnClick()
{
    StartBtn->setEnabled(false);
    Editor.StartBtnClick();
    StartBtn->setEnabled(true);
    ShowCheckedDestination();
    if (MinimizedByRun) {
        // The run is over: the editor comes back from the tray.
        MinimizedByRun = false;
        show();
        raise();
    }
    ShowSourceLines();
    SelectEntry(Editor.SelectedEntry);
    lblLastBackup->setText(QStr(Editor.Task.LastBackup));
    lblSaved->setVisible(!Editor.Task.LastBackup.empty());
    UpdateTaskHeader();
}

void TBackupForm::MinimizeApp()
{
    MinimizedByRun = true;
    if (MinimizeToTray) {
        MinimizeToTray();
    } else {
        hide();
    }
}

// ---- option handlers -------------------------------------------------------------------------------------

void TBackupForm::BufferSizeItemClick()
{
    int value = Editor.Settings.BufferSize / 1024;
    if (AskNumber(TrDefault("Copy buffer (Windows)"), TrDefault("Size of buffer:"), TrDefault("kByte"), 0, 4096,
                  value)) {
        Editor.Settings.BufferSize = value * 1024;
        Editor.Mail.BufferSize = Editor.Settings.BufferSize;
    }
}

void TBackupForm::PwdLengthClick()
{
    AskNumber(TrDefault("Password length"), TrDefault("Min. number of characters:"), {}, 0, 64,
              Editor.Settings.MinPwdLength);
}

void TBackupForm::InstantShowItemClick()
{
    Editor.Settings.InstantShow = InstantShowItem->isChecked();
}

void TBackupForm::WaitDelayItemClick()
{
    if (AskNumber(TrDefault("Status window on automatic backup"), TrDefault("Close after:"), TrDefault("seconds"), 0,
                  20, Editor.Settings.WaitTime)) {
        Editor.Run.CloseDelay = Editor.Settings.WaitTime;
    }
}

void TBackupForm::DefWindowItemClick()
{
    Editor.Settings.Left = 0;
    ApplyWindowLayout();
}

void TBackupForm::NarrowWindowItemClick()
{
    Editor.Settings.Narrow = !Editor.Settings.Narrow;
    Editor.Settings.Left = 0;
    ApplyWindowLayout();
}

// ---- destination page ----------------------------------------------------------------------------------

void TBackupForm::pcDestChange(int page)
{
    TBackupTask& task = Editor.Task;
    if (page == pcDest->indexOf(tsWin)) {
        if (task.FtpBackup) {
            task.FtpBackup = false;
            Modified();
        }
    } else if (!task.Ftp.Host.empty() && !task.Ftp.Username.empty()) {
        task.FtpBackup = true;
    } else if (EditFtpSettings(task.Ftp)) {
        edtFtp->setText(QStr(FtpDestinationText(task.Ftp)));
        task.FtpBackup = true;
        Modified();
    } else {
        // The switch did not happen.
        QMetaObject::invokeMethod(
            this, [this] { pcDest->setCurrentWidget(tsWin); }, Qt::QueuedConnection);
    }
    pcDest->setCurrentWidget(task.FtpBackup ? tsFtp : tsWin);
}

void TBackupForm::btnDirClick()
{
    std::string folder = StoredPath(BuZiel->currentText().toStdString());
    if (!ChooseFolder(TrDefault("Select destination directory"), folder)) {
        return;
    }
    TBackupTask& task = Editor.Task;
    task.Destination = folder;
    task.FtpBackup = false;
    Modified();
    BuZiel->setEditText(QStr(ShownPath(folder)));
    pcDest->setCurrentWidget(tsWin);
}

void TBackupForm::btnFTPClick()
{
    TBackupTask& task = Editor.Task;
    if (!EditFtpSettings(task.Ftp)) {
        return;
    }
    task.FtpBackup = true;
    edtFtp->setText(QStr(FtpDestinationText(task.Ftp)));
    Modified();
    pcDest->setCurrentWidget(tsFtp);
}

void TBackupForm::PhPathBtnClick()
{
    if (!ChoosePlaceholderHook) {
        return;
    }
    const std::string placeholder = ChoosePlaceholderHook(false);
    if (!placeholder.empty()) {
        edFolder->insert(QStr(placeholder));
    }
}

void TBackupForm::PhDirBtnClick()
{
    if (!ChoosePlaceholderHook) {
        return;
    }
    const std::string placeholder = ChoosePlaceholderHook(true);
    if (!placeholder.empty()) {
        BuZiel->setEditText(BuZiel->currentText() + QStr(placeholder));
        Editor.Task.Destination = StoredPath(BuZiel->currentText().toStdString());
        Modified();
    }
}

void TBackupForm::BuZielChange()
{
    Editor.Task.Destination = StoredPath(BuZiel->currentText().toStdString());
    Modified();
}

void TBackupForm::BuZielExit()
{
    const std::string text = StoredPath(BuZiel->currentText().toStdString());
    if (text.empty()) {
        return;
    }
    std::vector<std::string>& history = Editor.Settings.DestinationHistory;
    std::erase(history, text);
    history.insert(history.begin(), text);
}

void TBackupForm::KompCBClick()
{
    TBackupTask& task = Editor.Task;
    task.Compress = rbComp->isChecked();
    task.Verify = VerifyCB->isChecked();
    Modified();
    RefreshCompression();
}

void TBackupForm::RefreshCompression()
{
    TypBtn->setEnabled(rbComp->isChecked());
    NoCompList->setEnabled(rbComp->isChecked());
    cbShellCopy->setEnabled(!rbComp->isChecked() && !Editor.Task.IsZipDestination());
}

void TBackupForm::NoBakCBClick()
{
    TBackupTask& task = Editor.Task;
    task.NoBaks = NoBakCB->isChecked();
    if (task.NoBaks) {
        task.BakFiles = false;
    }
    Modified();
    RefreshSecurity();
}

void TBackupForm::RefreshSecurity()
{
    if (NoBakCB->isChecked()) {
        KeepBakCB->setChecked(false);
    }
    KeepBakCB->setEnabled(!NoBakCB->isChecked());
    btnBakName->setEnabled(KeepBakCB->isChecked());
}

void TBackupForm::KeepBakCBClick()
{
    Editor.Task.BakFiles = KeepBakCB->isChecked();
    btnBakName->setEnabled(KeepBakCB->isChecked());
    Modified();
}

void TBackupForm::btnBakNameClick()
{
    if (SuffixDialog->Execute(Editor.Task.BakSuffix)) {
        Modified();
    }
}

void TBackupForm::ResArchivCBClick()
{
    Editor.Task.ArchBit = ResArchivCB->isChecked();
    ShowMethod();
    Modified();
}

void TBackupForm::UseArchivCBClick()
{
    Editor.Task.UseArch = UseArchivCB->isChecked();
    ShowMethod();
    Modified();
}

void TBackupForm::BuModeCBCloseUp(int index)
{
    TBackupTask& task = Editor.Task;
    task.ArchBit = (index & 1) != 0;
    task.UseArch = (index & 2) != 0;
    task.ClearDest = index != MethodCopy;
    ShowMethod();
    Modified();
}

void TBackupForm::ZipNameEditChange()
{
    Editor.Task.ZipName = ZipNameEdit->text().toStdString();
    Modified();
}

void TBackupForm::DestRBClick(int destMode)
{
    TBackupTask& task = Editor.Task;
    task.DestMode = destMode;
    if (!SourcesOnOneDrive(task, {}, SelectedIndex() >= 0)) {
        ErrorDialogAt({}, SeveralSourceDrivesText(), CenteredPoint);
        task.DestMode = task.IsZipDestination() ? DestZipPerDirectory : DestDrivesSeparated;
    }
    if (task.IsZipDestination() || (task.DestMode == DestOneDirectory && task.Sources.size() >= 2)) {
        task.SyncMode = SyncOff;
        task.SetBackupMethod(MethodCopy);
        task.ClearDest = false;
    }
    if (task.IsZipDestination()) {
        task.ShellCopy = false;
    }
    Updating = true;
    ShowDestination();
    ShowMethod();
    cbShellCopy->setChecked(task.ShellCopy);
    Updating = false;
    RefreshCompression();
    Modified();
}

// ---- sources -----------------------------------------------------------------------------------------------

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

void TBackupForm::AddBtnClick()
{
    const QList<QTreeWidgetItem*> selected = ShellTreeView->selectedItems();
    if (selected.size() < 2) {
        AddSourceDir(StoredPath(edFolder->text().toStdString()));
    } else {
        const std::string question =
            ReplaceText(TrDefault("Add %u directories to task?"), "%u", std::to_string(selected.size()));
        if (ConfirmDialogAt({}, question, CursorPointOffset({20, 10}))) {
            for (QTreeWidgetItem* item : selected) {
                AddSourceDir(item->data(0, PathRole).toString().toStdString());
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
    std::string folder = ExpandPlaceholders(true, StoredPath(edFolder->text().toStdString()));
    if (ChooseFolder(TrDefault("Select directory to backup"), folder) && AddSourceDir(folder)) {
        edFolder->setText(QStr(ShownPath(folder)));
    }
}

bool TBackupForm::AddSourceDir(const std::string& folder)
{
    TBackupTask& task = Editor.Task;
    const TAddDecision decision = CheckNewSource(task, folder, SelectedIndex() >= 0);
    FilterBtn->setEnabled(true);
    if (decision.Check == TAddCheck::SeveralDrives) {
        ErrorDialogAt({}, SeveralSourceDrivesText(), CenteredPoint);
        return false;
    }
    if (decision.Check == TAddCheck::Overlaps &&
        !ConfirmDialogAt({}, OverlapQuestion(task, ShownPath(decision.Expanded), decision.OverlapIndex),
                         CenteredPoint)) {
        return false;
    }
    TExtensionList entry(Editor.TaskEnv.DefaultDate);
    entry.SourceDir = folder;
    entry.ExpandedDir = decision.Expanded;
    if (!ScanSourceEntry(entry, task.UseArch)) {
        return false;
    }
    task.Sources.push_back(std::move(entry));
    ShowSourceLines();
    IncludeSG->setCurrentCell(0, 0);
    ExcludeSG->setCurrentCell(0, 0);
    SelectEntry(static_cast<int>(task.Sources.size()) - 1);
    if (!SourcesOnOneDrive(task, {}, true)) {
        ErrorDialogAt({}, SeveralSourceDrivesText(), CenteredPoint);
        DestRBClick(task.IsZipDestination() ? DestZipPerDirectory : DestDrivesSeparated);
    }
    Editor.Task.Modified = true;
    return true;
}

void TBackupForm::DropFolders(const QStringList& hostPaths)
{
    raise();
    activateWindow();
    for (const QString& host : hostPaths) {
        // Only folders are sources; a dropped file is passed over.
        if (!QFileInfo(host).isDir()) {
            continue;
        }
        AddSourceDir(StoredPath(host.toStdString()));
    }
}

void TBackupForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || event->source() == ShellTreeView) {
        event->acceptProposedAction();
    }
}

void TBackupForm::dropEvent(QDropEvent* event)
{
    if (event->source() == ShellTreeView) {
        AddBtnClick();
        event->acceptProposedAction();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    DropFolders(paths);
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
    std::vector<TExtensionList>& sources = Editor.Task.Sources;
    if (sources.size() < 2 || !SortBtn->isChecked()) {
        return;
    }
    std::stable_sort(sources.begin(), sources.end(), [](const TExtensionList& a, const TExtensionList& b) {
        return AnsiUpperCase(a.SourceDir) < AnsiUpperCase(b.SourceDir);
    });
    ShowSourceLines();
    SelectEntry(0);
    Modified();
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
    for (TExtensionList& entry : Editor.Task.Sources) {
        if (entry.NeedsScan && ScanSourceEntry(entry, Editor.Task.UseArch)) {
            entry.NeedsScan = false;
        }
    }
    ShowEntry(false);
}
