// The task editor's options page and the option items of its menu.

#include "ui/tasks/BackupForm.h"

#include "foundation/Translate.h"
#include "tasks/OptionRules.h"
#include "ui/tasks/BackupFormFolder.h"
#include "ui/tasks/BackupFormWidgets.h"
#include "ui/tasks/SuffixDlg.h"
#include "ui/tasks/TaskOptionsBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace BackupFormWidgets;

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
    // Kept in the task file; Linux keeps no creation time that could be set.
    cbCreationTime = Named(new QCheckBox(Tr("Copy creation time"), other), "cbCreationTime");
    oth->addWidget(cbCreationTime);
    grid->addWidget(other, 1, 1);
    grid->setRowStretch(2, 1);
    return tsOptions;
}

void TBackupForm::ShowMethod()
{
    const TBackupTask& task = Editor.Task;
    const int method = task.BackupMethod();
    BuModeCB->setCurrentIndex(method);
    ResArchivCB->setChecked(task.ArchBit);
    UseArchivCB->setChecked(task.UseArch);
}

void TBackupForm::UpdateOptionControls()
{
    const TOptionEnabling on = OptionEnablingOf(Editor.Task);
    BuModeCB->setEnabled(on.Method);
    ResArchivCB->setEnabled(on.ArchiveBits);
    UseArchivCB->setEnabled(on.ArchiveBits);
    NoBakCB->setEnabled(on.NoBak);
    KeepBakCB->setEnabled(on.KeepBak);
    btnBakName->setEnabled(on.BakName);
    VerifyCB->setEnabled(on.Verify);
    cbDelDir->setEnabled(on.DelDir);
    rbNoComp->setEnabled(on.Compression);
    rbComp->setEnabled(on.Compression);
    TypBtn->setEnabled(on.CompTypes);
    NoCompList->setEnabled(on.CompTypes);
    cbShellCopy->setEnabled(on.ShellCopy);
    cbCreationTime->setEnabled(on.CreationTime);
    ZipNameEdit->setEnabled(on.ZipName);
    PhZipBtn->setEnabled(on.ZipName);
    TaskOptions->ApplyEnabling(on);
}

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

void TBackupForm::KompCBClick()
{
    TBackupTask& task = Editor.Task;
    task.Compress = rbComp->isChecked();
    task.Verify = VerifyCB->isChecked();
    Modified();
}

void TBackupForm::NoBakCBClick()
{
    TBackupTask& task = Editor.Task;
    task.NoBaks = NoBakCB->isChecked();
    if (task.NoBaks) {
        task.BakFiles = false;
        KeepBakCB->setChecked(false);
    }
    Modified();
}

void TBackupForm::KeepBakCBClick()
{
    Editor.Task.BakFiles = KeepBakCB->isChecked();
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
