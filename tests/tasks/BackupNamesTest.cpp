#include "tasks/BackupNames.h"

#include "foundation/PathUtils.h"

#include <gtest/gtest.h>

#include <algorithm>

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

    // Read back: the plain names a kept version can have been made from, by any suffix.
    using Names = std::vector<std::string>;
    EXPECT_EQ(KeptVersionOrigins("anna.BAK-2.txt"), (Names{"anna.txt", "anna"}));
    EXPECT_EQ(KeptVersionOrigins("a.2025-01-313.txt"), (Names{"a.txt", "a"}));
    EXPECT_EQ(KeptVersionOrigins("a.bak.b.bak.txt"), (Names{"a.txt", "a.bak.txt", "a.bak.b.txt", "a"}));
    EXPECT_EQ(KeptVersionOrigins("README.bak"), Names{"README"});
    EXPECT_EQ(KeptVersionOrigins(".bak.bashrc"), Names{".bashrc"});
    for (const char* none : {"a", "a.", ".bak"}) {
        EXPECT_EQ(KeptVersionOrigins(none), Names{}) << none;
    }
    for (const std::string plain : {"anna.txt", "README", ".bashrc", "a.b.c"}) {
        const std::string rotating = InsertBeforeExt(plain, MakeBackupSuffix("bak-#3", stored, now));
        for (const std::string& version : KeptVersionNames(rotating)) {
            const Names origins = KeptVersionOrigins(version);
            EXPECT_NE(std::find(origins.begin(), origins.end(), plain), origins.end()) << version;
        }
    }
}

TEST(BackupNames, ReplacedCharactersAsFound)
{
    // A ':' arrives as its stand-in character, then '?'.
    EXPECT_EQ(ConvertFileName("a\xEF\x80\xBA"
                              "b?.TXT",
                              1, true),
              "a-b-.txt");
}

// A backup file stands for a file of its origin folder as its copy in any form, or as what
// may be a kept version of it, under any of the name conversions.
TEST(BackupNames, OriginsOfBackupFiles)
{
    TOriginNames origin;
    for (const char* name : {"Report00.TXT",
                             "a\xEF\x80\xBA"
                             "b.txt",
                             "notes"}) {
        origin.Add(name);
    }
    for (const char* copy : {"Report00.TXT", "report00.txt", "REPORT00.TXT.gz", "report00.txt.ENC",
                             "report00.bak-1.txt.enc", "a-b.txt", "a-b.2026-12-10.txt.gz", "notes.old", "notes.txt"}) {
        EXPECT_TRUE(origin.HasOriginOf(copy)) << copy;
    }
    for (const char* orphan : {"report01.txt", "report00.txt.zip", "Report00.TXT.gz.gz", "a:b.txt", "note"}) {
        EXPECT_FALSE(origin.HasOriginOf(orphan)) << orphan;
    }
}

// Several files of a folder that would give back one name: only the backup's own forms of
// it stay forms; the others come back as they are.
TEST(BackupNames, RestoredNamesKeptApart)
{
    const auto gz = [](const char* name, const char* stored, bool ownLayout, bool encrypted) {
        TRestoreName file = RestoreNameOf(name, true);
        file.Header.Name = stored;
        file.Header.OwnLayout = ownLayout;
        file.Header.Encrypted = encrypted;
        return file;
    };
    const auto settled = [](std::vector<TRestoreName> files) {
        KeepRestoredNamesApart(files);
        std::string out;
        for (const TRestoreName& file : files) {
            out += file.Name + ">" + file.Restored + (file.Unpacked ? " unpacked" : "") +
                   (file.Decrypted ? " decrypted" : "") + ";";
        }
        return out;
    };
    // A form an interrupted run left, stored under another case; the user's own archive.
    EXPECT_EQ(settled({RestoreNameOf("a.txt", true), gz("a.txt.gz", "A.TXT", true, false)}),
              "a.txt>a.txt;a.txt.gz>a.txt unpacked;");
    EXPECT_EQ(settled({RestoreNameOf("a.txt", true), gz("a.txt.gz", "a.txt", false, false)}),
              "a.txt>a.txt;a.txt.gz>a.txt.gz;");
    // ".enc" is a form only beside an encrypted form of the backup's own.
    EXPECT_EQ(settled({RestoreNameOf("b.enc", true), gz("b.gz", "b", true, true)}),
              "b.enc>b decrypted;b.gz>b unpacked;");
    EXPECT_EQ(settled({RestoreNameOf("b.enc", true), gz("b.gz", "b", true, false)}), "b.enc>b.enc;b.gz>b unpacked;");
    EXPECT_EQ(settled({RestoreNameOf("b", true), RestoreNameOf("b.enc", true)}), "b>b;b.enc>b.enc;");
    // Alone, every ".gz" and ".enc" is given back as before.
    EXPECT_EQ(settled({gz("c.gz", "../x", false, false), RestoreNameOf("d.enc", false), RestoreNameOf("e.gz", false)}),
              "c.gz>c unpacked;d.enc>d decrypted;e.gz>e.gz;");
}

} // namespace
