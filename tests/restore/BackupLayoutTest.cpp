#include "restore/BackupLayout.h"

#include "EnvGuard.h"
#include "TempFolder.h"
#include "platform/Drives.h"
#include "tasks/BackupSelection.h"
#include "tasks/TaskModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class BackupOrigin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(temp.Host("e/Backup"));
        fs::create_directories(temp.Host("nas"));
        env.Set("TESSARO_DRIVES", "E=" + temp.Host("e") + ";\\\\nas\\data=" + temp.Host("nas") + ",remote");
        Platform::ReloadDriveTable();
    }
    void TearDown() override
    {
        env.Unset("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
    }
    void MakeDir(const std::string& relative) { fs::create_directories(temp.Host("e/Backup/" + relative)); }

    TTempFolder temp;
    TEnvGuard env;
};

TEST(BackupDriveFolder, OnlyTheWholeNameLwPlusOneLetter)
{
    EXPECT_EQ(DriveOfFolder("LwC"), "C:");
    EXPECT_EQ(DriveOfFolder("Lwd"), "D:");
    for (const char* notDrive : {"Lw", "LwCx", "XLwC", "Lw1", "Lw_", "lwC", "LWC", ""}) {
        EXPECT_EQ(DriveOfFolder(notDrive), "") << notDrive;
    }
    EXPECT_EQ(DriveOfFolder("lwc", true), "C:");
    EXPECT_EQ(DriveOfFolder("LWE", true), "E:");
    EXPECT_EQ(DriveOfFolder("LwEx", true), "");
}

TEST_F(BackupOrigin, FolderInsideADriveFolder)
{
    struct
    {
        const char* folder;
        const char* origin;
    } cases[] = {
        {"E:\\Backup\\LwD\\Data", "D:\\Data"},
        {"E:\\Backup\\LwD\\Data\\", "D:\\Data"},
        {"E:\\Backup\\LwD", "D:\\"},
        {"E:\\Backup\\LwC\\home\\anna\\LwX\\deep", "C:\\home\\anna\\LwX\\deep"},
        // A folder merely holding the letters is not a drive folder.
        {"E:\\Backup\\Flower\\LwCx\\a", ""},
        {"E:\\Slow\\LwC\\a", "C:\\a"},
        {"E:\\Backup", ""},
        {"E:\\", ""},
        {"E:\\Backup\\nas\\data\\Photos\\2020", "\\\\nas\\data\\Photos\\2020"},
        {"E:\\Backup\\NAS\\Data", "\\\\nas\\data\\"},
        // Only shares the drive table knows are taken as server and share folders.
        {"E:\\Backup\\nas\\other\\Photos", ""},
        // The drive of the backup folder itself is never a drive folder of the backup.
        {"\\\\nas\\data\\Backup\\LwC\\x", "C:\\x"},
        {"\\\\nas\\data\\Backup\\x", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OriginOfBackupFolder(c.folder), c.origin) << c.folder;
    }
    EXPECT_EQ(OriginOfBackupFolder("E:\\Backup\\lwd\\Data"), "");
    EXPECT_EQ(OriginOfBackupFolder("E:\\Backup\\lwd\\Data", true), "D:\\Data");
}

// What the backup writes for a source folder, read back, gives that folder again.
TEST_F(BackupOrigin, InverseOfTheDriveSeparatedLayout)
{
    for (const char* source : {"C:\\Data\\Docs", "D:\\", "C:\\home\\Lwx\\a b", "\\\\nas\\data\\Photos"}) {
        for (const int mode : {DestDrivesSeparated, DestZipPerDirectory}) {
            const std::string base = DestinationBase("E:\\Backup", source, mode);
            EXPECT_EQ(OriginOfBackupFolder(base), source) << base;
        }
    }
}

TEST_F(BackupOrigin, DriveFoldersOfABackupRoot)
{
    MakeDir("LwC/home");
    MakeDir("LwE");
    MakeDir("nas/data/Photos");
    MakeDir("nas/other");
    MakeDir("BD01");
    MakeDir("Lw");
    MakeDir("LwCC");
    fs::create_directories(temp.Host("e/Backup/stray"));
    temp.WriteHostFile("e/Backup/LwF", "a file, not a folder");

    std::vector<TDriveFolder> found = DriveFoldersIn("E:\\Backup\\");
    ASSERT_EQ(found.size(), 3u);
    std::sort(found.begin(), found.begin() + 2,
              [](const TDriveFolder& a, const TDriveFolder& b) { return a.Folder < b.Folder; });
    EXPECT_EQ(found[0].Folder, "E:\\Backup\\LwC");
    EXPECT_EQ(found[0].Origin, "C:\\");
    EXPECT_EQ(found[1].Folder, "E:\\Backup\\LwE");
    EXPECT_EQ(found[1].Origin, "E:\\");
    EXPECT_EQ(found[2].Folder, "E:\\Backup\\nas\\data");
    EXPECT_EQ(found[2].Origin, "\\\\nas\\data\\");

    int calls = 0;
    EXPECT_TRUE(DriveFoldersIn("E:\\Backup", false, [&] { return ++calls > 0; }).empty());
    EXPECT_TRUE(DriveFoldersIn("E:\\missing").empty());
}

} // namespace
