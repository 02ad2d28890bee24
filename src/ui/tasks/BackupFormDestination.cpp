// The task editor's destination: folder or FTP server, single files or Zip files.

#include "ui/tasks/BackupForm.h"

#include "foundation/MessageDialogs.h"
#include "foundation/Translate.h"
#include "tasks/OptionRules.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/TabPages.h"
#include "ui/tasks/BackupFormFolder.h"
#include "ui/tasks/BackupFormWidgets.h"
#include "ui/tasks/TaskOptionsBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace BackupFormWidgets;

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

void TBackupForm::ShowDestination()
{
    const TBackupTask& task = Editor.Task;
    BuZiel->clear();
    for (const std::string& item : Editor.Settings.DestinationHistory) {
        BuZiel->addItem(QStr(ShownPath(item)));
    }
    BuZiel->setEditText(QStr(ShownPath(task.Destination)));
    edtFtp->setText(QStr(FtpDestinationText(task.Ftp)));
    ShowDestinationPage();
    const bool zip = task.IsZipDestination();
    rbZip->setChecked(zip);
    rbSingle->setChecked(!zip);
    DestModePages->setCurrentIndex(zip ? 1 : 0);
    QRadioButton* const buttons[] = {DestRB1, DestRB2, DestRB3, DestRB4, DestRB4, DestRB5};
    const int mode = std::clamp(task.DestMode, 0, 5);
    buttons[mode]->setChecked(true);
    ZipNameEdit->setText(QStr(task.ZipName));
}

void TBackupForm::ShowCheckedDestination()
{
    const TBackupTask& task = Editor.Task;
    const std::string shown = StoredPath(BuZiel->currentText().toStdString());
    const bool chosen = !task.FtpBackup && !task.Destination.empty() && task.Destination != shown;
    if (chosen) {
        PutDestinationOnTop(task.Destination);
    }
    if (chosen || edtFtp->text() != QStr(FtpDestinationText(task.Ftp))) {
        const bool wasUpdating = Updating;
        Updating = true;
        ShowDestination();
        Updating = wasUpdating;
    }
}

void TBackupForm::ShowDestinationPage()
{
    ShowPageQuietly(*pcDest, pcDest->indexOf(Editor.Task.FtpBackup ? tsFtp : tsWin));
}

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
    }
    // A cancelled FTP dialog: the page the kind stays with.
    ShowDestinationPage();
    UpdateOptionControls();
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
    PutDestinationOnTop(folder);
    const bool wasUpdating = Updating;
    Updating = true;
    ShowDestination();
    Updating = wasUpdating;
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
    ShowDestinationPage();
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
    if (!text.empty()) {
        PutDestinationOnTop(text);
    }
}

void TBackupForm::PutDestinationOnTop(const std::string& folder)
{
    std::vector<std::string>& history = Editor.Settings.DestinationHistory;
    std::erase(history, folder);
    history.insert(history.begin(), folder);
}

void TBackupForm::ZipNameEditChange()
{
    Editor.Task.ZipName = ZipNameEdit->text().toStdString();
    Modified();
}

void TBackupForm::DestRBClick(int destMode)
{
    TBackupTask& task = Editor.Task;
    if (!ChangeDestMode(task, destMode, SelectedIndex() >= 0)) {
        ErrorDialogAt({}, SeveralSourceDrivesText(), CenteredPoint);
    }
    const bool wasUpdating = Updating;
    Updating = true;
    ShowDestination();
    ShowMethod();
    cbShellCopy->setChecked(task.ShellCopy);
    TaskOptions->ShowTask();
    Updating = wasUpdating;
    Modified();
}
