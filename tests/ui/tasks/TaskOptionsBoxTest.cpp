#include "ui/tasks/TaskOptionsBox.h"
#include "NextModal.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/PageDialogs.h"
#include "ui/tasks/AddPrograms.h"
#include "ui/tasks/LogDlg.h"
#include "ui/tasks/MailDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct TOptions
{
    TBackupTask task;
    TProgramSettings settings;
    int modified = 0;
    TTaskOptionsBox box{task, settings};
    TOptions()
    {
        box.Host.Modified = [this] { ++modified; };
        box.ShowTask();
    }
};

} // namespace

TEST(TaskOptionsBox, CommandBoxesKeepTheWait)
{
    TOptions o;
    o.task.PreCommand = "prepare";
    o.task.PreWait = 0x2005;
    o.box.ShowTask();
    EXPECT_TRUE(o.box.cbPreC->isChecked());
    EXPECT_EQ(o.box.cbPreC->toolTip().toStdString(), "prepare");
    o.box.cbPreC->click();
    EXPECT_EQ(o.task.PreWait, 5);
    EXPECT_TRUE(o.box.cbPreC->toolTip().isEmpty());
    // Without a command, checking opens the programs dialog.
    WithNextModal([](QDialog& dialog) {
        static_cast<TAddProgramsDialog&>(dialog).Post.Command->setText("report");
        dialog.accept();
    });
    o.box.cbPostC->click();
    EXPECT_EQ(o.task.PostCommand, "report");
    EXPECT_NE(o.task.PostWait & CommandEnabledBit, 0);
    EXPECT_TRUE(o.box.cbPostC->isChecked());
    EXPECT_GE(o.modified, 2);
}

TEST(TaskOptionsBox, SyncEncryptionAndMail)
{
    TOptions o;
    o.task.Sources.resize(2);
    o.task.Sources[0].SyncCount = 7;
    o.box.ShowTask();
    o.box.rbAllSync->click();
    EXPECT_EQ(o.task.SyncMode, SyncAllFiles);
    EXPECT_EQ(o.task.Sources[0].SyncCount, 0);

    o.box.cbEncrypt->click();
    EXPECT_TRUE(o.task.Encrypt);
    EXPECT_TRUE(o.box.cbFixPwd->isEnabled());
    EXPECT_FALSE(o.box.btnCryptPassword->isEnabled());
    int minimum = -1;
    o.box.Host.AskNewPassword = [&](const std::string&, std::string&, int minLength) {
        minimum = minLength;
        return false;
    };
    o.box.cbFixPwd->click();
    EXPECT_EQ(minimum, o.settings.MinPwdLength);
    EXPECT_FALSE(o.box.cbFixPwd->isChecked());
    EXPECT_FALSE(o.task.FixPassword);

    WithNextModal([](QDialog& dialog) {
        auto& mail = static_cast<TMailDialog&>(dialog);
        mail.edServer->setEditText("mail.example.org");
        dialog.accept();
    });
    o.box.cbSendMail->click();
    EXPECT_FALSE(o.box.cbSendMail->isChecked()); // no recipient: no mail
    EXPECT_EQ(o.task.Mail.Server, "mail.example.org");
    WithNextModal([](QDialog& dialog) {
        static_cast<TMailDialog&>(dialog).lbRecipients->addItem("anna@example.org");
        dialog.accept();
    });
    o.box.cbSendMail->click();
    EXPECT_TRUE(o.task.SendMail);
    o.box.cbSendMail->click(); // unchecking needs no dialog
    EXPECT_FALSE(o.task.SendMail);
}

TEST(TaskOptionsBox, LogLabelFollowsTheDialog)
{
    TOptions o;
    EXPECT_EQ(o.box.Protokoll->text().toStdString(), "off");
    uint32_t told = 0;
    o.box.Host.LogSettingChanged = [&](uint32_t setting) { told = setting; };
    WithNextModal([](QDialog& dialog) {
        auto& log = static_cast<TLogDialog&>(dialog);
        log.rgMode->button(2)->setChecked(true);
        log.cbRestore->setChecked(true);
        log.cbPrint->setChecked(true);
        dialog.accept();
    });
    o.box.ProtSettingsClick();
    EXPECT_EQ(told, 2u | 16u | 64u);
    EXPECT_EQ(o.box.Protokoll->text().toStdString(), "long on B+R+P");
    EXPECT_EQ(o.modified, 0); // a program setting, not the task's
}

// The note is edited in the program's memo dialog, one item per line.
TEST(TaskOptionsBox, NotesOpenTheMemoDialog)
{
    TOptions o;
    o.task.Note = "first,second";
    int headers = 0;
    o.box.Host.HeaderChanged = [&headers] { ++headers; };
    QString shown;
    WithNextModal([&shown](QDialog& dialog) {
        auto* memo = qobject_cast<TMemoDialog*>(&dialog);
        ASSERT_NE(memo, nullptr);
        shown = memo->Memo()->toPlainText();
        memo->Memo()->setPlainText("first\nthird");
        dialog.accept();
    });
    o.box.ComBtn->click();
    EXPECT_EQ(shown, "first\nsecond");
    EXPECT_EQ(o.task.Note, "first,third");
    EXPECT_EQ(o.modified, 1);
    EXPECT_EQ(headers, 1);
}
