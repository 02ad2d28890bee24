#include "TempFolder.h"
#include "foundation/HtmlHelp.h"
#include "shell/StartUp.h"
#include "tasks/BackupRun.h"
#include "ui/Pictures.h"
#include "ui/foundation/HelpWindow.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/LogonDialog.h"
#include "ui/foundation/OutputWindow.h"
#include "ui/foundation/PageDialogs.h"
#include "ui/foundation/PasswordDialogs.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/ShowtextDialog.h"

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

// The common dialogs, checked and pictured as ui/Pictures.h says.

namespace {

// Checks and pictures the modal dialog once it is open, then closes it.
void GrabModal(const std::string& name)
{
    QTimer::singleShot(300, [name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            CheckPicture(*modal, name);
            static_cast<QDialog*>(modal)->reject();
        } else {
            ADD_FAILURE() << name << " did not open";
        }
    });
}

} // namespace

TEST(Screenshots, CommonDialogs)
{
    TTempFolder dir;
    dir.WriteHostFile("backup.log",
                      ThisProgramInfo().WindowTitle +
                          " Data backup\n      Copy: C:\\data\\a.txt\n    *** Read error: C:\\data\\b.txt\n");

    std::string text = "Reports";
    std::vector<std::string> history{"Reports", "Letters"};
    GrabModal("input-text");
    InputText({40, 40}, "Insert", "Name:", text, &history, false, 5, {}, true);
    GrabModal("char-table");
    ShowCharTable();
    int port = 21;
    GrabModal("input-number");
    InputNumber({40, 40}, "FTP port", "Port:", port, false, 65535, 1, 5, {}, "");
    TSelectFromListDialog list;
    std::vector<std::string> items{"Documents", "Pictures", "Music"};
    std::string selection = "Pictures";
    GrabModal("select-from-list");
    list.Execute({40, 40}, "Type lists", selection, items, 0, 1, false, true, true, "Choose a list:");
    TNewPwdDialog pwd;
    std::string password;
    GrabModal("new-password");
    pwd.Execute(EncryptionPasswordCaption(), password, true, true, 6);
    TPasswordDialog ask;
    GrabModal("password");
    ask.Execute("FTP connection", "Password for ann at ftp.example.org:", true, password);
    TRandDialog rand;
    TPageMargins margins;
    GrabModal("margins");
    rand.Execute("", margins);
    TMemoDialog memo;
    std::string masks = "*.tmp,*.bak";
    GrabModal("memo");
    memo.Execute("Masks", "Files to leave out:", masks);
    TShellDirDialog chooser;
    std::string folder = dir.Win();
    GrabModal("folder-chooser");
    chooser.Execute("Select destination directory", false, folder, dir.Win());
    TShowtextDialog viewer;
    TShowtextTags tags;
    tags.Section = "Tessaro (";
    tags.Error = "    *** ";
    GrabModal("log-viewer");
    viewer.Execute(dir.Win("backup.log"), {40, 40}, 0, 31, 1, tags);
    TLogonDialog logon;
    std::string user = "anna";
    GrabModal("logon");
    logon.Execute("\\\\nas\\backup", user, password);
    TfrmShow output;
    output.AppendText("Backing up the mail folder ...\ndone.\n");
    GrabModal("program-output");
    output.ShowOutput(0);

    // The help window, on the page of the run's language.
    ASSERT_TRUE(LoadHtmlHelp());
    const char* lang = std::getenv("LANGUAGE");
    THelpWindow help;
    help.ShowPage(HelpPageFile(HtmlHelpFolder(), lang && *lang ? lang : "en", "tasks"));
    ShowPicture(help, "help-window");
}
