#include "ui/tasks/BackupForm.h"

#include "foundation/CommaText.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/AutoTaskPage.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSelection.h"
#include "tasks/BackupWalk.h"
#include "tasks/Placeholders.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/HistoryMenu.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/ShowtextDialog.h"
#include "ui/foundation/WindowPlacement.h"
#include "ui/restore/RestoreDlg.h"
#include "ui/tasks/AutoTaskSheet.h"
#include "ui/tasks/BackupFormFolder.h"
#include "ui/tasks/BackupFormWidgets.h"
#include "ui/tasks/FilterDlg.h"
#include "ui/tasks/TaskOptionsBox.h"
#include "ui/tasks/TypeListBox.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

using namespace BackupFormWidgets;

TBackupForm::TBackupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("BackupForm");
    setAcceptDrops(true);
    ModalToItsOwners(*this);
    BuildLayout();
    ConnectHandlers();
    ConnectTaskDialogs();
    SetTabOrder();
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

    // The pages scroll where the screen is too small for them; the toolbar with Start and
    // Quit and the destination below stay in view.
    PagesScroll = Named(new QScrollArea(this), "EditorScroll");
    PagesScroll->setWidgetResizable(true);
    PagesScroll->setFrameShape(QFrame::NoFrame);
    PagesScroll->setFocusPolicy(Qt::NoFocus);
    auto* pages = Named(new QWidget, "EditorPages");
    auto* body = new QHBoxLayout(pages);
    body->setContentsMargins(0, 0, 0, 0);
    PageControl = Named(new QTabWidget(pages), "PageControl");
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
    TaskBox = Named(new QGroupBox(pages), "TaskBox");
    auto* taskGrid = new QGridLayout(TaskBox);
    SelectedDirBox = Named(new QListWidget(TaskBox), "SelectedDirBox");
    // Its lines are dragged onto the folder tree; what it takes is dropped on the window.
    SelectedDirBox->setDragDropMode(QAbstractItemView::DragOnly);
    SelectedDirBox->setMinimumHeight(48);
    // It asks for the room its lines take, not a fixed block: the default window stays low.
    SelectedDirBox->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
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
    // The date takes the room left in its line and never widens the window beyond the room
    // a date as a run writes it needs.
    lblLastBackup->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblLastBackup->setMinimumWidth(
        lblLastBackup->fontMetrics().horizontalAdvance(QStr(DateTimeText(EncodeDateTime(2026, 12, 28, 23, 59, 58)))));
    taskGrid->addWidget(lblSum, 1, 0);
    taskGrid->setColumnStretch(0, 1);
    // The date of the last run has a line of its own: the buttons beside the sum leave it
    // no room in a window of the default width.
    auto* saved = new QHBoxLayout;
    saved->addWidget(lblSaved);
    saved->addWidget(lblLastBackup, 1);
    taskGrid->addLayout(saved, 2, 0, 1, 9);
    int column = 1;
    for (QWidget* widget :
         {static_cast<QWidget*>(FilterBtn), static_cast<QWidget*>(PreviewBtn), static_cast<QWidget*>(AddDirBtn),
          static_cast<QWidget*>(RemDirBtn), static_cast<QWidget*>(UpBtn), static_cast<QWidget*>(DownBtn),
          static_cast<QWidget*>(SortBtn), static_cast<QWidget*>(RemBtn)}) {
        taskGrid->addWidget(widget, 1, column++);
    }
    task->addWidget(TaskBox, 3);
    BUPageControl = Named(new QTabWidget(pages), "BUPageControl");
    BUPageControl->addTab(BuildTypesPage(), Tr("&Types"));
    BUPageControl->addTab(BuildSubDirPage(), Tr("&Subdirectories"));
    BUPageControl->addTab(BuildOptionsPage(), Tr("&Options"));
    task->addWidget(BUPageControl, 3);
    body->addLayout(task, 5);
    PagesScroll->setWidget(pages);
    outer->addWidget(PagesScroll, 1);
    outer->addWidget(BuildDestination());
}

namespace {

// The controls inside a container that the Tab key stops at, in the order Qt has them.
std::vector<QWidget*> TabStopsIn(QWidget* container)
{
    std::vector<QWidget*> stops;
    for (QWidget* widget = container->nextInFocusChain(); widget != container; widget = widget->nextInFocusChain()) {
        if (container->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) != 0) {
            stops.push_back(widget);
        }
    }
    return stops;
}

// A tab widget hands the focus to its row of tabs: both stand where the pages are.
QWidget* TabsOf(QTabWidget* pages)
{
    return pages->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

// Tab goes through the window as it is laid out: the toolbar, the pages on the left, the
// task's list with its buttons, its pages, the destination. The sheets made with their own
// parents would otherwise come last.
void TBackupForm::SetTabOrder()
{
    std::vector<QWidget*> order = TabStopsIn(StartBtn->parentWidget());
    const auto add = [&order](std::initializer_list<QWidget*> widgets) { order.insert(order.end(), widgets); };
    const auto addStops = [&order](QWidget* container) {
        const std::vector<QWidget*> stops = TabStopsIn(container);
        order.insert(order.end(), stops.begin(), stops.end());
    };
    add({PageControl, TabsOf(PageControl), ShellTreeView, edFolder, PhPathBtn, btFolder, AddBtn});
    addStops(TabSheet2);
    addStops(tsAuto);
    add({SelectedDirBox, FilterBtn, PreviewBtn, AddDirBtn, RemDirBtn, UpBtn, DownBtn, SortBtn, RemBtn});
    add({BUPageControl, TabsOf(BUPageControl), IncludeRB, ExcludeRB, IncludeSG, AnBtn, AlleAnBtn, AusBtn, AlleAusBtn,
         ExcludeSG, ExtFilterBtn});
    addStops(tsSubDir);
    addStops(tsOptions);
    addStops(TaskOptions);
    add({pcDest, TabsOf(pcDest), BuZiel, btnDir, PhDirBtn, edtFtp, btnFTP, rbSingle, rbZip, DestRB1, DestRB2, DestRB3,
         DestRB4, DestRB5, ZipNameEdit, PhZipBtn});
    for (size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
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
    on(UpdateItem, &TBackupForm::UpdateItemClick);
    on(Update2, &TBackupForm::UpdateItemClick);
    on(itmAdd, &TBackupForm::AddBtnClick);
    on(RestoreFiles, &TBackupForm::RestoreClick);
    on(DeletFiles, &TBackupForm::DeleteFilesClick);
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

    ShellTreeView->viewport()->installEventFilter(this);
    SelectedDirBox->viewport()->installEventFilter(this);
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
    connect(edFolder, &QLineEdit::textEdited, this, [this] {
        const std::string folder = FolderFieldFolder();
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

    // Every change of the page (click, keys, wheel) decides the kind of destination; not the
    // changes of the program's own.
    connect(pcDest, &QTabWidget::currentChanged, this, [this](int page) {
        if (!Updating) {
            pcDestChange(page);
        }
    });
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
    connect(cbCreationTime, &QCheckBox::clicked, this, [this](bool checked) {
        Editor.Task.CreationTime = checked;
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
    TakeFolderField();
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
        ShowLogOpenError(error);
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
        FilterDialog->LoadFromIni(Editor.Settings.FileName, "FileFilter");
        lblSum->clear();
        lblSaved->hide();
        lblLastBackup->clear();
        ClearSourceList();
        ClearTypeGrid(IncludeSG);
        ClearTypeGrid(ExcludeSG);
        edFolder->setText(QStr(ShownPath(Editor.Settings.LastDir)));
        if (!Editor.Auto.CurrentTask.empty()) {
            Editor.Settings.LastFile = Editor.Auto.CurrentTask;
        }
        // The tree first: showing the task's entry opens its folder in it.
        FillShellTree();
        Editor.LoadCurrentTask();
        TypeListBox->Editor.Current = Editor.Settings.TypeLists.Count() > 0 ? 0 : -1;
        TypeListBox->Reload();
        Editor.Auto.UpdateAutoFlags();
        CheckLanguageItem();
        CheckStoredPrinter();
    }
    ApplyWindowLayout();
    ShowFolderFieldInTree();
    AutoTaskSheet->ShowAutoTask(SlotOfTask(Editor.Settings.AutoTasks, Editor.Task.FileName));
    raise();
    activateWindow();
}

// On the sources page the folder tree opens at the folder field's folder, else at its top.
void TBackupForm::ShowFolderFieldInTree()
{
    if (PageControl->currentWidget() != tsDirs) {
        return;
    }
    const std::string folder = FolderFieldFolder();
    ShowShellFolder(Platform::DirectoryExists(folder) ? folder : std::string(), true);
}

std::string TBackupForm::FolderFieldFolder() const
{
    return ExpandPlaceholders(true, StoredPath(edFolder->text().toStdString()));
}

// The folder field is kept for the next start when it names a folder.
void TBackupForm::TakeFolderField()
{
    if (Platform::DirectoryExists(FolderFieldFolder())) {
        Editor.Settings.LastDir = StoredPath(edFolder->text().toStdString());
    }
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
    TakeFolderField();
    Editor.WriteSettings();
    if (Editor.Auto.Host.UpdateTaskMenu) {
        Editor.Auto.Host.UpdateTaskMenu();
    }
    Editor.Auto.SetTimer(Editor.Settings.AutoFlags.StayInTray);
    // Ends the modal showing directly: QDialog's close handling would ask reject(), which
    // comes back here.
    QDialog::done(QDialog::Rejected);
    event->accept();
}

void TBackupForm::reject()
{
    // Escape leaves the editor the way Quit and the close button do, with their question.
    close();
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

void TBackupForm::showEvent(QShowEvent* event)
{
    // Polished now, with the loaded task's texts: a window at its default size grows to show
    // its pages whole. It is fitted and placed before the window manager maps it, which may
    // not follow a move or resize of a window it is still placing.
    if (!event->spontaneous()) {
        QSize wanted = size();
        if (std::exchange(SizeToPagesOnShow, false)) {
            wanted = wanted.expandedTo(SizeWithoutScrolling());
            resize(wanted);
        }
        if (!testAttribute(Qt::WA_Moved)) {
            CentreOnOwner(*this, nullptr);
        }
        FitOnScreen(*this);
        FitOnScreenOnceFramed(*this, wanted);
    }
    QDialog::showEvent(event);
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

QSize TBackupForm::SizeWithoutScrolling()
{
    // The window's wish with the pages' own (in the chosen language's texts) in place of the
    // capped wish of their scroll view: the rows stack, so heights add up.
    const QSize all = layout()->totalSizeHint();
    const QSize pages = PagesScroll->widget()->sizeHint();
    const QMargins margins = layout()->contentsMargins();
    const QSize wanted(std::max(all.width(), pages.width() + margins.left() + margins.right()),
                       all.height() - PagesScroll->sizeHint().height() + pages.height());
    return WithRoomForScrollBars(*this, wanted, *PagesScroll);
}

void TBackupForm::ApplyWindowLayout()
{
    TProgramSettings& s = Editor.Settings;
    NarrowWindowItem->setChecked(s.Narrow);
    // Which pages show decides the size the window needs: set it first. Narrow, only the
    // task part stays.
    PageControl->setVisible(!s.Narrow);
    AddDirBtn->setVisible(s.Narrow);
    RemDirBtn->setVisible(s.Narrow);
    RemBtn->setVisible(!s.Narrow);
    if (s.Left < 1) {
        // Qt lays out in device-independent pixels: what is left to scale is the font resolution.
        const QScreen* shown = screen();
        const int dpi = shown ? static_cast<int>(std::lround(shown->logicalDotsPerInch())) : 96;
        const TClientSize size = EditorClientSize(s.Narrow, dpi);
        resize(QSize(size.Width, size.Height).expandedTo(SizeWithoutScrolling()));
    } else {
        // A size remembered in another language may be too small for this one's texts.
        move(s.Left, s.Top);
        resize(QSize(s.Width, s.Height).expandedTo(SizeWithoutScrolling()));
    }
    SizeToPagesOnShow = !isVisible();
    setWindowTitle(QStr(Editor.ProductText));
    UpdateTaskHeader();
    UpdateExitButton();
    ScanDirItem->setChecked(s.ScanDir);
    InstantShowItem->setChecked(s.InstantShow);
    BUPageControl->setCurrentIndex(Editor.Task.Sources.empty() ? 0 : BUPageControl->currentIndex());
    // A task with folders opens at its automatic-task page, a new one at the folder tree.
    PageControl->setCurrentWidget(Editor.Task.Sources.empty() ? tsDirs : tsAuto);
    if (PageControl->currentWidget() == tsDirs) {
        ShellTreeView->setFocus();
    }
    // A window about to be shown is fitted and placed as it shows: fitted now, it would count
    // as moved and no longer open centred.
    if (!SizeToPagesOnShow) {
        FitOnScreen(*this);
    }
}

// ---- showing the task ---------------------------------------------------------------------------------

void TBackupForm::ShowTask()
{
    Updating = true;
    const TBackupTask& task = Editor.Task;
    ShowSourceLines();
    SortBtn->setChecked(Editor.SortedSources);
    ShowDestination();
    ShowMethod();
    rbComp->setChecked(task.Compress);
    rbNoComp->setChecked(!task.Compress);
    NoCompList->setText(QStr(CommaTextOf(task.NoCompTypes)));
    VerifyCB->setChecked(task.Verify);
    DeleteCB->setChecked(task.DeleteFile);
    cbDelDir->setChecked(task.EmptyDirs);
    cbShellCopy->setChecked(task.ShellCopy);
    cbCreationTime->setChecked(task.CreationTime);
    NoBakCB->setChecked(task.NoBaks);
    KeepBakCB->setChecked(task.BakFiles);
    ShowLastBackup();
    Updating = false;
    UpdateOptionControls();
    FilterBtn->setEnabled(!task.Sources.empty());
    UpdateTaskHeader();
    SelectEntry(Editor.SelectedEntry);
    ShowTaskSummary();
}

void TBackupForm::ShowLastBackup()
{
    // The date of the last run is kept in the task's file: a task without one has none.
    const QString when = Editor.Task.FileName.empty() ? QString() : QStr(InCurrentDateForm(Editor.Task.LastBackup));
    lblLastBackup->setText(when);
    // The label may be cut where the row is narrow; its tool tip holds the whole date.
    lblLastBackup->setToolTip(when);
    lblSaved->setVisible(!when.isEmpty());
}

// Every change of the task passes here, so the option controls follow it.
void TBackupForm::Modified()
{
    if (!Updating) {
        Editor.Task.Modified = true;
    }
    UpdateOptionControls();
}
