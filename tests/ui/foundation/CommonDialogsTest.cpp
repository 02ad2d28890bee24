#include "TempFolder.h"
#include "foundation/NumberText.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "platform/Drives.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/NumberEdits.h"
#include "ui/foundation/OutputWindow.h"
#include "ui/foundation/PageDialogs.h"
#include "ui/foundation/PasswordDialogs.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShellDirDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

// The small dialogs driven as a user would: a timer acts on the open modal dialog.

namespace {

// Runs step once the modal dialog is open (polling, since exec() starts its own loop).
void WhenModal(std::function<void(QWidget*)> step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            step(modal);
        }
    });
    timer->start();
}

} // namespace

TEST(SelectFromListDialog, ButtonsEditTheListAndOkReturnsIt)
{
    TScriptedMessageDialogs boxes;
    TSelectFromListDialog dialog;
    dialog.AskItem = [](const std::string& caption, std::string& text) {
        text = caption == "Insert" ? "new" : text + "!";
        return true;
    };
    std::vector<std::string> list{"a", "b", "c"};
    std::string selection = "c";
    WhenModal([&](QWidget*) {
        dialog.DownClick(); // the last item cannot move down
        dialog.UpClick();   // c above b
        dialog.EditClick(); // c!
        dialog.InsertClick();
        boxes.QueueAnswer(MrYes);
        dialog.DeleteClick(); // removing the last one selects the new last
        EXPECT_EQ(dialog.StringList()->currentRow(), 2);
        dialog.StringList()->clearSelection();
        dialog.DeleteClick(); // nothing selected: nothing removed, nothing asked
        dialog.accept();
    });
    ASSERT_TRUE(dialog.Execute(CenteredPoint, "Lists", selection, list, 0, 1, false, true, true));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "c!", "b"}));
    EXPECT_EQ(selection, "");
    EXPECT_EQ(boxes.ShownCount(), 1u);
    EXPECT_NE(boxes.LastText().find("new"), std::string::npos);
}

TEST(SelectFromListDialog, MultiSelectionAndCutItems)
{
    TSelectFromListDialog dialog;
    std::vector<std::string> list{"Docs=C:\\d", "Mail=C:\\m", "Pics=C:\\p"};
    std::string selection = "Docs=C:\\d|Pics=C:\\p";
    WhenModal([&](QWidget*) { dialog.accept(); });
    ASSERT_TRUE(dialog.Execute({10, 10}, "Choose", selection, list, '=', 1, true));
    EXPECT_EQ(selection, "Docs|Pics");
    EXPECT_EQ(list.size(), 3u); // without edit buttons the list stays as it was
    EXPECT_EQ(list[0], "Docs=C:\\d");
}

TEST(PasswordDialogs, ShortPasswordIsRefusedAndLongOnesAreCut)
{
    TScriptedMessageDialogs boxes;
    TNewPwdDialog dialog;
    std::string password;
    WhenModal([&](QWidget*) {
        dialog.PwdEdit()->setText("abcde");
        dialog.RepPwdEdit()->setText("abcde");
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(boxes.LastText(), "Minimum length of password is 6 character");
        dialog.PwdEdit()->setText(QString(200, 'x'));
        EXPECT_EQ(dialog.PwdEdit()->text().size(), 128);
        dialog.RepPwdEdit()->setText(QString(128, 'x'));
        dialog.accept();
    });
    ASSERT_TRUE(dialog.Execute("File encryption with", password, true, true, 6));
    EXPECT_EQ(password, std::string(128, 'x'));

    TPasswordDialog prompt;
    std::string asked = "old";
    WhenModal([&](QWidget*) { prompt.SkipButton()->click(); });
    EXPECT_EQ(prompt.Execute("FTP", "Password for ann", true, asked), MrIgnore);
    EXPECT_EQ(asked, "old");
}

TEST(InputDialogs, NumberOutOfRangeKeepsTheDialogOpen)
{
    TScriptedMessageDialogs boxes;
    TInputNumberDialog dialog;
    dialog.Setup(CenteredPoint, "Port", "Port:", 21, false, 65535, 1, 5, "", "");
    WhenModal([&](QWidget*) {
        dialog.NumFeld()->setText("0");
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(boxes.LastText(), "Error: Out of Range (1 .. 65535)");
        dialog.NumFeld()->setText("2121");
        dialog.accept();
    });
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.Value(), 2121);
}

TEST(InputDialogs, TextHistoryKeepsTheNewestFirst)
{
    std::vector<std::string> history{"e6", "e5", "e4", "e3", "e2", "e1"};
    std::string text = "typed";
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
    ASSERT_TRUE(InputText(CenteredPoint, "Name", "Name:", text, &history, false, 5));
    EXPECT_EQ(history, (std::vector<std::string>{"typed", "e6", "e5", "e4", "e3"}));

    TInputTextDialog dialog;
    dialog.Setup(CenteredPoint, "c", "p", "A", nullptr, false, {}, true);
    dialog.AppendChar(66);
    EXPECT_EQ(dialog.Text(), "AB");
    TCharTableDialog table({});
    table.CharGrid()->setCurrentCell(5, 2);
    EXPECT_EQ(table.SelectedCode(), 65);
}

TEST(NumberEdits, RangeEditClampsBeforeTheErrorIsShown)
{
    TScriptedMessageDialogs boxes;
    std::string seenText;
    TRangeEdit edit;
    edit.MinValue = 1;
    edit.MaxValue = 65535;
    boxes.OnShow = [&](const TMessageRequest&) {
        seenText = edit.text().toStdString();
        return MrOk;
    };
    edit.setText("70000");
    EXPECT_FALSE(edit.CheckRange());
    EXPECT_EQ(seenText, "0000065535"); // ten digits for the default 32 bits
    EXPECT_EQ(boxes.LastText(), "Fehler:\rzulässiger Bereich: (1 .. 65535)");
    EXPECT_EQ(edit.Value(), 65535);
    EXPECT_TRUE(edit.CheckRange());

    TNumberEdit hex;
    hex.Format = {TNumMode::nmHex, 16, 0, true, false};
    hex.SetValue(255);
    EXPECT_EQ(hex.text(), "$00FF");
    hex.setText("$1_2");
    EXPECT_EQ(hex.Value(), 258);
}

TEST(PageDialogs, MarginsInCentimetresAndMemoAsCommaText)
{
    TRandDialog rand;
    TPageMargins margins;
    WhenModal([&](QWidget*) {
        EXPECT_EQ(rand.LeftEdit()->text().toStdString(),
                  FloatToEditText(2.0, TNumFloatFormat::ffFixed, 10, 2, DecimalSeparator()));
        rand.TopEdit()->setText(
            QString::fromStdString(FloatToEditText(1.25, TNumFloatFormat::ffFixed, 10, 2, DecimalSeparator())));
        rand.accept();
    });
    ASSERT_TRUE(rand.Execute("", margins));
    EXPECT_EQ(margins.Top, 125);
    EXPECT_EQ(margins.Left, 200);
    EXPECT_EQ(rand.windowTitle(), "Paper margins");

    TMemoDialog memo;
    std::string text = "one,\"two words\"";
    WhenModal([&](QWidget*) {
        EXPECT_EQ(memo.Memo()->toPlainText(), "one\ntwo words");
        memo.Memo()->setPlainText("one\ntwo words\nthree\n");
        memo.accept();
    });
    ASSERT_TRUE(memo.Execute("Masks", "Masks:", text));
    EXPECT_EQ(text, "one,\"two words\",three");
}

TEST(OutputWindow, ShowsForTheGivenSecondsAndNothingWhenEmpty)
{
    TfrmShow empty;
    QElapsedTimer timer;
    timer.start();
    empty.ShowOutput(5);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(empty.isVisible());

    TfrmShow window;
    window.AppendText("line 1\n");
    window.AppendText("line 2\n");
    EXPECT_EQ(window.Memo()->toPlainText(), "line 1\nline 2\n");
    timer.restart();
    window.ShowOutput(1);
    EXPECT_GE(timer.elapsed(), 900);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.CloseButton()->isHidden());
}

TEST(ShellDirDialog, CancelKeepsTheFolderAndOkRemembersTheChoice)
{
    TTempFolder dir;
    std::filesystem::create_directories(dir.Host("a/b"));
    TShellDirDialog dialog;
    std::string folder = dir.Win("a");
    WhenModal([&](QWidget*) {
        EXPECT_EQ(dialog.SelectedFolder(), dir.Win("a"));
        EXPECT_EQ(dialog.SelectedDirBox()->currentText().toStdString(), dir.Host("a"));
        dialog.reject();
    });
    EXPECT_FALSE(dialog.Execute("Pick", false, folder, dir.Win()));
    EXPECT_EQ(folder, dir.Win("a"));

    WhenModal([&](QWidget*) {
        dialog.SelectFolder(dir.Win("a\\b"));
        EXPECT_EQ(dialog.SelectedDirBox()->currentText().toStdString(), dir.Host("a/b"));
        dialog.OkButton()->click();
    });
    ASSERT_TRUE(dialog.Execute("Pick", false, folder, {}));
    EXPECT_EQ(folder, dir.Win("a\\b"));
    EXPECT_EQ(dialog.History().Items().front(), dir.Win("a\\b"));

    // The history survives in the settings file, newest first.
    const std::string ini = dir.Win("settings.ini");
    dialog.LoadFromIni(ini, "DirDialog");
    dialog.History().Add("C:\\x");
    dialog.SaveToIni();
    TShellDirDialog again;
    again.LoadFromIni(ini, "DirDialog");
    ASSERT_FALSE(again.History().Items().empty());
    EXPECT_EQ(again.History().Items().front(), "C:\\x");
}

TEST(ShellDirDialog, DeletingAFolderWithFilesNeedsYes)
{
    TScriptedMessageDialogs boxes;
    TTempFolder dir;
    std::filesystem::create_directories(dir.Host("full"));
    dir.WriteHostFile("full/file.txt", "x");
    TShellDirDialog dialog;
    std::string folder = dir.Win("full");
    WhenModal([&](QWidget*) {
        boxes.QueueAnswer(MrNo);
        dialog.DeleteFolderClick();
        EXPECT_TRUE(std::filesystem::exists(dir.Host("full/file.txt")));
        boxes.QueueAnswer(MrYes);
        dialog.DeleteFolderClick();
        EXPECT_FALSE(std::filesystem::exists(dir.Host("full")));
        EXPECT_EQ(dialog.SelectedFolder(), dir.Win());
        dialog.reject();
    });
    dialog.Execute("Pick", false, folder, {});
    EXPECT_EQ(boxes.ShownCount(), 2u);
}
