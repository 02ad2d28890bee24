#include "tasks/BackupSelection.h"

#include <gtest/gtest.h>

namespace {

TEST(BackupLayout, DestinationBaseOfEveryMode)
{
    struct
    {
        const char* source;
        int32_t mode;
        const char* local;
        const char* ftp;
    } cases[] = {
        {"C:\\Data\\Docs", DestDrivesSeparated, "E:\\Backup\\LwC\\Data\\Docs", "LwC/Data/Docs"},
        {"c:\\Data\\Docs\\", DestZipPerDirectory, "E:\\Backup\\LwC\\Data\\Docs", "LwC/Data/Docs"},
        {"C:\\Data\\Docs", DestCloneOfSource, "E:\\Backup\\Data\\Docs", "Data/Docs"},
        {"C:\\Data\\Docs", DestOneDirectory, "E:\\Backup", ""},
        {"C:\\Data\\Docs", DestZipFile, "", ""},
        {"C:\\", DestDrivesSeparated, "E:\\Backup\\LwC", "LwC"},
        {"C:\\", DestCloneOfSource, "E:\\Backup", ""},
        {"\\\\nas\\data\\Photos", DestDrivesSeparated, "E:\\Backup\\nas\\data\\Photos", "nas/data/Photos"},
        {"\\\\nas\\data\\Photos", DestCloneOfSource, "E:\\Backup\\Photos", "Photos"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " mode " + std::to_string(c.mode));
        EXPECT_EQ(DestinationBase("E:\\Backup\\", c.source, c.mode), c.local);
        EXPECT_EQ(FtpDestinationBase(c.source, c.mode), c.ftp);
    }
}

TEST(BackupDecision, ToleranceAndIgnoreDst)
{
    const TFileTime second = 10000000ULL;
    const TFileTime source = 130000000000000000ULL;
    struct
    {
        TCopyRule rule;
        bool exists;
        int64_t destOlderBy; // seconds; negative: newer
        bool copy;
    } cases[] = {
        {{false, 2, false}, false, 0, true},   {{false, 2, false}, true, -100000, false},
        {{false, 2, false}, true, 0, false},   {{false, 2, false}, true, 2, false},
        {{false, 2, false}, true, 3, true},    {{false, 2, true}, true, 3600, false},
        {{false, 2, true}, true, 3602, false}, {{false, 2, true}, true, 3603, true},
        {{true, 2, true}, true, -5, true},     {{false, 0, false}, true, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.destOlderBy);
        const TFileTime dest = source - static_cast<TFileTime>(c.destOlderBy * static_cast<int64_t>(second));
        EXPECT_EQ(NeedsCopy(c.rule, c.exists, source, dest), c.copy);
    }
}

class BackupSelectionTest : public ::testing::Test
{
protected:
    TFileInfo File(const std::string& name, uint64_t size = 10, uint32_t attr = faArchive, TDateTime time = 45000.5)
    {
        TFileInfo info;
        info.Name = name;
        info.Size = size;
        info.Attr = attr;
        info.Time = time;
        return info;
    }
    bool Selected(const TFileInfo& info, bool useArch = false)
    {
        std::string type;
        return ExtensionSelected(info.Name, filter, type) && FileSelected(info, filter, useArch, runDate);
    }

    TExtensionList filter;
    TDateTime runDate = 45000;
};

TEST_F(BackupSelectionTest, TypeLists)
{
    std::string type;
    EXPECT_TRUE(ExtensionSelected("a.txt", filter, type)); // empty exclude list
    EXPECT_EQ(type, "TXT");
    filter.ExcludeList.Add("TXT");
    EXPECT_FALSE(ExtensionSelected("b.Txt", filter, type));
    EXPECT_TRUE(ExtensionSelected("Makefile", filter, type));
    EXPECT_EQ(type, "<ohne>");
    filter.Mode = TypeModeInclude;
    filter.IncludeList.Add("<ohne>");
    EXPECT_TRUE(ExtensionSelected("Makefile", filter, type));
    EXPECT_FALSE(ExtensionSelected("a.doc", filter, type));
    filter.Mode = 7;
    EXPECT_FALSE(ExtensionSelected("Makefile", filter, type));
}

TEST_F(BackupSelectionTest, NameAttributesAndSize)
{
    filter.NameFilter.Mode = TTextFilter::ModeInclude;
    filter.NameFilter.SetMask("rep*");
    EXPECT_TRUE(Selected(File("report.2024.pdf")));
    EXPECT_FALSE(Selected(File("notes.txt")));
    filter.NameFilter.Mode = TTextFilter::ModeOff;

    EXPECT_FALSE(Selected(File("a.txt", 1, 0), true)); // UseArch needs the archive bit
    EXPECT_TRUE(Selected(File("a.txt", 1, faArchive), true));

    filter.AttrHidden = AttrExcluded;
    filter.AttrReadOnly = AttrRequired;
    EXPECT_TRUE(Selected(File("a", 1, faReadOnly)));
    EXPECT_FALSE(Selected(File("a", 1, faReadOnly | faHidden)));
    EXPECT_FALSE(Selected(File("a", 1, 0)));
    filter.AttrHidden = filter.AttrReadOnly = AttrIgnore;

    filter.MinSize = 10;
    filter.MaxSize = 20;
    const struct
    {
        uint8_t mode;
        uint64_t size;
        bool selected;
    } sizes[] = {{SizeModeSmaller, 19, true},  {SizeModeSmaller, 20, false},
                 {SizeModeLarger, 10, false},  {SizeModeLarger, 11, true},
                 {SizeModeBetween, 10, true},  {SizeModeBetween, 20, true},
                 {SizeModeBetween, 21, false}, {9, 15, false}};
    for (const auto& s : sizes) {
        filter.SizeMode = s.mode;
        EXPECT_EQ(Selected(File("a", s.size)), s.selected) << int(s.mode) << " " << s.size;
    }
}

TEST_F(BackupSelectionTest, DateModes)
{
    const TDateTime day = EncodeDate(2024, 3, 9);
    filter.DateFilter.DateFrom = day;
    filter.DateFilter.DateTo = day;
    filter.DateFilter.TimeMode = TimeModeBetween;
    EXPECT_FALSE(Selected(File("a", 1, 0, day - 1.0 / 86400)));
    EXPECT_TRUE(Selected(File("a", 1, 0, day)));
    EXPECT_TRUE(Selected(File("a", 1, 0, EncodeDateTime(2024, 3, 9, 23, 59, 59))));
    EXPECT_FALSE(Selected(File("a", 1, 0, day + 1)));

    runDate = day;
    filter.DateFilter.TimeMode = TimeModeSinceTime;
    filter.DateFilter.DayTime = 0.25;
    EXPECT_FALSE(Selected(File("a", 1, 0, day + 0.24)));
    EXPECT_TRUE(Selected(File("a", 1, 0, day + 0.25)));

    filter.DateFilter.TimeMode = TimeModeLastDays;
    filter.DateFilter.Days = 2;
    EXPECT_TRUE(Selected(File("a", 1, 0, day - 2 + 0.01)));
    EXPECT_FALSE(Selected(File("a", 1, 0, day - 2 - 0.01)));

    filter.DateFilter.TimeMode = 6;
    EXPECT_FALSE(Selected(File("a", 1, 0, day)));
}

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
}

TEST(BackupNames, ConversionAndSuffixes)
{
    EXPECT_EQ(ConvertFileName("Ärger.TXT", 1, false), "ärger.txt");
    EXPECT_EQ(ConvertFileName("Ärger.txt", 2, false), "ÄRGER.TXT");
    EXPECT_EQ(ConvertFileName("a\xEF\x80\xBA"
                              "b?.txt",
                              0, true),
              "a-b-.txt"); // ':' as found, then '?'
    EXPECT_EQ(DestinationSuffix(true, true), ".gz");
    EXPECT_EQ(DestinationSuffix(false, true), ".enc");
    EXPECT_EQ(DestinationSuffix(false, false), "");

    TBackupTask task;
    task.Compress = true;
    task.NoCompTypes = {"zip", "JPG"};
    EXPECT_TRUE(ShouldCompress(task, 512, 512, "TXT"));
    EXPECT_FALSE(ShouldCompress(task, 512, 511, "TXT"));
    EXPECT_FALSE(ShouldCompress(task, 0, 5000, "jpg"));
    task.Compress = false;
    EXPECT_FALSE(ShouldCompress(task, 0, 5000, "TXT"));
}

} // namespace
