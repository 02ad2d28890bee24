#include "ui/tasks/TaskOptionsBox.h"

#include "tasks/BackupRun.h"
#include "tasks/OptionRules.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/PageDialogs.h"
#include "ui/foundation/PasswordDialogs.h"
#include "ui/tasks/AddPrograms.h"
#include "ui/tasks/DialogTools.h"
#include "ui/tasks/LogDlg.h"
#include "ui/tasks/MailDlg.h"
#include "ui/tasks/TimeCompareDlg.h"

#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TTaskOptionsBox::TTaskOptionsBox(TBackupTask& task_, TProgramSettings& settings_, QWidget* parent)
    : QWidget(parent), task(task_), settings(settings_)
{
    ProgramsDialog = new TAddProgramsDialog(this);
    MailDialog = new TMailDialog(this);
    TimeCompareDialog = new TTimeCompareDialog(this);
    LogDialog = new TLogDialog(this);

    auto* crypt = new QGroupBox(TrQ("Encryption"), this);
    cbEncrypt = new QCheckBox(TrQ("use AES encryption"), crypt);
    cbFixPwd = new QCheckBox(TrQ("use permanent password"), crypt);
    btnCryptPassword = new QPushButton(TrQ("Define password"), crypt);
    auto* cryptLayout = new QVBoxLayout(crypt);
    cryptLayout->addWidget(cbEncrypt);
    cryptLayout->addWidget(cbFixPwd);
    cryptLayout->addWidget(btnCryptPassword, 0, Qt::AlignLeft);

    auto* sync = new QGroupBox(TrQ("Synchronize"), this);
    rbNoSync = new QRadioButton(TrQ("off"), sync);
    rbAllSync = new QRadioButton(TrQ("all files"), sync);
    rbBuSync = new QRadioButton(TrQ("only backup selections"), sync);
    auto* syncLayout = new QVBoxLayout(sync);
    syncLayout->addWidget(rbNoSync);
    syncLayout->addWidget(rbAllSync);
    syncLayout->addWidget(rbBuSync);

    auto* programs = new QGroupBox(TrQ("External programs"), this);
    cbPreC = new QCheckBox(TrQ("before"), programs);
    cbPostC = new QCheckBox(TrQ("after Backup"), programs);
    ExtBtn = new QPushButton(TrQ("Edit"), programs);
    auto* programLayout = new QHBoxLayout(programs);
    programLayout->addWidget(cbPreC);
    programLayout->addWidget(cbPostC);
    programLayout->addStretch();
    programLayout->addWidget(ExtBtn);

    auto* other = new QGroupBox(TrQ("Other"), this);
    cbSendMail = new QCheckBox(TrQ("Send report by mail"), other);
    DstBtn = new QPushButton(TrQ("Time"), other);
    DstBtn->setToolTip(TrQ("Timestamp comparison of files"));
    ComBtn = new QPushButton(TrQ("Notes"), other);
    btnPassword = new QPushButton(TrQ("Password"), other);
    btnPassword->setToolTip(TrQ("Password for the network connection"));
    Protokoll = new QLabel(other);
    ProtSettings = new QPushButton(TrQ("Log file"), other);
    auto* otherGrid = new QGridLayout(other);
    otherGrid->addWidget(cbSendMail, 0, 0, 1, 3);
    otherGrid->addWidget(DstBtn, 1, 0);
    otherGrid->addWidget(ComBtn, 1, 1);
    otherGrid->addWidget(btnPassword, 1, 2);
    otherGrid->addWidget(ProtSettings, 2, 0);
    otherGrid->addWidget(Protokoll, 2, 1, 1, 2);

    auto* grid = new QGridLayout(this);
    grid->addWidget(crypt, 0, 0);
    grid->addWidget(sync, 0, 1);
    grid->addWidget(programs, 1, 0, 1, 2);
    grid->addWidget(other, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);

    connect(cbEncrypt, &QCheckBox::clicked, this, &TTaskOptionsBox::cbEncryptClick);
    connect(cbFixPwd, &QCheckBox::clicked, this, &TTaskOptionsBox::cbFixPwdClick);
    connect(btnCryptPassword, &QPushButton::clicked, this, &TTaskOptionsBox::btnCryptPasswordClick);
    connect(rbNoSync, &QRadioButton::clicked, this, [this] { SyncClick(SyncOff); });
    connect(rbAllSync, &QRadioButton::clicked, this, [this] { SyncClick(SyncAllFiles); });
    connect(rbBuSync, &QRadioButton::clicked, this, [this] { SyncClick(SyncSelections); });
    connect(cbPreC, &QCheckBox::clicked, this, &TTaskOptionsBox::cbPreCClick);
    connect(cbPostC, &QCheckBox::clicked, this, &TTaskOptionsBox::cbPostCClick);
    connect(ExtBtn, &QPushButton::clicked, this, &TTaskOptionsBox::ExtBtnClick);
    connect(cbSendMail, &QCheckBox::clicked, this, &TTaskOptionsBox::cbSendMailClick);
    connect(DstBtn, &QPushButton::clicked, this, &TTaskOptionsBox::DstBtnClick);
    connect(ComBtn, &QPushButton::clicked, this, &TTaskOptionsBox::ComBtnClick);
    connect(btnPassword, &QPushButton::clicked, this, &TTaskOptionsBox::btnPasswordClick);
    connect(ProtSettings, &QPushButton::clicked, this, &TTaskOptionsBox::ProtSettingsClick);

    Host.AskNewPassword = [this](const std::string& caption, std::string& password, int minLength) {
        if (TNewPwdDialog* shared = CommonDialogs().NewPwd) {
            return shared->Execute(caption, password, true, true, minLength);
        }
        TNewPwdDialog dialog(this);
        return dialog.Execute(caption, password, true, true, minLength);
    };
    Host.AskMemo = [this](const std::string& caption, const std::string& label, std::string& text) {
        return SharedOrOwn(CommonDialogs().Memo, ownMemo, this).Execute(caption, label, text);
    };
}

TTaskOptionsBox::~TTaskOptionsBox() = default;

void TTaskOptionsBox::Changed()
{
    if (Host.Modified) {
        Host.Modified();
    }
}

void TTaskOptionsBox::ApplyEnabling(const TOptionEnabling& on)
{
    cbEncrypt->setEnabled(on.Encrypt);
    cbFixPwd->setEnabled(on.FixPassword);
    btnCryptPassword->setEnabled(on.CryptPassword);
    for (QRadioButton* button : {rbNoSync, rbAllSync, rbBuSync}) {
        button->setEnabled(on.Sync);
    }
    DstBtn->setEnabled(on.TimeCompare);
}

void TTaskOptionsBox::ShowCommands()
{
    cbPreC->setChecked(task.PreCommandEnabled());
    cbPreC->setToolTip(task.PreCommandEnabled() ? QStr(task.PreCommand) : QString());
    cbPostC->setChecked(task.PostCommandEnabled());
    cbPostC->setToolTip(task.PostCommandEnabled() ? QStr(task.PostCommand) : QString());
}

void TTaskOptionsBox::ShowTask()
{
    const QSignalBlocker blocker(this);
    cbEncrypt->setChecked(task.Encrypt);
    cbFixPwd->setChecked(task.FixPassword);
    (task.SyncMode == SyncAllFiles     ? rbAllSync
     : task.SyncMode == SyncSelections ? rbBuSync
                                       : rbNoSync)
        ->setChecked(true);
    ApplyEnabling(OptionEnablingOf(task));
    ShowCommands();
    cbSendMail->setChecked(task.SendMail);
    Protokoll->setText(QStr(LogLabelText(settings.Protocol)));
}

void TTaskOptionsBox::cbEncryptClick()
{
    task.Encrypt = cbEncrypt->isChecked();
    ApplyEnabling(OptionEnablingOf(task));
    Changed();
}

void TTaskOptionsBox::cbFixPwdClick()
{
    task.FixPassword = cbFixPwd->isChecked();
    if (task.FixPassword) {
        std::string password = task.Password;
        if (Host.AskNewPassword(EncryptionPasswordCaption(), password, settings.MinPwdLength)) {
            task.Password = password;
        } else {
            task.FixPassword = false;
            cbFixPwd->setChecked(false);
        }
    }
    ApplyEnabling(OptionEnablingOf(task));
    Changed();
}

void TTaskOptionsBox::btnCryptPasswordClick()
{
    std::string password = task.Password;
    if (Host.AskNewPassword(EncryptionPasswordCaption(), password, settings.MinPwdLength)) {
        task.Password = password;
        Changed();
    }
}

void TTaskOptionsBox::SyncClick(int mode)
{
    if (mode != SyncOff && mode != task.SyncMode) {
        for (TExtensionList& entry : task.Sources) {
            entry.SyncCount = 0;
        }
    }
    task.SyncMode = mode;
    Changed();
}

void TTaskOptionsBox::CommandChecked(bool checked, bool post)
{
    int32_t& wait = post ? task.PostWait : task.PreWait;
    const std::string& command = post ? task.PostCommand : task.PreCommand;
    if (checked) {
        wait |= CommandEnabledBit;
        if (command.empty()) {
            ExtBtnClick();
        }
    } else {
        wait %= CommandEnabledBit;
    }
    ShowCommands();
    Changed();
}

void TTaskOptionsBox::cbPreCClick()
{
    CommandChecked(cbPreC->isChecked(), false);
}

void TTaskOptionsBox::cbPostCClick()
{
    CommandChecked(cbPostC->isChecked(), true);
}

void TTaskOptionsBox::ExtBtnClick()
{
    if (ProgramsDialog->Execute(settings.JobDir, task.PreCommand, task.PreWait, task.PostCommand, task.PostWait)) {
        Changed();
    }
    ShowCommands();
}

void TTaskOptionsBox::cbSendMailClick()
{
    if (!cbSendMail->isChecked()) {
        task.SendMail = false;
        Changed();
        return;
    }
    MailDialog->LoadFromIni(settings.FileName);
    const std::string caption = Host.TaskCaption ? Host.TaskCaption() : std::string();
    if (MailDialog->Execute(caption, task.Mail)) {
        task.SendMail = !task.Mail.Server.empty() && !task.Mail.Recipients.empty();
        Changed();
    } else {
        task.SendMail = false;
    }
    cbSendMail->setChecked(task.SendMail);
}

void TTaskOptionsBox::DstBtnClick()
{
    if (TimeCompareDialog->Execute(task.Timespan, task.IgnoreDst)) {
        Changed();
    }
}

void TTaskOptionsBox::ComBtnClick()
{
    const std::string caption = window()->windowTitle().toStdString();
    std::string note = task.Note;
    if (Host.AskMemo(caption, TrDefault("Description of backup task:"), note)) {
        task.Note = note;
        Changed();
        if (Host.HeaderChanged) {
            Host.HeaderChanged();
        }
    }
}

void TTaskOptionsBox::btnPasswordClick()
{
    std::string password = task.NetPassword;
    if (Host.AskNewPassword(TrDefault("Net connection"), password, 0)) {
        task.NetPassword = password;
        Changed();
    }
}

bool TTaskOptionsBox::ProtSettingsClick()
{
    uint32_t setting = settings.Protocol;
    const bool confirmed = LogDialog->Execute(setting);
    if (confirmed) {
        settings.Protocol = setting;
        if (Host.LogSettingChanged) {
            Host.LogSettingChanged(setting);
        }
    }
    Protokoll->setText(QStr(LogLabelText(settings.Protocol)));
    return confirmed;
}
