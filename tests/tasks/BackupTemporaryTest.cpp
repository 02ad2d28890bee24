#include "tasks/BackupTemporary.h"

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
