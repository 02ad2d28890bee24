#include "tasks/BackupNames.h"

#include <gtest/gtest.h>

namespace {

TEST(BackupNames, KeptVersionsAndSuffixes)
{
    const TDateTime now = EncodeDateTime(2024, 3, 9, 14, 5, 7);
    const TFileTime stored = DateTimeToFileTime(EncodeDateTime(2023, 12, 31, 23, 58, 0));
    EXPECT_EQ(MakeBackupSuffix("", stored, now), ".bak");
    EXPECT_EQ(MakeBackupSuffix("%BDate%#3", stored, now), ".2024-03-09#3");
    EXPECT_EQ(MakeBackupSuffix("v%fdate%_%btime%_%fdate%", stored, now),
              ".v2023-12-31-23-58_14-05-07_2023-12-31-23-58");

    const std::string kept = KeptVersionName("E:\\B\\a.txt", ".2024-03-09#3", ".gz");
    EXPECT_EQ(kept, "E:\\B\\a.2024-03-09#3.txt.gz");
    EXPECT_EQ(KeptVersionNames(kept),
              (std::vector<std::string>{"E:\\B\\a.2024-03-091.txt.gz", "E:\\B\\a.2024-03-092.txt.gz",
                                        "E:\\B\\a.2024-03-093.txt.gz"}));
    EXPECT_EQ(KeptVersionNames("a.old#.txt"), (std::vector<std::string>{"a.old.txt"}));
    EXPECT_EQ(KeptVersionNames("a.#0#2.txt"), (std::vector<std::string>{"a.01.txt", "a.02.txt"}));
    EXPECT_EQ(KeptVersionName("E:\\B.d\\README", ".bak", ""), "E:\\B.d\\README.bak");

    // Read back: the plain name a kept version was made from, at any date.
    using Names = std::vector<std::string>;
    EXPECT_EQ(KeptVersionPlainNames("a.2025-01-313.txt", "%BDate%#3"), Names{"a.txt"});
    EXPECT_EQ(KeptVersionPlainNames("anna.BAK-2.txt", "bak-#3"), Names{"anna.txt"});
    EXPECT_EQ(KeptVersionPlainNames("README.bak", ""), Names{"README"});
    EXPECT_EQ(KeptVersionPlainNames("a.bak.b.bak.txt", "bak"), Names{"a.bak.b.txt"});
    for (const char* other : {"anna.bak-4.txt", "a.txt.bak-1", "a.txt", ".bak-1"}) {
        EXPECT_EQ(KeptVersionPlainNames(other, "bak-#3"), Names{}) << other;
    }
    EXPECT_EQ(KeptVersionPlainNames("a.2025-01-3x3.txt", "%bdate%#3"), Names{});
}

TEST(BackupNames, ReplacedCharactersAsFound)
{
    // A ':' arrives as its stand-in character, then '?'.
    EXPECT_EQ(ConvertFileName("a\xEF\x80\xBA"
                              "b?.TXT",
                              1, true),
              "a-b-.txt");
}

} // namespace
