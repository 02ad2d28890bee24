#pragma once

#include "tasks/OptionRules.h"
#include "tasks/Settings.h"
#include "tasks/TaskModel.h"

#include <QWidget>
#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TAddProgramsDialog;
class TLogDialog;
class TMemoDialog;
class TMailDialog;
class TTimeCompareDialog;

// What the option controls need from the task editor.
struct TTaskOptionsHost
{
    std::function<void()> Modified;
    // The task's caption changed (its note).
    std::function<void()> HeaderChanged;
    // The caption of the task box (the task's name) for the mail dialog.
    std::function<std::string()> TaskCaption;
    // A new password, typed twice (caption, in/out password, minimum length); false on Cancel.
    std::function<bool(const std::string& caption, std::string& password, int minLength)> AskNewPassword;
    // A longer text (caption, label, in/out text); false on Cancel.
    std::function<bool(const std::string& caption, const std::string& label, std::string& text)> AskMemo;
    // The program's log setting was changed.
    std::function<void(uint32_t setting)> LogSettingChanged;
};

// The task's options beside copying: encryption, synchronisation, the programs before
// and after, the report mail, the time comparison, the note, the network password, and
// the program's log setting.
class TTaskOptionsBox : public QWidget
{
    Q_OBJECT
public:
    TTaskOptionsBox(TBackupTask& task, TProgramSettings& settings, QWidget* parent = nullptr);
    ~TTaskOptionsBox() override;

    TTaskOptionsHost Host;

    // The controls from the task and the settings; marks nothing changed.
    void ShowTask();
    // Enables encryption, synchronisation and the time comparison by the editor's rules.
    void ApplyEnabling(const TOptionEnabling& on);

    void cbEncryptClick();
    void cbFixPwdClick();
    void btnCryptPasswordClick();
    void SyncClick(int mode);
    void cbPreCClick();
    void cbPostCClick();
    void ExtBtnClick();
    void cbSendMailClick();
    void DstBtnClick();
    void ComBtnClick();
    void btnPasswordClick();
    // False when the log dialog was cancelled.
    bool ProtSettingsClick();

    QCheckBox* cbEncrypt = nullptr;
    QCheckBox* cbFixPwd = nullptr;
    QPushButton* btnCryptPassword = nullptr;
    QRadioButton* rbNoSync = nullptr;
    QRadioButton* rbAllSync = nullptr;
    QRadioButton* rbBuSync = nullptr;
    QCheckBox* cbPreC = nullptr;
    QCheckBox* cbPostC = nullptr;
    QPushButton* ExtBtn = nullptr;
    QCheckBox* cbSendMail = nullptr;
    QPushButton* DstBtn = nullptr;
    QPushButton* ComBtn = nullptr;
    QPushButton* btnPassword = nullptr;
    QLabel* Protokoll = nullptr;
    QPushButton* ProtSettings = nullptr;

    TAddProgramsDialog* ProgramsDialog = nullptr;
    TMailDialog* MailDialog = nullptr;
    TTimeCompareDialog* TimeCompareDialog = nullptr;
    TLogDialog* LogDialog = nullptr;

private:
    void Changed();
    void ShowCommands();
    void CommandChecked(bool checked, bool post);
    TBackupTask& task;
    TProgramSettings& settings;
    TMemoDialog* ownMemo = nullptr;
};
