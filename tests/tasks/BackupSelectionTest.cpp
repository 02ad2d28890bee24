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

TEST_F(BackupSelectionTest, TypeNameAttributeSizeAndDateTests)
{
    filter.ExcludeList.Add("TXT");
    EXPECT_FALSE(Selected(File("b.Txt")));
    EXPECT_TRUE(Selected(File("Makefile")));
    filter.Mode = TypeModeInclude;
    filter.IncludeList.Add("<ohne>");
    EXPECT_TRUE(Selected(File("Makefile")));
    EXPECT_FALSE(Selected(File("a.doc")));
    filter.Mode = TypeModeExclude;

    filter.NameFilter.Mode = TTextFilter::ModeInclude;
    filter.NameFilter.SetMask("rep*");
    EXPECT_TRUE(Selected(File("report.2024.pdf"))); // the last extension is cut off
    EXPECT_FALSE(Selected(File("notes.doc")));
    filter.NameFilter.Mode = TTextFilter::ModeOff;

    EXPECT_FALSE(Selected(File("a.doc", 1, 0), true)); // UseArch needs the archive bit
    filter.AttrHidden = AttrExcluded;
    filter.AttrReadOnly = AttrRequired;
    EXPECT_TRUE(Selected(File("a", 1, faReadOnly)));
    EXPECT_FALSE(Selected(File("a", 1, faReadOnly | faHidden)));
    EXPECT_FALSE(Selected(File("a", 1, 0)));
    filter.AttrHidden = filter.AttrReadOnly = AttrIgnore;

    filter.MinSize = 10;
    filter.MaxSize = 20;
    filter.SizeMode = SizeModeBetween;
    EXPECT_TRUE(Selected(File("a", 10)) && Selected(File("a", 20)));
    EXPECT_FALSE(Selected(File("a", 21)));
    filter.SizeMode = SizeModeSmaller;
    EXPECT_FALSE(Selected(File("a", 20)));
    filter.SizeMode = SizeModeAny;

    // Date mode 3 with one day: all of that day, 00:00 to 23:59:59.
    const TDateTime day = EncodeDate(2024, 3, 9);
    filter.DateFilter.DateFrom = filter.DateFilter.DateTo = day;
    filter.DateFilter.TimeMode = TimeModeBetween;
    EXPECT_FALSE(Selected(File("a", 1, 0, day - 1.0 / 86400)));
    EXPECT_TRUE(Selected(File("a", 1, 0, day)));
    EXPECT_TRUE(Selected(File("a", 1, 0, EncodeDateTime(2024, 3, 9, 23, 59, 59))));
    EXPECT_FALSE(Selected(File("a", 1, 0, day + 1)));
    runDate = day;
    filter.DateFilter.TimeMode = TimeModeLastDays;
    filter.DateFilter.Days = 2;
    EXPECT_TRUE(Selected(File("a", 1, 0, day - 2 + 0.01)));
    EXPECT_FALSE(Selected(File("a", 1, 0, day - 2 - 0.01)));
}

} // namespace
