#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/ShellFileOps.h"
#include "foundation/ShellLink.h"
#include "platform/HostCommand.h"
#include "platform/Trash.h"

#include "EnvGuard.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(ShellLink, DesktopFileRoundTripAndValidates)
{
    TTempFolder dir;
    const std::string link = dir.Win("autostart\\Tessaro.lnk");
    const std::string target = dir.Win("bin dir\\tessaro");
    ASSERT_TRUE(
        CreateShellLink(link, target, "/auto \"C:\\my tasks\\a 100%.buj\"", dir.Win("work"), "Backup at logon"));
    EXPECT_TRUE(fs::exists(dir.Host("autostart/Tessaro.desktop")));

    std::string readTarget, args, work, description;
    ASSERT_TRUE(ReadShellLink(link, readTarget, args, work, description));
    EXPECT_EQ(readTarget, target);
    EXPECT_EQ(args, "/auto \"C:\\my tasks\\a 100%.buj\"");
    EXPECT_EQ(work, dir.Win("work"));
    EXPECT_EQ(description, "Backup at logon");

    if (Platform::HostCommandExists("desktop-file-validate")) {
        const auto result = Platform::RunHostCommand({"desktop-file-validate", dir.Host("autostart/Tessaro.desktop")});
        EXPECT_EQ(result.ExitCode, 0) << result.Output;
        EXPECT_EQ(result.Output, "");
    }
    EXPECT_FALSE(ReadShellLink(dir.Win("none.lnk"), readTarget, args, work, description));
    EXPECT_EQ(readTarget, "");
}

TEST(ShellLink, ExecQuotingFollowsTheDesktopFormat)
{
    const std::vector<std::string> words{"/opt/my app/run", "a\"b", "$HOME", "50%", "plain"};
    const std::string exec = DesktopExecLine(words);
    EXPECT_EQ(exec, R"("/opt/my app/run" "a\"b" "\$HOME" 50%% plain)");
    EXPECT_EQ(SplitDesktopExec(exec), words);
    EXPECT_EQ(SplitDesktopExec("prog %U --x"), (std::vector<std::string>{"prog", "--x"}));
    EXPECT_EQ(SplitCommandLine(R"(/a "b c" "say ""x""")"), (std::vector<std::string>{"/a", "b c", "say \"x\""}));
}

TEST(ShellFileOps, FlagValues)
{
    EXPECT_EQ(ShellCopyFlags(true), 0x2695u);
    EXPECT_EQ(ShellCopyFlags(false), 0x2291u);
    EXPECT_EQ(ShellDeleteFilesFlags(true), 0x20D1u);
    EXPECT_EQ(ShellDeleteFilesFlags(false), 0x2091u);
    EXPECT_EQ(ShellDeleteTreeFlags(true), 0x2051u);
    EXPECT_EQ(ShellDeleteTreeFlags(false), 0x2011u);
}

TEST(ShellFileOps, DeleteAllFilesTakesDotlessAndDotFilesButNoFolders)
{
    TTempFolder dir;
    fs::create_directories(dir.Host("d/sub"));
    for (const char* name : {"d/a.txt", "d/noext", "d/.hidden", "d/sub/deep"}) {
        dir.WriteHostFile(name, "x");
    }
    fs::permissions(dir.Host("d/a.txt"), fs::perms::owner_read);
    ASSERT_TRUE(ShellDeleteFiles(dir.Win("d\\*.*"), false, "Delete"));
    EXPECT_FALSE(fs::exists(dir.Host("d/a.txt")));
    EXPECT_FALSE(fs::exists(dir.Host("d/noext")));
    EXPECT_FALSE(fs::exists(dir.Host("d/.hidden")));
    EXPECT_TRUE(fs::exists(dir.Host("d/sub/deep")));

    ASSERT_TRUE(ShellDeleteTree(dir.Win("d\\*.*"), false, "Delete"));
    EXPECT_FALSE(fs::exists(dir.Host("d/sub")));
    EXPECT_TRUE(fs::exists(dir.Host("d")));
}

TEST(ShellFileOps, FailuresAreReportedUnlessSuppressed)
{
    TTempFolder dir;
    TScriptedMessageDialogs dialogs;
    EXPECT_FALSE(ShellDeleteFiles(dir.Win("missing.txt"), false, "Delete"));
    EXPECT_EQ(dialogs.ShownCount(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].type, TMsgDlgType::Error);
    EXPECT_FALSE(ShellCopyFiles(dir.Win("missing.txt"), dir.Win("x"), true, "Copy"));
    EXPECT_EQ(dialogs.ShownCount(), 1u);

    // Without "no confirmation" the user is asked first, and No keeps the file.
    dir.WriteHostFile("keep.txt", "x");
    dialogs.QueueAnswer(MrNo);
    EXPECT_FALSE(ShellFileOperation(FO_DELETE, dir.Win("keep.txt"), {}, FOF_SILENT, "Delete"));
    EXPECT_TRUE(fs::exists(dir.Host("keep.txt")));
}

TEST(ShellFileOps, CopyWildcardsFoldersAndPairs)
{
    TTempFolder dir;
    fs::create_directories(dir.Host("src/sub"));
    dir.WriteHostFile("src/a.txt", "a");
    dir.WriteHostFile("src/b.log", "b");
    dir.WriteHostFile("src/sub/c.txt", "c");
    dir.WriteHostFile("page.htm", "<p>");
    fs::create_directories(dir.Host("page_files"));
    dir.WriteHostFile("page_files/pic.png", "p");

    ASSERT_TRUE(ShellCopyFiles(dir.Win("src\\*.txt"), dir.Win("out"), true, "Copy"));
    EXPECT_EQ(dir.ReadHostFile("out/a.txt"), "a");
    EXPECT_FALSE(fs::exists(dir.Host("out/b.log")));
    EXPECT_FALSE(fs::exists(dir.Host("out/sub")));

    const std::string sources = dir.Win("src\\sub") + '\0' + dir.Win("src\\b.log");
    const std::string dests = dir.Win("pair\\sub2") + '\0' + dir.Win("pair\\renamed.log");
    ASSERT_TRUE(ShellCopyFiles(sources, dests, true, "Copy"));
    EXPECT_EQ(dir.ReadHostFile("pair/sub2/c.txt"), "c");
    EXPECT_EQ(dir.ReadHostFile("pair/renamed.log"), "b");

    // Existing copies are replaced, read-only ones too.
    dir.WriteHostFile("out/a.txt", "old");
    fs::permissions(dir.Host("out/a.txt"), fs::perms::owner_read);
    ASSERT_TRUE(ShellCopyFiles(dir.Win("src\\a.txt"), dir.Win("out"), false, "Copy"));
    EXPECT_EQ(dir.ReadHostFile("out/a.txt"), "a");

    // A page takes its picture folder along unless told otherwise.
    ASSERT_TRUE(ShellFileOperation(FO_COPY, dir.Win("page.htm"), dir.Win("web"),
                                   FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR, "Copy"));
    EXPECT_EQ(dir.ReadHostFile("web/page_files/pic.png"), "p");
    ASSERT_TRUE(ShellCopyFiles(dir.Win("page.htm"), dir.Win("web2"), true, "Copy"));
    EXPECT_FALSE(fs::exists(dir.Host("web2/page_files")));
}

TEST(ShellFileOps, ProgressHookSeesItemsAndCanStop)
{
    TTempFolder dir;
    fs::create_directories(dir.Host("d"));
    dir.WriteHostFile("d/1", "x");
    dir.WriteHostFile("d/2", "x");
    std::vector<std::string> seen;
    SetShellProgressHook([&](const std::string& title, const std::string& item) {
        EXPECT_EQ(title, "Removing");
        seen.push_back(item);
        return false;
    });
    EXPECT_FALSE(ShellFileOperation(FO_DELETE, dir.Win("d\\*"), {}, FOF_NOCONFIRMATION, "Removing"));
    SetShellProgressHook({});
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(fs::exists(dir.Host("d/1")) && fs::exists(dir.Host("d/2")));
}

TEST(ShellFileOps, RecycleBinIsTheFreedesktopTrash)
{
    TTempFolder dir;
    TEnvGuard env;
    env.Set("XDG_DATA_HOME", dir.Host("data"));
    fs::create_directories(dir.Host("files"));
    dir.WriteHostFile("files/report 1.txt", "x");
    dir.WriteHostFile("files/other", "y");
    ASSERT_TRUE(ShellDeleteFiles(dir.Win("files\\report 1.txt"), true, "Delete"));
    ASSERT_TRUE(ShellDeleteTree(dir.Win("files"), true, "Delete"));
    EXPECT_FALSE(fs::exists(dir.Host("files")));
    EXPECT_EQ(dir.ReadHostFile("data/Trash/files/report 1.txt"), "x");
    EXPECT_EQ(dir.ReadHostFile("data/Trash/files/files/other"), "y");

    const std::string info = dir.ReadHostFile("data/Trash/info/report 1.txt.trashinfo");
    const std::string pathLine = "Path=" + Platform::TrashInfoPathText(dir.Host("files/report 1.txt")) + "\n";
    EXPECT_EQ(info.rfind("[Trash Info]\n" + pathLine + "DeletionDate=", 0), 0u) << info;
    EXPECT_NE(pathLine.find("report%201.txt"), std::string::npos);

    if (Platform::HostCommandExists("trash-list")) {
        const auto listed = Platform::RunHostCommand({"trash-list"});
        EXPECT_NE(listed.Output.find(dir.Host("files/report 1.txt")), std::string::npos) << listed.Output;
    }
    // A second item of the same name gets a name of its own.
    fs::create_directories(dir.Host("files"));
    dir.WriteHostFile("files/report 1.txt", "z");
    ASSERT_TRUE(ShellDeleteFiles(dir.Win("files\\report 1.txt"), true, "Delete"));
    EXPECT_EQ(dir.ReadHostFile("data/Trash/files/report 1.txt.2"), "z");
    EXPECT_TRUE(fs::exists(dir.Host("data/Trash/info/report 1.txt.2.trashinfo")));
}
