#include "tasks/TaskChecks.h"

#include "foundation/ScriptedMessageDialogs.h"

#include <gtest/gtest.h>

namespace {

TBackupTask TaskWith(const std::string& destination, std::initializer_list<const char*> sources, int destMode = 1)
{
    TBackupTask task;
    task.Destination = destination;
    task.DestMode = destMode;
    for (const char* source : sources) {
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = source;
        task.Sources.push_back(entry);
    }
    return task;
}

class TFakeCheckDialogs : public ITaskCheckDialogs
{
public:
    bool EditFtpSettings(TFtpParams& params) override
    {
        ++ftpOpened;
        params.Host = "ftp.example";
        return answerOk;
    }
    bool ChooseDestination(std::string& folder) override
    {
        folder = chosen;
        return !chosen.empty();
    }
    bool answerOk = true;
    int ftpOpened = 0;
    std::string chosen;
};

TEST(TaskChecksTest, NoSourcesFailsSilently)
{
    TScriptedMessageDialogs dialogs;
    TBackupTask task = TaskWith("D:\\Backup", {});
    EXPECT_FALSE(TaskChecks(task, nullptr));
    EXPECT_EQ(dialogs.ShownCount(), 0u);
}

TEST(TaskChecksTest, FtpWithoutUserOpensTheDialogAndTrustsIt)
{
    TScriptedMessageDialogs dialogs;
    TFakeCheckDialogs editors;
    TBackupTask task = TaskWith("", {"C:\\Data"});
    task.FtpBackup = true;
    task.Ftp.Host = "host";
    dialogs.QueueAnswer(MrOk);
    EXPECT_TRUE(TaskChecks(task, &editors));
    EXPECT_EQ(dialogs.LastText(), "Please specify FTP server and/or username");
    EXPECT_EQ(editors.ftpOpened, 1);
    EXPECT_TRUE(task.Modified);
    EXPECT_TRUE(task.Ftp.Username.empty());

    dialogs.QueueAnswer(MrCancel);
    task.Modified = false;
    EXPECT_FALSE(TaskChecks(task, &editors));
    EXPECT_EQ(editors.ftpOpened, 1);

    task.Ftp.Username = "anna";
    EXPECT_TRUE(TaskChecks(task, &editors));
    EXPECT_EQ(FtpDestinationText(task.Ftp), "ftp://ftp.example:21/");
}

TEST(TaskChecksTest, EmptyDestinationAsksForAFolder)
{
    TScriptedMessageDialogs dialogs;
    TFakeCheckDialogs editors;
    TBackupTask task = TaskWith("", {"C:\\Data"});
    dialogs.QueueAnswer(MrOk);
    EXPECT_FALSE(TaskChecks(task, &editors)); // nothing chosen
    editors.chosen = "E:\\Backup";
    dialogs.QueueAnswer(MrOk);
    EXPECT_TRUE(TaskChecks(task, &editors));
    EXPECT_EQ(task.Destination, "E:\\Backup");
    EXPECT_EQ(dialogs.Shown().back().text, "Please select a backup destination");
}

TEST(TaskChecksTest, OverlapComparesWholeFolderNames)
{
    struct Case
    {
        const char* destination;
        const char* source;
        bool passes;
    } cases[] = {
        {"D:\\Data2", "D:\\Data", true}, // a sibling whose name merely starts alike
        {"D:\\Data-dest\\x", "D:\\Data", true},   {"d:\\data\\backup", "D:\\Data", false},
        {"D:\\DATA", "d:\\data\\", false},        {"D:\\Backup", "D:\\Data", true},
        {"D:\\Backup", "D:\\Backup\\Docs", true}, // the source inside the destination is allowed
    };
    for (const Case& c : cases) {
        TScriptedMessageDialogs dialogs;
        TBackupTask task = TaskWith(c.destination, {"C:\\Other", c.source});
        EXPECT_EQ(TaskChecks(task, nullptr), c.passes) << c.destination;
        EXPECT_EQ(dialogs.ShownCount(), c.passes ? 0u : 1u);
    }
}

TEST(TaskChecksTest, SourceThatARunWouldEmptyIsRefused)
{
    struct Case
    {
        int destMode;
        int method;
        int syncMode;
        const char* source;
        bool passes;
    } cases[] = {
        {2, MethodFull, 0, "D:\\Backup\\Docs", false}, // mode 2 empties the destination itself
        {2, MethodCopy, 0, "D:\\Backup\\Docs", true},  // nothing is emptied
        {1, MethodCopy, 1, "D:\\Backup\\Data\\Sub", false},
        {1, MethodFull, 0, "D:\\Backup\\Docs", true}, // the bases are D:\Backup\Data and D:\Backup\Backup\Docs
        {0, MethodDifferential, 0, "D:\\Backup\\LwC\\Data\\x", false},
    };
    for (const Case& c : cases) {
        TScriptedMessageDialogs dialogs;
        TBackupTask task = TaskWith("D:\\Backup", {"C:\\Data", c.source}, c.destMode);
        task.SetBackupMethod(c.method);
        task.SyncMode = c.syncMode;
        EXPECT_EQ(TaskChecks(task, nullptr), c.passes) << c.source << " mode " << c.destMode;
        if (!c.passes) {
            EXPECT_NE(dialogs.LastText().find(c.source), std::string::npos);
        }
    }
}

TEST(TaskChecksTest, DestinationOnSourceRootByLayout)
{
    for (int mode : {0, 1, 2, 4, 5}) {
        const bool expected = mode == 1 || mode == 2 || mode == 5;
        EXPECT_EQ(DestinationOnSourceRoot(TaskWith("D:\\", {"D:\\Data"}, mode), true), expected) << mode;
        EXPECT_EQ(DestinationOnSourceRoot(TaskWith("D:\\Backup", {"D:\\Data"}, mode), true), expected) << mode;
    }
    EXPECT_FALSE(DestinationOnSourceRoot(TaskWith("D:\\Backup\\Sub", {"D:\\Data"}), true));
    EXPECT_FALSE(DestinationOnSourceRoot(TaskWith("D:\\", {"C:\\Data"}), true));
    EXPECT_FALSE(DestinationOnSourceRoot(TaskWith("D:\\", {"D:\\Data"}), false));
    EXPECT_TRUE(DestinationOnSourceRoot(TaskWith("\\\\nas\\data\\x", {"\\\\nas\\data\\docs"}), true));
}

TEST(TaskChecksTest, FindSourceEntryPrefersTheEntryHoldingTheFolder)
{
    const TBackupTask task = TaskWith("E:\\B", {"C:\\Data\\Docs", "C:\\Data", "C:\\Other"});
    EXPECT_EQ(FindSourceEntry(task, "c:\\data"), 1);
    EXPECT_EQ(FindSourceEntry(task, "C:\\Data\\Docs\\Old"), 0);
    EXPECT_EQ(FindSourceEntry(task, "C:\\"), 0); // second pass: first entry inside it
    EXPECT_EQ(FindSourceEntry(task, "C:\\Dat"), -1);
    EXPECT_EQ(FindSourceEntry(task, "C:\\Data2"), -1);
    EXPECT_EQ(FindSourceEntry(task, "C:\\Other-dest\\x"), -1);
}

} // namespace
