#pragma once

// The task editor window: the program's main work window over the editor's logic
// (tasks/TaskEditor.h). It shows the task model and writes the user's changes back;
// the decisions (load, save, checks, scan, run) are the logic's. Paths appear as host
// paths and are stored as Windows text.

#include "shell/BuMain.h"
#include "tasks/TaskEditor.h"
#include "tasks/TaskEditorSources.h"

#include <QDialog>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QStackedWidget;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QFileSystemWatcher;
class QTreeWidget;
class QTreeWidgetItem;
class THistoryMenu;
class TAutoTaskSheet;
class TDatumWahlDialog;
class TFilterDialog;
class TFtpDialog;
class TShowFilePreview;
class TSelectFromListDialog;
class TShellDirDialog;
class TSuffixDialog;
class TTypeListBox;
class TTaskOptionsBox;

class TBackupForm : public QDialog, public ITaskEditor, public ITaskEditorDialogs
{
    Q_OBJECT
public:
    explicit TBackupForm(QWidget* parent = nullptr);
    ~TBackupForm() override;

    TTaskEditor Editor;
    // Clean-up lives above the editor; the shell plugs it in. The editor opens and closes
    // the backup log around both calls. The batch returns its outcome as a batch exit
    // status (0, 1, 2), which joins the editor's batch outcome.
    std::function<void(int logMode)> CleanUpWindowHook;
    std::function<int(const std::string& list, int logMode, bool quiet)> CleanUpBatchHook;
    // After the program settings were read, and when they are written at the end.
    std::function<void()> SettingsReadHook;
    std::function<void()> SettingsWriteHook;
    int CleanUpOutcome = 0;

    // Windows of other parts of the program; unset: nothing happens.
    std::function<int(const std::string& caption, const std::string& taskFile)> StartNoteHook;
    std::function<void()> ShowLogHook;
    // Hides the program to the tray (the progress window's Minimise), and brings it back
    // when the editor comes back after the run.
    std::function<void()> MinimizeToTray;
    std::function<void()> BackFromTray;
    // The FTP settings dialog; true on OK.
    std::function<bool(TFtpParams& params)> EditFtpHook;
    // A placeholder of the date set (true) or the path set; empty when cancelled.
    std::function<std::string(bool dateSet)> ChoosePlaceholderHook;
    // Replaces the modal showing where nobody could use the window (no display).
    std::function<void()> ShowHeadlessHook;
    // The main window's "shown for the first time" callback (its start-up bar).
    std::function<void()> FirstShown;

    // ---- ITaskEditor
    void ReadSettings(const std::string& settingsFile) override;
    void WriteSettings() override;
    void SetTaskDir(const std::string& dir) override;
    void SetAccount(const std::string& user, const std::string& password) override;
    void SetNarrow() override;
    bool NoSplash() const override { return Editor.Settings.NoSplash; }
    void SetCloseDelay(int seconds) override;
    void SetLogSetting(uint32_t setting) override;
    int StartDelay() const override { return Editor.Settings.Startup; }
    bool RunAutoTasks(const std::string& list, int reason, int speed, bool quiet) override;
    void RunRestoreTask(const std::string& list, bool quiet) override;
    // 0 all restored, 1 warnings, 2 errors or skipped files: the batch exit status.
    int LastRestoreOutcome = 0;
    void RunCleanUpTask(const std::string& list, bool quiet) override;
    void RestoreClick() override;
    void DeleteFilesClick() override;
    void ShowLogFile() override;
    void LoadCurrentTask() override;
    std::string ExpandTaskName(const std::string& name) const override;
    std::string AutoTaskInfoText() const override;
    const TAutoTaskSlots& AutoTasks() const override { return Editor.Settings.AutoTasks; }
    TAutoFlags AutoFlags() const override { return Editor.Settings.AutoFlags; }
    int ConfiguredEndAction() const override { return Editor.Settings.Shutdown; }
    bool Visible() const override { return isVisible(); }
    void ShowModal() override;
    void StartSchedulerTimer() override;
    int ShowStartDialog(const std::string& caption, const std::string& taskFile) override;
    int BatchExitStatus() const override { return Editor.Outcome.ExitStatus(); }

    // ---- ITaskEditorDialogs
    bool OpenTaskFile(const std::string& title, std::string& file) override;
    bool SaveTaskFile(const std::string& title, std::string& file) override;
    // The FTP settings dialog (EditFtpHook); false when it is not there or cancelled.
    bool EditFtpSettings(TFtpParams& params);

    // Tests answer the file dialogs: title -> file (Windows text); empty: cancelled.
    std::function<std::string(const std::string& title)> FileDialogAnswer;
    // Tests answer the folder chooser: caption -> folder (Windows text).
    std::function<std::string(const std::string& caption)> FolderDialogAnswer;
    // The folder chooser: the program's shared one, else one of the editor's own.
    TShellDirDialog& DirDialog();
    // The list dialog: the program's shared one, else one of the editor's own.
    TSelectFromListDialog& ListDialog();

    // ---- lifecycle
    void FormShow();
    void FormDeactivate();
    void FileExit();
    // Escape: as FileExit.
    void reject() override;
    void UpdateTaskHeader();
    void SaveWindowLayout();
    void ApplyWindowLayout();
    // The window size at which the pages show whole, without scroll bars.
    QSize SizeWithoutScrolling();

    // ---- commands
    void NewTaskClick();
    void OpenTaskClick();
    void SaveTaskItemClick();
    void SaveTaskAsItemClick();
    void ImportierenClick();
    void ExportierenClick();
    void LoadFromListClick(const std::string& file);
    void StartBtnClick();

    // ---- option handlers
    void BufferSizeItemClick();
    void PwdLengthClick();
    void InstantShowItemClick();
    void WaitDelayItemClick();
    void DefWindowItemClick();
    void NarrowWindowItemClick();

    // ---- destination page
    void pcDestChange(int page);
    void btnDirClick();
    void btnFTPClick();
    void PhPathBtnClick();
    void PhDirBtnClick();
    void BuZielChange();
    void BuZielExit();
    void KompCBClick();
    void NoBakCBClick();
    void KeepBakCBClick();
    void btnBakNameClick();
    void ResArchivCBClick();
    void UseArchivCBClick();
    void BuModeCBCloseUp(int index);
    void ZipNameEditChange();
    void DestRBClick(int destMode);

    // ---- sources
    // Adds one source folder (Windows text) with the checks and the scan; false when refused.
    bool AddSourceDir(const std::string& folder);
    void ShowEntry(bool rescan);
    void ShowTaskSummary();
    void UpBtnClick();
    void DownBtnClick();
    void SortBtnClick();
    void SelectedDirBoxClick();
    void ShellTreeViewChange();
    void AddBtnClick();
    void AddDirBtnClick();
    void RemBtnClick();
    void AnBtnClick();
    void AusBtnClick();
    void AlleAnBtnClick();
    void AlleAusBtnClick();
    void IncludeRBClick();
    void DirTreeViewExpanding(QTreeWidgetItem* item);
    void DirTreeViewClick(QTreeWidgetItem* item);
    // Lists the selected folder of the tree anew (on the sources page) and scans the
    // entries that wait for a scan.
    void UpdateItemClick();
    // On the sources page the tree follows the selected entry and takes the focus.
    void PageControlChange();
    // A drag between the folder tree and the source list at a point of the window:
    // true when it adds (tree to list) or removes (list to tree); drop does it.
    bool DropBetweenViews(const QObject* source, const QPoint& windowPos, bool drop);
    void VerzUseBtnClick();
    void VerzRemBtnClick();
    void VerzFilterBtnClick();
    void BUPageControlChange(int page);
    // Files and folders dropped onto the window (host paths), each added as a source.
    void DropNames(const QStringList& hostPaths);

    // ---- task dialogs (BackupFormDialogs.cpp)
    void FilterBtnClick();
    void ExtFilterBtnClick();
    // The preview of the selected entry: its chosen files, or with `excluded` those left out.
    void PreviewBtnClick(bool excluded);
    void PhZipBtnClick();
    // Menu items of program options (BackupFormDialogs.cpp).
    void BackupSuffixClick();
    void MoveLogFile(const std::string& folder);
    void ProtDelItemClick();
    void JobDirItemClick();
    void LanguageItemClick(int index);
    // The item of the stored language choice is checked.
    void CheckLanguageItem();
    // The stored printer stays when the system knows it; else the system's default
    // printer takes its place (empty without printers).
    void CheckStoredPrinter();
    // "Minim." while the program stays in the tray for automatic tasks, else "Quit".
    void UpdateExitButton();
    // Printing of the log and the help menu (BackupFormDialogs.cpp).
    void SelectPrintItemClick();
    void PrintMarginsItemClick();
    void PrintFontItemClick();
    void HelpTopicClick(const std::string& topic);
    void InfoItemClick();
    void GZipInfoClick();
    void HomepageItemClick();
    // The main window's version box; unset: a box of the editor's own.
    std::function<void()> ShowVersionHook;
    // The system's printers; tests replace it.
    std::function<std::vector<std::string>()> AvailablePrinters;
    // Edits a list of file types as comma text; false on Cancel.
    bool EditTypeList(const std::string& caption, std::vector<std::string>& types);
    TAutoTaskSheet* AutoTaskSheet = nullptr;
    TTypeListBox* TypeListBox = nullptr;
    TTaskOptionsBox* TaskOptions = nullptr;
    TFilterDialog* FilterDialog = nullptr;
    TDatumWahlDialog* DatumWahlDialog = nullptr;
    TShowFilePreview* ShowFilePreview = nullptr;
    TSuffixDialog* SuffixDialog = nullptr;
    TFtpDialog* FtpDialog = nullptr;

    // ---- widgets (object names as the fields)
    QMenuBar* MainMenu = nullptr;
    QAction* NewTask = nullptr;
    QAction* OpenTask = nullptr;
    QAction* SaveTaskItem = nullptr;
    QAction* SaveTaskAsItem = nullptr;
    QAction* Importieren = nullptr;
    QAction* Exportieren = nullptr;
    QAction* FileExitItem = nullptr;
    QAction* BufferSizeItem = nullptr;
    QAction* PwdLengthItem = nullptr;
    QAction* InstantShowItem = nullptr;
    QAction* WaitDelayItem = nullptr;
    QAction* DefWindowItem = nullptr;
    QAction* NarrowWindowItem = nullptr;
    QAction* ScanDirItem = nullptr;
    QAction* UpdateItem = nullptr;
    QAction* itmAdd = nullptr;
    QAction* Update2 = nullptr;
    QAction* RestoreFiles = nullptr;
    QAction* DeletFiles = nullptr;
    QMenu* FileMenu = nullptr;
    QMenu* OptionsMenu = nullptr;
    QMenu* ExtrasMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QActionGroup* LanguageItems = nullptr;
    THistoryMenu* TaskHistoryMenu = nullptr;

    QToolButton* NewTaskBtn = nullptr;
    QToolButton* LoadTaskBtn = nullptr;
    QToolButton* LoadListBtn = nullptr;
    QToolButton* SaveTaskBtn = nullptr;
    QToolButton* ImportBtn = nullptr;
    QToolButton* ExportBtn = nullptr;
    QToolButton* RestoreBtn = nullptr;
    QToolButton* CleanUpBtn = nullptr;
    QToolButton* ProtBtn = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* ExitBtn = nullptr;

    QGroupBox* TaskBox = nullptr;
    QListWidget* SelectedDirBox = nullptr;
    QToolButton* UpBtn = nullptr;
    QToolButton* DownBtn = nullptr;
    QToolButton* SortBtn = nullptr;
    QToolButton* RemBtn = nullptr;
    QToolButton* AddDirBtn = nullptr;
    QToolButton* RemDirBtn = nullptr;
    QPushButton* FilterBtn = nullptr;
    QPushButton* PreviewBtn = nullptr;
    QLabel* lblSum = nullptr;
    QLabel* lblSaved = nullptr;
    QLabel* lblLastBackup = nullptr;

    QScrollArea* PagesScroll = nullptr;
    // Opened at the default size: fit the window to the pages once they hold the task.
    bool SizeToPagesOnShow = false;
    QTabWidget* PageControl = nullptr;
    QWidget* tsDirs = nullptr;
    QTreeWidget* ShellTreeView = nullptr;
    QLineEdit* edFolder = nullptr;
    QToolButton* PhPathBtn = nullptr;
    QToolButton* btFolder = nullptr;
    QPushButton* AddBtn = nullptr;
    QWidget* TabSheet2 = nullptr; // named file-type lists
    QWidget* tsAuto = nullptr;    // automatic tasks

    QTabWidget* BUPageControl = nullptr;
    QWidget* tsTypes = nullptr;
    QTableWidget* IncludeSG = nullptr;
    QTableWidget* ExcludeSG = nullptr;
    QToolButton* AnBtn = nullptr;
    QToolButton* AusBtn = nullptr;
    QToolButton* AlleAnBtn = nullptr;
    QToolButton* AlleAusBtn = nullptr;
    QRadioButton* IncludeRB = nullptr;
    QRadioButton* ExcludeRB = nullptr;
    QLabel* IncludeSumme = nullptr;
    QLabel* ExcludeSumme = nullptr;
    QPushButton* ExtFilterBtn = nullptr;
    QLabel* FilterTextLabel = nullptr;
    QLabel* TimeTextLabel = nullptr;
    QWidget* tsSubDir = nullptr;
    QTreeWidget* DirTreeView = nullptr;
    QListWidget* VerzFilterList = nullptr;
    QPushButton* VerzUseBtn = nullptr;
    QPushButton* VerzRemBtn = nullptr;
    QPushButton* VerzFilterBtn = nullptr;
    QWidget* tsOptions = nullptr;

    QTabWidget* pcDest = nullptr;
    QWidget* tsWin = nullptr;
    QComboBox* BuZiel = nullptr;
    QToolButton* btnDir = nullptr;
    QToolButton* PhDirBtn = nullptr;
    QWidget* tsFtp = nullptr;
    QLineEdit* edtFtp = nullptr;
    QToolButton* btnFTP = nullptr;

    QGroupBox* gbxDestMode = nullptr;
    QRadioButton* rbSingle = nullptr;
    QRadioButton* rbZip = nullptr;
    QRadioButton* DestRB1 = nullptr;
    QRadioButton* DestRB2 = nullptr;
    QRadioButton* DestRB3 = nullptr;
    QRadioButton* DestRB4 = nullptr;
    QRadioButton* DestRB5 = nullptr;
    QStackedWidget* DestModePages = nullptr;
    QLineEdit* ZipNameEdit = nullptr;
    QToolButton* PhZipBtn = nullptr;

    QGroupBox* GroupBox5 = nullptr;
    QComboBox* BuModeCB = nullptr;
    QCheckBox* UseArchivCB = nullptr;
    QCheckBox* ResArchivCB = nullptr;
    QRadioButton* rbNoComp = nullptr;
    QRadioButton* rbComp = nullptr;
    QPushButton* TypBtn = nullptr;
    QLabel* NoCompList = nullptr;
    QCheckBox* cbShellCopy = nullptr;
    QCheckBox* VerifyCB = nullptr;
    QCheckBox* DeleteCB = nullptr;
    QCheckBox* NoBakCB = nullptr;
    QCheckBox* KeepBakCB = nullptr;
    QPushButton* btnBakName = nullptr;
    QCheckBox* cbDelDir = nullptr;
    QCheckBox* cbCreationTime = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void BuildToolbar(QWidget* parent);
    QWidget* BuildSourcePage();
    QWidget* BuildTypesPage();
    QWidget* BuildSubDirPage();
    QWidget* BuildOptionsPage();
    QWidget* BuildDestination();
    void BuildLayout();
    void ConnectHandlers();
    void ConnectTaskDialogs();
    void SetTabOrder();
    void BuildOptionMenus();
    void BuildPrintItems(QMenu* log);
    void BuildHelpMenu();

    // The controls from the task model; marks nothing changed.
    void ShowTask();
    void ShowDestination();
    // The page of the task's kind of destination, without running pcDestChange.
    void ShowDestinationPage();
    // After the checks of a save or a start: what their repairs chose goes into the boxes.
    void ShowCheckedDestination();
    // The folder (Windows text) heads the destination's recently-used list.
    void PutDestinationOnTop(const std::string& folder);
    void ShowMethod();
    // The last backup's date and its "saved at" caption.
    void ShowLastBackup();
    void ShowSourceLines();
    // The line texts fitted to the list's width (cut lines hint the whole text).
    void FitSourceLines();
    // Enables the option controls by what the task's layout, method and destination allow.
    void UpdateOptionControls();
    void FillTypeGrid(QTableWidget* grid, const TTypeList& list);
    void ClearTypeGrid(QTableWidget* grid);
    void ClearSourceList();
    void FillShellTree();
    void ShowFolderFieldInTree();
    // The folder the folder field names, placeholders expanded (Windows text).
    std::string FolderFieldFolder() const;
    void TakeFolderField();
    // Moves the shell tree to a folder (Windows text) and makes it visible; empty: the
    // tree's top. quiet: the folder field keeps its text.
    void ShowShellFolder(const std::string& folder, bool quiet);
    // Watches the drive of a folder; a change there lists the drive's folders again.
    void WatchDrive(const std::string& folder);
    void DriveChanged(const QString& hostDir);
    void RefreshShellNode(QTreeWidgetItem* item);
    // While the sources page is open the tree shows the selected entry's folder.
    void FollowEntryInShellTree();
    void FillDirTree();
    void ShowDirMasks(TExtensionList& entry);
    void RefreshEntryLine();
    void FillDirNode(QTreeWidgetItem* item, TDirNode& node);
    void MoveTypes(bool toInclude, bool all);
    // The selected folders of the folder tree that the file system has, in tree order.
    std::vector<std::string> SelectedTreeFolders() const;
    void Modified();
    TExtensionList* SelectedEntry();
    int SelectedIndex() const;
    void SelectEntry(int index);
    bool ChooseFolder(const std::string& caption, std::string& folder);
    std::string AskTaskFile(const std::string& title, bool save);
    bool AskNumber(const std::string& caption, const std::string& prompt, const std::string& unit, int low, int high,
                   int& value);
    void MinimizeApp();

    bool FirstShow = true;
    bool Updating = false;
    bool SubDirsChanged = false;
    bool MinimizedByRun = false;
    TShellDirDialog* OwnDirDialog = nullptr;
    QFileSystemWatcher* DriveWatcher = nullptr;
    TSelectFromListDialog* OwnListDialog = nullptr;
    TSubDirTree SubDirTree;
    int DesignButtonWidth = 0;
    // Lines dragged between the folder tree and the source list: the view they come from.
    QObject* DragView = nullptr;
    QPoint DragStart;
    bool Dragging = false;
};
