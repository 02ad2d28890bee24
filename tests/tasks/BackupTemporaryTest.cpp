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

// What a run that died named in its record is tidied by the next run: the temporaries in a
// folder it worked in; in a folder it made, and all below it, the temporaries at every level
// and then the folders left empty, whatever their names hold; nothing else, and nothing
// through a link. A file of the record's name that is no record is left alone.
TEST(WorkRecord, TheNextRunTidiesOnlyWhatTheRecordNames)
{
    namespace fs = std::filesystem;
    TTempFolder temp;
    const std::string made = "new\nline%41";
    const std::string temporary = MakeBackupTemporaryName(7);
    fs::create_directories(temp.Host("dest/kept"));
    fs::create_directories(temp.Host("outside"));
    temp.WriteHostFile("dest/kept/mine.txt", "kept");
    temp.WriteHostFile("outside/" + temporary, "not the run's");
    {
        TWorkRecord record(temp.Win("dest"));
        record.Note(temp.Win("dest\\kept"), false);
        record.Note(temp.Win("dest\\" + made), true);
        record.Note(temp.Win("dest\\partly"), true);
        record.Note(temp.Win("elsewhere"), true); // not below the root: never named
        fs::create_directories(temp.Host("dest/" + made + "/inner/deeper"));
        fs::create_directories(temp.Host("dest/partly/done"));
        temp.WriteHostFile("dest/partly/done/copied.txt", "complete");
        fs::create_directory_symlink(temp.Host("outside"), temp.Host("dest/partly/link"));
        for (const std::string& folder :
             {std::string("dest/kept"), "dest/" + made, "dest/" + made + "/inner", std::string("dest/partly")}) {
            temp.WriteHostFile(folder + "/" + temporary, "half");
        }
        // What a kill now would leave: the record as it stands.
        fs::copy_file(temp.Host("dest/" + std::string(WorkRecordName)), temp.Host("record"));
    }
    EXPECT_FALSE(fs::exists(temp.Host("dest/" + std::string(WorkRecordName))));
    fs::copy_file(temp.Host("record"), temp.Host("dest/" + std::string(WorkRecordName)));
    // Four temporaries, the made folder with its two below, none of what stands in "partly".
    EXPECT_EQ(TidyInterruptedRun(temp.Win("dest")).size(), 7u);
    EXPECT_EQ(temp.ReadHostFile("dest/kept/mine.txt"), "kept");
    EXPECT_FALSE(fs::exists(temp.Host("dest/kept/" + temporary)));
    EXPECT_FALSE(fs::exists(temp.Host("dest/" + made)));
    EXPECT_FALSE(fs::exists(temp.Host("dest/partly/" + temporary)));
    EXPECT_EQ(temp.ReadHostFile("dest/partly/done/copied.txt"), "complete");
    EXPECT_TRUE(fs::is_symlink(temp.Host("dest/partly/link")));
    EXPECT_TRUE(fs::exists(temp.Host("outside/" + temporary)));
    EXPECT_FALSE(fs::exists(temp.Host("dest/" + std::string(WorkRecordName))));

    temp.WriteHostFile("dest/" + std::string(WorkRecordName), "M kept\n");
    EXPECT_TRUE(TidyInterruptedRun(temp.Win("dest")).empty());
    EXPECT_TRUE(fs::exists(temp.Host("dest/" + std::string(WorkRecordName))));
    EXPECT_TRUE(IsBackupLeftoverName(WorkRecordName));
}
