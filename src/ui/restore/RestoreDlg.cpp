#include "ui/restore/RestoreDlg.h"

#include "foundation/History.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "foundation/StatusView.h"
#include "platform/Drives.h"
#include "restore/JobFile.h"
#include "restore/RestoreTask.h"
#include "tasks/BackupLog.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"
#include "tasks/TaskEditor.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/QtTranslation.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/TabPages.h"
#include "ui/foundation/WindowPlacement.h"
#include "ui/restore/ConfirmFilesDlg.h"
#include "ui/restore/RestFilterDlg.h"
#include "ui/restore/RestPwdDlg.h"
#include "ui/tasks/DialogTools.h"
#include "ui/tasks/TimeCompareDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QComboBox* PathCombo(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setMinimumWidth(360);
    return box;
}

// The combo box lists the history (Windows text) as host paths, the first one chosen.
void ShowHistory(QComboBox* box, const std::vector<std::string>& history)
{
    box->clear();
    for (const std::string& entry : history) {
        box->addItem(QStr(ShownFolderText(entry)));
    }
    box->setCurrentIndex(history.empty() ? -1 : 0);
}

// A folder goes on top of its history and becomes the combo box's text.
void PutOnTop(QComboBox* box, std::vector<std::string>& history, const std::string& win)
{
    if (win.empty()) {
        return;
    }
    AddToHistory(history, win);
    ShowHistory(box, history);
}

QDate ToQDate(TDateTime date)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(date == 0 ? Date() : date, y, m, d);
    return QDate(y, m, d);
}

} // namespace

TRestoreDialog::TRestoreDialog(TTaskEditor& taskEditor, QWidget* parent)
    : QDialog(parent), editor(taskEditor), pwdDialog(std::make_unique<TRestorePwdDialog>(this)),
      confirmDialog(std::make_unique<TConfirmFilesDialog>(this)),
      run(taskEditor.Log, TheProgressView(), TheStatusView(), pwdDialog.get())
{
    setWindowTitle(QStr(editor.ProductText) + " - " + TrQ("Restore files from backup"));
    ModalToItsOwners(*this);
    hcbSource = PathCombo(this);
    sbtSource = new QToolButton(this);
    sbtSource->setText("...");
    pcSource = new QTabWidget(this);
    auto* dirPage = new QWidget(pcSource);
    auto* dirLayout = new QHBoxLayout(dirPage);
    dirLayout->addWidget(hcbSource, 1);
    dirLayout->addWidget(sbtSource);
    auto* ftpPage = new QWidget(pcSource);
    auto* ftpLayout = new QHBoxLayout(ftpPage);
    edtFtp = new QLabel(ftpPage);
    sbtFtp = new QToolButton(ftpPage);
    sbtFtp->setText("...");
    ftpLayout->addWidget(edtFtp, 1);
    ftpLayout->addWidget(sbtFtp);
    pcSource->addTab(dirPage, TrQ("Directory"));
    pcSource->addTab(ftpPage, TrQ("FTP server"));

    gbxDest = new QGroupBox(TrQ("Restore to"), this);
    rbtOrigin = new QRadioButton(TrQ("Origin"), gbxDest);
    rbtSelect = new QRadioButton(TrQ("Selection"), gbxDest);
    hcbDest = PathCombo(gbxDest);
    sbtDest = new QToolButton(gbxDest);
    sbtDest->setText("...");
    auto* destLayout = new QGridLayout(gbxDest);
    destLayout->addWidget(rbtOrigin, 0, 0);
    destLayout->addWidget(rbtSelect, 1, 0);
    destLayout->addWidget(hcbDest, 1, 1);
    destLayout->addWidget(sbtDest, 1, 2);
    destLayout->setColumnStretch(1, 1);

    gbxRestore = new QGroupBox(this);
    GzUnPackCB = new QCheckBox(TrQ("Unpack gz-files"), gbxRestore);
    auto* overwriteBox = new QGroupBox(TrQ("Overwrite"), gbxRestore);
    auto* overwriteLayout = new QVBoxLayout(overwriteBox);
    OverwriteRG = new QButtonGroup(this);
    const char* overwriteItems[] = {TrNoopDefault("overwrite all files"), TrNoopDefault("overwrite older files"),
                                    TrNoopDefault("no overwrite")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(TrQ(overwriteItems[i]), overwriteBox);
        OverwriteRG->addButton(button, i);
        overwriteLayout->addWidget(button);
    }
    auto* ageBox = new QGroupBox(TrQ("Restore"), gbxRestore);
    auto* ageLayout = new QVBoxLayout(ageBox);
    RestoreRG = new QButtonGroup(this);
    const char* ageItems[] = {TrNoopDefault("all"), TrNoopDefault("all older than:"), TrNoopDefault("all newer than:")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(TrQ(ageItems[i]), ageBox);
        RestoreRG->addButton(button, i);
        ageLayout->addWidget(button);
    }
    DateTimePicker = new QDateEdit(ageBox);
    DateTimePicker->setCalendarPopup(true);
    DateTimePicker->setDisplayFormat(DateFieldFormat());
    ageLayout->addWidget(DateTimePicker);
    FilterText = new QLabel(gbxRestore);
    FilterBtn = new QPushButton(TrQ("Filter"), gbxRestore);
    btnTimeSettings = new QPushButton(TrQ("Time"), overwriteBox);
    btnTimeSettings->setToolTip(TrQ("Timestamp comparison of files"));
    overwriteLayout->addWidget(btnTimeSettings, 0, Qt::AlignLeft);
    auto* restoreLayout = new QGridLayout(gbxRestore);
    restoreLayout->addWidget(overwriteBox, 0, 0);
    restoreLayout->addWidget(ageBox, 0, 1);
    restoreLayout->addWidget(GzUnPackCB, 1, 0);
    restoreLayout->addWidget(FilterText, 2, 0);
    restoreLayout->addWidget(FilterBtn, 2, 1, Qt::AlignRight);
    filterDialog = new TRestoreFilterDialog(this);
    timeDialog = new TTimeCompareDialog(this);

    LoadBtn = new QPushButton(TrQ("Load"), this);
    SaveBtn = new QPushButton(TrQ("Save"), this);
    bbtStart = new QPushButton(TrQ("Start &restore"), this);
    bbtBack = new QPushButton(TrQ("&Done"), this);
    bbtStart->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(LoadBtn);
    buttons->addWidget(SaveBtn);
    buttons->addStretch();
    buttons->addWidget(bbtStart);
    buttons->addWidget(bbtBack);

    auto* layout = new QVBoxLayout;
    layout->addWidget(new QLabel(TrQ("Restore from:"), this));
    layout->addWidget(pcSource);
    layout->addWidget(gbxDest);
    layout->addWidget(gbxRestore);
    layout->addLayout(buttons);
    ScrollContents(*this, layout);

    connect(sbtSource, &QToolButton::clicked, this, [this] {
        ChooseFolder(hcbSource, run.SourceHistory, TrNoopDefault("Select from where to restore files"));
    });
    connect(sbtDest, &QToolButton::clicked, this,
            [this] { ChooseFolder(hcbDest, run.DestHistory, TrNoopDefault("Select directory to restore")); });
    connect(FilterBtn, &QPushButton::clicked, this, &TRestoreDialog::FilterBtnClick);
    connect(pcSource, &QTabWidget::currentChanged, this, &TRestoreDialog::PageChanged);
    connect(sbtFtp, &QToolButton::clicked, this, [this] {
        if (EditFtp && EditFtp(run.Ftp)) {
            edtFtp->setText(QStr(JobFtpText(run.Ftp)));
        }
    });
    connect(btnTimeSettings, &QPushButton::clicked, this, &TRestoreDialog::TimeSettingsClick);
    connect(OverwriteRG, &QButtonGroup::idClicked, this, [this] { UpdateTimeButton(); });
    connect(rbtOrigin, &QRadioButton::toggled, this, [this](bool origin) {
        hcbDest->setEnabled(!origin);
        sbtDest->setEnabled(!origin);
    });
    connect(RestoreRG, &QButtonGroup::idClicked, this, [this] { UpdateFilterText(); });
    connect(bbtStart, &QPushButton::clicked, this, [this] { StartClick(); });
    connect(bbtBack, &QPushButton::clicked, this, &QDialog::accept);
    connect(LoadBtn, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, TrQ("Load restore task"),
            QStr(ShownFolderText(run.TaskFileName.empty() ? editor.Settings.JobDir : run.TaskFileName)),
            TrQ("Restore tasks") + " (*.rsj);;" + TrQ("all") + " (*)");
        if (!file.isEmpty()) {
            LoadTask(FolderOfShownText(file.toStdString()));
        }
        UpdateFilterText();
    });
    connect(SaveBtn, &QPushButton::clicked, this, [this] {
        QString file = QFileDialog::getSaveFileName(
            this, TrQ("Save restore task"),
            QStr(ShownFolderText(run.TaskFileName.empty() ? editor.Settings.JobDir : run.TaskFileName)),
            TrQ("Restore tasks") + " (*.rsj);;" + TrQ("all") + " (*)");
        if (!file.isEmpty()) {
            if (!file.contains('.')) {
                file += ".rsj";
            }
            SaveTask(FolderOfShownText(file.toStdString()));
        }
    });
    OptionsToControls();
}

TRestoreDialog::~TRestoreDialog() = default;

void TRestoreDialog::ChooseFolder(QComboBox* box, std::vector<std::string>& history, const char* title)
{
    std::string folder = FolderOfShownText(box->currentText().toStdString());
    if (SharedOrOwn(CommonDialogs().DirDialog, ownDirDialog, this).Execute(TrDefault(title), false, folder)) {
        PutOnTop(box, history, folder);
    }
}

void TRestoreDialog::ShowHistories()
{
    ShowHistory(hcbSource, run.SourceHistory);
    ShowHistory(hcbDest, run.DestHistory);
    // A task's folders are shown even when the histories do not hold them.
    if (!run.Options.SourceDir.empty()) {
        hcbSource->setEditText(QStr(ShownFolderText(run.Options.SourceDir)));
    }
    if (!run.Options.DestDir.empty()) {
        hcbDest->setEditText(QStr(ShownFolderText(run.Options.DestDir)));
    }
}

void TRestoreDialog::UpdateTimeButton()
{
    btnTimeSettings->setVisible(OverwriteRG->checkedId() == OverwriteOlder);
}

void TRestoreDialog::ShowTaskName(const std::string& file)
{
    gbxRestore->setTitle(file.empty() ? QString() : QStr(RemoveExtension(ExtractFileName(file))));
}

void TRestoreDialog::FilterBtnClick()
{
    TRestoreOptions& o = run.Options;
    if (filterDialog->Execute(FolderOfShownText(hcbSource->currentText().toStdString()), o.BackupCopies, o.Filter,
                              o.Suffix)) {
        UpdateFilterText();
    }
}

void TRestoreDialog::TimeSettingsClick()
{
    int32_t timespan = run.Options.Timespan;
    if (timeDialog->Execute(timespan, run.Options.IgnoreDst)) {
        run.Options.Timespan = timespan;
    }
}

void TRestoreDialog::OptionsToControls()
{
    const TRestoreOptions& o = run.Options;
    (o.Origin ? rbtOrigin : rbtSelect)->setChecked(true);
    hcbDest->setEnabled(!o.Origin);
    sbtDest->setEnabled(!o.Origin);
    GzUnPackCB->setChecked(o.UnCompress);
    OverwriteRG->button(o.Overwrite)->setChecked(true);
    RestoreRG->button(o.AgeMode)->setChecked(true);
    DateTimePicker->setMaximumDate(QDate::currentDate());
    DateTimePicker->setDate(ToQDate(o.Date));
    edtFtp->setText(QStr(JobFtpText(run.Ftp)));
    UpdateTimeButton();
    UpdateFilterText();
}

void TRestoreDialog::ControlsToOptions()
{
    TRestoreOptions& o = run.Options;
    o.SourceDir = FolderOfShownText(hcbSource->currentText().toStdString());
    o.DestDir = FolderOfShownText(hcbDest->currentText().toStdString());
    o.Origin = rbtOrigin->isChecked();
    o.UnCompress = GzUnPackCB->isChecked();
    o.Overwrite = OverwriteRG->checkedId();
    o.AgeMode = RestoreRG->checkedId();
    const QDate d = DateTimePicker->date();
    o.Date = EncodeDate(d.year(), d.month(), d.day());
    o.FtpBackup = pcSource->currentIndex() == 1;
}

void TRestoreDialog::UpdateFilterText()
{
    DateTimePicker->setVisible(RestoreRG->checkedId() != AgeAll);
    FilterText->setText(TrQ("Filter:") + " " + QStr(RestoreFilterText(run.Options)));
}

void TRestoreDialog::Prepare(const std::string& source, const std::string& dest)
{
    run.EndSession();
    ShowPageQuietly(*pcSource, 0);
    const std::string folder = StripPlaceholderDirs(source);
    if (!folder.empty()) {
        run.Options.SourceDir = folder;
        AddToHistory(run.SourceHistory, folder);
    }
    if (!dest.empty()) {
        run.Options.DestDir = dest;
        AddToHistory(run.DestHistory, dest);
    }
    ShowHistories();
    OptionsToControls();
}

void TRestoreDialog::Execute(const std::string& source, const std::string& dest, int logMode)
{
    run.LogMode = logMode;
    Prepare(source, dest);
    exec();
    Done();
    run.EndSession();
}

void TRestoreDialog::ExecuteFtp(const TFtpParams& ftp, const std::string& dest, int logMode)
{
    run.LogMode = logMode;
    Prepare({}, dest);
    run.Ftp = ftp;
    run.Ftp.SubDir = StripFtpPlaceholderDirs(ftp.SubDir);
    edtFtp->setText(QStr(JobFtpText(run.Ftp)));
    ShowPageQuietly(*pcSource, 1);
    exec();
    Done();
    run.EndSession();
}

void TRestoreDialog::PageChanged(int index)
{
    // Without a server the FTP page has nothing to show.
    if (index == 1 && (EditFtp ? !EditFtp(run.Ftp) : run.Ftp.Host.empty())) {
        index = 0;
    } else if (index == 1) {
        edtFtp->setText(QStr(JobFtpText(run.Ftp)));
    }
    ShowPageQuietly(*pcSource, index);
}

void TRestoreDialog::Done()
{
    ControlsToOptions();
    if (run.TaskLoaded) {
        run.RestoreOwnSettings();
        ShowTaskName({});
        ShowHistories();
        OptionsToControls();
    }
}

void TRestoreDialog::LoadFromIni(const std::string& settingsFile, const std::string& fallbackFile)
{
    const bool first = run.SettingsFile.empty();
    run.LoadFromIni(settingsFile, fallbackFile);
    if (first && !run.SettingsFile.empty()) {
        filterDialog->LoadFromIni(run.SettingsFile);
    }
    ShowHistories();
    OptionsToControls();
    rbtSelect->setChecked(true);
    ShowTaskName({});
}

void TRestoreDialog::WriteToIni()
{
    ControlsToOptions();
    run.WriteToIni();
}

void TRestoreDialog::StartClick()
{
    ControlsToOptions();
    const TRestoreOptions& o = run.Options;
    if (o.FtpBackup) {
        ErrorDialog(windowTitle().toStdString(), TrDefault("FTP-Restore noch nicht implementiert!"));
        return;
    }
    if (o.SourceDir.empty()) {
        ErrorDialog(windowTitle().toStdString(), TrDefault("Please select directory from where to restore files"));
        return;
    }
    if (!o.Origin && o.DestDir.empty()) {
        ErrorDialog(windowTitle().toStdString(), TrDefault("Please specify the directory you want to restore"));
        return;
    }
    PutOnTop(hcbSource, run.SourceHistory, o.SourceDir);
    if (!o.Origin) {
        PutOnTop(hcbDest, run.DestHistory, o.DestDir);
    }
    run.ProductText = editor.ProductText;
    run.BufferSize = editor.Settings.BufferSize;
    const int logError = run.LogMode > 0 ? editor.Log.OpenLog(editor.Settings.Protocol, false, false) : 0;
    if (logError != 0) {
        // The restore runs all the same, unlogged.
        ShowLogOpenError(logError);
    }
    const bool logged = run.LogMode > 0 && logError == 0;
    TScopedConfirmFiles confirm(confirmDialog.get());
    run.RunRestore(o.SourceDir, o.DestDir, o.Origin, true, false, editor.Settings.WaitTime);
    if (logged) {
        editor.Log.CloseLog();
    }
}

bool TRestoreDialog::LoadTask(const std::string& file)
{
    ControlsToOptions();
    if (!run.LoadTask(file)) {
        return false;
    }
    ShowTaskName(file);
    ShowHistories();
    ShowPageQuietly(*pcSource, run.Options.FtpBackup ? 1 : 0);
    OptionsToControls();
    return true;
}

bool TRestoreDialog::SaveTask(const std::string& file)
{
    ControlsToOptions();
    run.ProductText = editor.ProductText;
    run.FileVersion = editor.FileVersion;
    if (run.SaveTask(file) != 0) {
        ErrorDialog(windowTitle().toStdString(),
                    FormatText(TrDefault("Could not write file: %s"), ShownFolderText(file)));
        return false;
    }
    ShowTaskName(file);
    return true;
}

int TRestoreDialog::AutoRestore(const std::string& list, int logMode, bool quiet, int closeDelay)
{
    run.ProductText = editor.ProductText;
    run.BufferSize = editor.Settings.BufferSize;
    run.TaskDir = editor.Settings.JobDir;
    const int outcome = run.AutoRestore(list, logMode, quiet, closeDelay);
    ShowHistories();
    OptionsToControls();
    return outcome;
}

TRestoreDialog& TheRestoreDialog(TTaskEditor& editor, QWidget* parent)
{
    static TRestoreDialog* dialog = nullptr;
    if (!dialog) {
        dialog = new TRestoreDialog(editor, parent);
    }
    return *dialog;
}

namespace {

int RestoreLogMode(const TTaskEditor& editor)
{
    return (editor.Settings.Protocol & ProtocolRestores) != 0 ? static_cast<int>(editor.Settings.Protocol & 0x0F) : 0;
}

} // namespace

void OpenRestoreDialog(TTaskEditor& editor, QWidget* parent)
{
    TRestoreDialog& dialog = TheRestoreDialog(editor, parent);
    if (editor.Task.FtpBackup) {
        dialog.ExecuteFtp(editor.Task.Ftp, dialog.DocumentsDir, RestoreLogMode(editor));
    } else {
        dialog.Execute(editor.Task.Destination, dialog.DocumentsDir, RestoreLogMode(editor));
    }
}

int RunRestoreTasks(TTaskEditor& editor, const std::string& list, bool quiet)
{
    TRestoreDialog& dialog = TheRestoreDialog(editor, nullptr);
    const int logMode = RestoreLogMode(editor);
    const bool logged = logMode > 0 && editor.Log.OpenLog(editor.Settings.Protocol, false, false) == 0;
    const int outcome = dialog.AutoRestore(list, logMode, quiet, editor.Settings.WaitTime);
    if (logged) {
        editor.Log.CloseLog();
    }
    return outcome;
}
