#include "tasks/TimeStamp.h"

#include "TempFolder.h"
#include "foundation/PathUtils.h"
#include "platform/FileSystem.h"
#include "tasks/ZipDest.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(TimeStampTest, WritesEightLittleEndianBytesAndReadsThemBack)
{
    TTempFolder temp;
    const TDateTime start = EncodeDateTime(2026, 12, 7, 14, 5, 0);
    temp.WriteHostFile("$TimeStamp.tsu", "older content that is longer");
    WriteTimeStamp(temp.Win(), start);
    const std::string bytes = temp.ReadHostFile("$TimeStamp.tsu");
    ASSERT_EQ(bytes.size(), 8u);
    EXPECT_EQ(bytes, TimeStampBytes(start));
    EXPECT_EQ(static_cast<uint8_t>(bytes[7]), 0x40); // sign and exponent of a positive day count
    EXPECT_DOUBLE_EQ(ReadTimeStamp(temp.Win()), start);
}

TEST(TimeStampTest, MissingShortOrNonsensicalStampsReadAsZero)
{
    TTempFolder temp;
    EXPECT_EQ(ReadTimeStamp(temp.Win()), 0);
    temp.WriteHostFile("$TimeStamp.tsu", "1234567");
    EXPECT_EQ(ReadTimeStamp(temp.Win()), 0);
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300}) {
        temp.WriteHostFile("$TimeStamp.tsu", TimeStampBytes(bad));
        EXPECT_EQ(ReadTimeStamp(temp.Win()), 0) << bad;
    }
}

TEST(TimeStampTest, OnlyTimeStampLeftLooksAtEveryEntry)
{
    TTempFolder temp;
    EXPECT_TRUE(OnlyTimeStampLeft(temp.Win()));
    WriteTimeStamp(temp.Win(), 1.0);
    EXPECT_TRUE(OnlyTimeStampLeft(temp.Win()));
    temp.WriteHostFile("$timestamp.tsu", "");
    EXPECT_FALSE(OnlyTimeStampLeft(temp.Win()));
    std::filesystem::remove(temp.Host("$timestamp.tsu"));
    std::filesystem::create_directory(temp.Host(".hidden"));
    EXPECT_FALSE(OnlyTimeStampLeft(temp.Win()));
}

TEST(ZipNameTest, ExtensionAlwaysZipAndEmptyGivesTheDate)
{
    SetClockForTests([] { return LocalDateTimeToFileTime(EncodeDateTime(2026, 12, 7, 10, 0, 0)); });
    EXPECT_EQ(MakeZipName(""), "TSU2026-12-07.zip");
    EXPECT_EQ(MakeZipName("Backup.7z"), "Backup.zip");
    EXPECT_EQ(MakeZipName("Backup"), "Backup.zip");
    EXPECT_EQ(MakeZipName("my.dir\\Backup"), "my.dir\\Backup.zip");
    EXPECT_EQ(MakeZipName("Set-%YEAR%.tar.gz"), "Set-2026.tar.zip");
    ResetClock();
}

TEST(ZipNameTest, TempArchiveGoesWithItsObject)
{
    std::string path;
    {
        auto archive = TTempArchive::Create();
        ASSERT_TRUE(archive);
        path = archive->Path();
        EXPECT_EQ(ExtractFileName(path), "TsTemp.zip");
        EXPECT_TRUE(Platform::FileExists(path));
    }
    EXPECT_FALSE(Platform::FileExists(path));
    EXPECT_FALSE(Platform::DirectoryExists(ExtractFilePath(path)));
}

} // namespace
