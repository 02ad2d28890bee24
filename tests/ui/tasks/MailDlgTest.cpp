#include "ui/tasks/MailDlg.h"

#include "TempFolder.h"
#include "foundation/History.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "ui/foundation/HistoryCombo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>

namespace {

TMailData SampleData()
{
    TMailData data;
    data.Server = "mail.example.org";
    data.Port = 587;
    data.Username = "anna";
    data.Password = "secret";
    data.Sender = "Backup";
    data.ReplyTo = "anna@example.org";
    data.Recipients = "anna@example.org,\"Bob <bob@example.org>\"";
    data.AttachLog = true;
    data.ZipLog = true;
    return data;
}

// Answers the address prompts from a queue; an empty answer cancels.
struct TAddressAnswers
{
    std::deque<std::string> answers;
    std::vector<std::string> captions;
    void Attach(TMailDialog& dialog)
    {
        dialog.AskAddress = [this](const std::string& caption, std::string& text) {
            captions.push_back(caption);
            if (answers.empty() || answers.front().empty()) {
                answers.clear();
                return false;
            }
            text = answers.front();
            answers.pop_front();
            return true;
        };
    }
};

} // namespace

TEST(MailDialog, ShowsAndTakesTheRecord)
{
    TMailDialog dialog;
    dialog.ShowData("nightly", SampleData());
    EXPECT_EQ(dialog.lbRecipients->count(), 2);
    EXPECT_EQ(dialog.lbRecipients->item(1)->text(), "Bob <bob@example.org>");
    EXPECT_TRUE(dialog.cbZip->isEnabled());
    dialog.cbProt->setChecked(false);
    EXPECT_FALSE(dialog.cbZip->isEnabled());
    dialog.cbProt->setChecked(true);

    TMailData back;
    dialog.TakeData(back);
    EXPECT_EQ(back, SampleData());
    // Sender first, then reply-to on top.
    EXPECT_EQ(dialog.AddressHistory, (std::vector<std::string>{"anna@example.org", "Backup"}));
}

TEST(MailDialog, CancelKeepsTheRecord)
{
    TMailDialog dialog;
    TMailData data = SampleData();
    QTimer::singleShot(0, &dialog, [&] {
        dialog.edServer->SetText("other.example.org");
        dialog.lbRecipients->clear();
        dialog.reject();
    });
    EXPECT_FALSE(dialog.Execute("nightly", data));
    EXPECT_EQ(data, SampleData());
    EXPECT_TRUE(dialog.AddressHistory.empty());
}

TEST(MailDialog, RecipientButtons)
{
    TScriptedMessageDialogs boxes;
    TMailDialog dialog;
    TAddressAnswers prompts;
    prompts.Attach(dialog);
    TMailData data;
    data.Recipients = "a@x.org";
    dialog.ShowData("t", data);

    prompts.answers = {"b@x.org", "a@x.org"};
    dialog.btnAddClick();
    EXPECT_EQ(dialog.lbRecipients->currentRow(), 1);
    dialog.btnAddClick(); // already listed
    EXPECT_EQ(dialog.lbRecipients->count(), 2);
    EXPECT_EQ(prompts.captions[0], "New mail recipient");

    prompts.answers = {"c@x.org"};
    dialog.btnEditClick();
    EXPECT_EQ(dialog.lbRecipients->item(1)->text(), "c@x.org");
    EXPECT_EQ(prompts.captions.back(), "Edit mail recipient");

    boxes.QueueAnswer(MrNo);
    dialog.lbRecipients->setCurrentRow(0);
    dialog.btnRemoveClick();
    EXPECT_EQ(dialog.lbRecipients->count(), 2);
    EXPECT_EQ(boxes.LastText(), "Remove recipient:\r\na@x.org\r\nfrom list?");
    boxes.QueueAnswer(MrYes);
    dialog.btnRemoveClick();
    EXPECT_EQ(dialog.lbRecipients->count(), 1);
    EXPECT_EQ(dialog.lbRecipients->currentRow(), 0);
    boxes.QueueAnswer(MrYes);
    dialog.btnRemoveClick();
    EXPECT_EQ(dialog.lbRecipients->count(), 0);
    EXPECT_EQ(dialog.lbRecipients->currentItem(), nullptr);

    const size_t asked = prompts.captions.size();
    dialog.btnEditClick(); // nothing selected: no prompt
    EXPECT_EQ(prompts.captions.size(), asked);
}

TEST(MailDialog, HistoriesLiveInTheSettingsFile)
{
    TTempFolder dir;
    const std::string first = dir.Win("first.ini");
    dir.WriteHostFile("first.ini", "[MailTo]\nAddress0=old@x.org\n[SmtpServer]\nHistory0=smtp.x.org\n");
    {
        TMailDialog dialog;
        dialog.LoadFromIni(first);
        dialog.LoadFromIni(dir.Win("second.ini")); // only the first name counts
        EXPECT_EQ(dialog.AddressHistory, std::vector<std::string>{"old@x.org"});
        EXPECT_EQ(dialog.edServer->count(), 1);
        TMailData data;
        data.Sender = "new@x.org";
        dialog.ShowData("t", data);
        EXPECT_EQ(dialog.edSender->count(), 1);
        dialog.TakeData(data);
    }
    EXPECT_EQ(ReadIniString(first, "MailTo", "Address0"), "new@x.org");
    EXPECT_EQ(ReadIniString(first, "MailTo", "Address1"), "old@x.org");
    EXPECT_EQ(dir.ReadHostFile("second.ini"), "");
}
