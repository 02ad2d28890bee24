#include "tasks/BackupTemporary.h"

#include "TempFolder.h"
#include "tasks/BackupWorkRecord.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(BackupTemporary, MadeNamesAreRecognisedAndUsersNamesAreNot)
{
    for (std::uint64_t random : {0ULL, 1ULL, 0xFFFFFFFFFFFFFFFFULL, 0x0123456789ABCDEFULL}) {
        const std::string name = MakeBackupTemporaryName(random);
        EXPECT_TRUE(IsBackupTemporaryName(name)) << name;
        EXPECT_TRUE(IsBackupLeftoverName(name)) << name;
        EXPECT_EQ(name.front(), '.') << "hidden, as every leftover";
    }
    EXPECT_NE(MakeBackupTemporaryName(1), MakeBackupTemporaryName(2));
    EXPECT_EQ(MakeBackupTemporaryName(0), ".tessaro-0000000000000000.part");
    EXPECT_EQ(MakeBackupTemporaryName(0xFEDCBA9876543210ULL), ".tessaro-fedcba9876543210.part");
    for (const char* name : {"report.part", ".tessaro-.part", ".tessaro-0123456789abcdeF.part",
                             ".tessaro-0123456789abcdef.part.gz", "x.tessaro-0123456789abcdef.part",
                             ".tessaro-0123456789abcde.part", ".~report.txt.tsbak", ".~.1.tsbak", "a.txt"}) {
        EXPECT_FALSE(IsBackupLeftoverName(name)) << name;
    }
}

TEST(BackupTemporary, SecurityCopiesNameTheFileTheyWereMadeFor)
{
    std::string final;
    ASSERT_TRUE(IsSecurityCopyName(".~report.txt.0.tsbak", &final));
    EXPECT_EQ(final, "report.txt");
    ASSERT_TRUE(IsSecurityCopyName(".~a.1.2.txt.gz.17.tsbak", &final));
    EXPECT_EQ(final, "a.1.2.txt.gz");
    ASSERT_TRUE(IsSecurityCopyName(".~.profile.3.tsbak", &final));
    EXPECT_EQ(final, ".profile");
    EXPECT_FALSE(IsSecurityCopyName(".~report.txt.tsbak"));
    EXPECT_FALSE(IsSecurityCopyName(".~report.txt.x1.tsbak"));
    EXPECT_FALSE(IsSecurityCopyName("~report.txt.0.tsbak"));
}

// What a run that died named in its record is tidied by the next run: the temporaries in each
// folder named, then the folders it made, once empty, whatever their names hold; nothing
// else. A file of the record's name that is no record is left alone.
TEST(WorkRecord, TheNextRunTidiesOnlyWhatTheRecordNames)
{
    namespace fs = std::filesystem;
    TTempFolder temp;
    const std::string made = "new\nline%41";
    fs::create_directories(temp.Host("dest/kept"));
    temp.WriteHostFile("dest/kept/mine.txt", "kept");
    {
        TWorkRecord record(temp.Win("dest"));
        record.Note(temp.Win("dest\\kept"), false);
        record.Note(temp.Win("dest\\" + made), true);
        record.Note(temp.Win("dest\\" + made + "\\inner"), true);
        record.Note(temp.Win("elsewhere"), true); // not below the root: never named
        fs::create_directories(temp.Host("dest/" + made + "/inner"));
        for (const std::string& folder : {std::string("dest/kept"), "dest/" + made + "/inner"}) {
            temp.WriteHostFile(folder + "/" + MakeBackupTemporaryName(7), "half");
        }
        // What a kill now would leave: the record as it stands.
        fs::copy_file(temp.Host("dest/" + std::string(WorkRecordName)), temp.Host("record"));
    }
    EXPECT_FALSE(fs::exists(temp.Host("dest/" + std::string(WorkRecordName))));
    fs::copy_file(temp.Host("record"), temp.Host("dest/" + std::string(WorkRecordName)));
    EXPECT_EQ(TidyInterruptedRun(temp.Win("dest")).size(), 4u);
    EXPECT_EQ(temp.ReadHostFile("dest/kept/mine.txt"), "kept");
    EXPECT_FALSE(fs::exists(temp.Host("dest/kept/" + MakeBackupTemporaryName(7))));
    EXPECT_FALSE(fs::exists(temp.Host("dest/" + made)));
    EXPECT_FALSE(fs::exists(temp.Host("dest/" + std::string(WorkRecordName))));

    temp.WriteHostFile("dest/" + std::string(WorkRecordName), "M kept\n");
    EXPECT_TRUE(TidyInterruptedRun(temp.Win("dest")).empty());
    EXPECT_TRUE(fs::exists(temp.Host("dest/" + std::string(WorkRecordName))));
    EXPECT_TRUE(IsBackupLeftoverName(WorkRecordName));
}
