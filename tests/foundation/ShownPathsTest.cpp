#include "foundation/ShownPaths.h"
#include "EnvGuard.h"
#include "platform/Drives.h"

#include <gtest/gtest.h>

// Texts for people carry host paths; shares, labels and unknown drives stay as written.

namespace {

class ShownPathsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        env.Set("TESSARO_DRIVES", "E=/media/ann/STICK,removable,STICK");
        Platform::ReloadDriveTable();
    }
    void TearDown() override
    {
        env.Unset("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
    }
    TEnvGuard env;
};

TEST_F(ShownPathsTest, DrivePathsBecomeHostPathsInsideTheirText)
{
    EXPECT_EQ(HostPathsInText("C:\\home\\ann\\Documents"), "/home/ann/Documents");
    EXPECT_EQ(HostPathsInText("C:\\"), "/");
    EXPECT_EQ(HostPathsInText("Path \"E:\\Backup\\daily\" not found!"),
              "Path \"/media/ann/STICK/Backup/daily\" not found!");
    // Blanks belong to names; a second path and line breaks end the first.
    EXPECT_EQ(HostPathsInText("Copy C:\\my files\\a b.txt to E:\\x\r\nnext"),
              "Copy /my files/a b.txt to /media/ann/STICK/x\r\nnext");
    // A name with a character Windows forbids is carried in the text and shown as it is.
    EXPECT_EQ(HostPathsInText("C:\\tmp\\a" + Platform::HostNameToWin("\\") + "b" + Platform::HostNameToWin(":")),
              "/tmp/a\\b:");
    // A word ending in a letter and a colon is no drive.
    EXPECT_EQ(HostPathsInText("Dest.:  C:\\x - full"), "Dest.:  /x - full");
    EXPECT_EQ(HostPathsInText("ABC:\\x"), "ABC:\\x");
}

TEST_F(ShownPathsTest, SharesLabelsAndUnknownDrivesStay)
{
    EXPECT_EQ(HostPathsInText("\\\\nas\\data\\dir"), "\\\\nas\\data\\dir");
    EXPECT_EQ(HostPathsInText("Path \":BACKUP:\\dir\\sub\" not found!"), "Path \":BACKUP:\\dir\\sub\" not found!");
    EXPECT_EQ(HostPathsInText("Q:\\nowhere\\x"), "Q:\\nowhere\\x");
    // Outside the log, other backslashes are no paths (a regular expression, say).
    EXPECT_EQ(HostPathsInText("Error in \\d+\\.txt"), "Error in \\d+\\.txt");
}

TEST_F(ShownPathsTest, LogLinesShowRelativeNamesAsHostNames)
{
    EXPECT_EQ(HostPathsInLogLine("      Copy: sub\\inner.txt (A)"), "      Copy: sub/inner.txt (A)");
    EXPECT_EQ(HostPathsInLogLine("  Dest.:  E:\\B\\LwC\\home - full (new)"),
              "  Dest.:  /media/ann/STICK/B/LwC/home - full (new)");
    EXPECT_EQ(HostPathsInLogLine("    *** Path \":BACKUP:\\dir\" not found!"),
              "    *** Path \":BACKUP:\\dir\" not found!");
    EXPECT_EQ(HostPathsInLogLine("  Source: \\\\nas\\data\\docs"), "  Source: \\\\nas\\data\\docs");
    EXPECT_EQ(HostPathsInLogLine("      Copy: a" + Platform::HostNameToWin("?") + ".txt"), "      Copy: a?.txt");
}

} // namespace

// A folder field shows the host path and reads a typed one back; an empty field stays empty
// (it showed "." before), and what is no host path is kept as typed.
TEST_F(ShownPathsTest, FolderFieldsShowAndReadHostPaths)
{
    EXPECT_EQ(ShownFolderText(""), "");
    EXPECT_EQ(ShownFolderText("E:\\Backup"), "/media/ann/STICK/Backup");
    EXPECT_EQ(ShownFolderText(":BACKUP:\\dir"), ":BACKUP:\\dir");
    EXPECT_EQ(FolderOfShownText("  /media/ann/STICK/Backup "), "E:\\Backup");
    EXPECT_EQ(FolderOfShownText(""), "");
    for (const char* typed : {":BACKUP:\\dir", "\\\\nas\\data", "E:\\Backup"}) {
        EXPECT_EQ(FolderOfShownText(typed), typed);
    }
}

// A command's field shows its program as a host path and keeps it as Windows text; the
// arguments are the user's own and stay as written.
TEST_F(ShownPathsTest, CommandFieldsShowAndReadTheProgramAsAHostPath)
{
    EXPECT_EQ(ShownCommandText("E:\\tools\\dump.sh -x C:\\data"), "/media/ann/STICK/tools/dump.sh -x C:\\data");
    EXPECT_EQ(ShownCommandText("\"C:\\home\\ann\\my tool.sh\" %dest%"), "\"/home/ann/my tool.sh\" %dest%");
    EXPECT_EQ(CommandOfShownText(" \"/home/ann/my tool.sh\" %dest%"), "\"C:\\home\\ann\\my tool.sh\" %dest%");
    EXPECT_EQ(CommandOfShownText("/media/ann/STICK/tools/dump.sh -x /tmp"), "E:\\tools\\dump.sh -x /tmp");
    for (const char* typed : {"touch /home/ann/x", "dump.sh --to=/media/ann/STICK", "\"D:\\b.cmd\"", ""}) {
        EXPECT_EQ(CommandOfShownText(typed), typed);
        EXPECT_EQ(ShownCommandText(typed), typed);
    }
}
