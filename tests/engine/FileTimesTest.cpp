#include "engine/FileTimes.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr TFileTime Hour = 36000000000ULL;
constexpr TFileTime FixedNow = 133000000000000000ULL; // 2022-06-20

class FileTimesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClockForTests([] { return FixedNow; });
    }
    void TearDown() override { ResetClock(); }

    std::string MakeFile(const std::string& name, const std::string& contents, TFileTime stamp)
    {
        tmp.WriteHostFile(name, contents);
        const std::string win = tmp.Win(name);
        Platform::SetFileTimes(win, nullptr, nullptr, &stamp);
        return win;
    }

    TTempFolder tmp;
};

// A zone far from UTC, so that mixing local and UTC times would show.
class TZoneMinus12
{
public:
    TZoneMinus12()
    {
        setenv("TZ", "<-12>12", 1);
        tzset();
    }
    ~TZoneMinus12()
    {
        unsetenv("TZ");
        tzset();
    }
};

} // namespace

TEST_F(FileTimesTest, TimesOfFilesAndFolders)
{
    const std::string file = MakeFile("f.txt", "abc", FixedNow - Hour);
    std::filesystem::create_directory(tmp.Host("d"));

    const TFileTimes times = GetFileTimes(file, false);
    EXPECT_EQ(times.Valid, 1u);
    EXPECT_EQ(times.LastWriteTime, FixedNow - Hour);
    EXPECT_EQ(GetFileWriteTime(file), FixedNow - Hour);

    const TFileTimes wrongKind = GetFileTimes(tmp.Win("d"), false);
    EXPECT_EQ(wrongKind.Valid, 0u);
    EXPECT_EQ(wrongKind.LastWriteTime, 0u);
    EXPECT_EQ(wrongKind.CreationTime, 0u);
    EXPECT_EQ(GetDirFileTimes(tmp.Win("d")).Valid, 1u);
    EXPECT_EQ(GetFileWriteTime(tmp.Win("d")), 0u);
    EXPECT_EQ(GetFileWriteTime(tmp.Win("missing")), 0u);
    EXPECT_EQ(FileSize64(file), 3u);
    EXPECT_EQ(FileSize64(tmp.Win("d")), 0u);
    EXPECT_TRUE(PathExists(file));
    EXPECT_TRUE(PathExists(tmp.Win("d")));
    EXPECT_FALSE(PathExists(tmp.Win("missing")));
    TFindData data;
    EXPECT_TRUE(FindFile(file, data));
    EXPECT_FALSE(FindFile(tmp.Win("d"), data));

    TFileTimes invalid;
    ASSERT_EQ(SetFileTimes(file, invalid, false, false), 0);
    EXPECT_EQ(GetFileWriteTime(file), FixedNow);
}

TEST_F(FileTimesTest, ConversionsBetweenTimeBases)
{
    EXPECT_EQ(FileTimeToUnixTime(116444736000000000ULL), 0);
    EXPECT_EQ(FileTimeToUnixTime(DateTimeToFileTime(EncodeDate(1980, 1, 1))), 315532800);
    EXPECT_EQ(DateTimeToUnixTime(EncodeDate(1980, 1, 1)), 315532800);
    EXPECT_EQ(FileTimeToDateTime(DateTimeToFileTime(EncodeDateTime(2024, 2, 29, 13, 14, 15, 16))),
              EncodeDateTime(2024, 2, 29, 13, 14, 15, 16));
    EXPECT_EQ(FileTimeToDateTime(0x8000000000000000ULL), EncodeDate(1980, 1, 1));
    EXPECT_EQ(DateTimeToFileTime(EncodeDate(1601, 1, 1)), 0u);
    EXPECT_TRUE(IsGzFile("C:\\x\\file.GZ"));
    EXPECT_FALSE(IsGzFile("C:\\x.gz\\file"));
    EXPECT_TRUE(IsEncFile("a.b.enc"));
    EXPECT_FALSE(IsEncFile("a.encx"));
}

TEST_F(FileTimesTest, DosTimesExistOnlyFrom1980)
{
    const std::string old = MakeFile("old", "", DateTimeToFileTime(EncodeDate(1975, 5, 5)));
    TFindData data;
    ASSERT_TRUE(FindFile(old, data));
    EXPECT_EQ(FindDataDosTime(data), InvalidDosTime);

    // The file's real time stays, to the second, even where no DOS time exists.
    TSearchRec rec;
    ASSERT_EQ(Platform::FindFirst(old, 0, rec), 0);
    const TFileInfo info = SearchRecToFileInfo(rec);
    EXPECT_EQ(info.Time, FileTimeToLocalDateTime(data.LastWriteTime));
    EXPECT_LT(info.Time, EncodeDate(1980, 1, 1));

    const TDosTime dos = DateTimeToDosTime(EncodeDateTime(2020, 3, 4, 5, 6, 8));
    ASSERT_EQ(SetFileDosTime(old, dos), 0);
    ASSERT_TRUE(FindFile(old, data));
    EXPECT_EQ(FindDataDosTime(data), dos);
    std::filesystem::create_directory(tmp.Host("d"));
    EXPECT_NE(GetDirDosTime(tmp.Win("d")), InvalidDosTime);
    EXPECT_EQ(GetDirDosTime(old), InvalidDosTime);
}

TEST_F(FileTimesTest, FutureStampsAreReplacedOnlyBeyondOneDayInUtc)
{
    TZoneMinus12 zone;
    const std::string farAhead = MakeFile("far", "1", FixedNow + 48 * Hour);
    const std::string nearAhead = MakeFile("near", "2", FixedNow + 12 * Hour);
    const std::string zoneAhead = MakeFile("zone", "3", FixedNow + 20 * Hour);
    CopyFileChecked(farAhead, tmp.Win("far.copy"), 4096);
    CopyFileChecked(nearAhead, tmp.Win("near.copy"), 4096);
    CopyFileChecked(zoneAhead, tmp.Win("zone.copy"), 4096);
    EXPECT_EQ(GetFileWriteTime(tmp.Win("far.copy")), FixedNow);
    EXPECT_EQ(GetFileWriteTime(tmp.Win("near.copy")), FixedNow + 12 * Hour);
    EXPECT_EQ(GetFileWriteTime(tmp.Win("zone.copy")), FixedNow + 20 * Hour);
}

TEST_F(FileTimesTest, CopyKeepsContentsStampAndAttributes)
{
    std::string contents;
    for (int i = 0; i < 100000; ++i) {
        contents += static_cast<char>(i * 7);
    }
    const std::string source = MakeFile("src.bin", contents, FixedNow - 5 * Hour);
    ASSERT_EQ(Platform::SetFileAttributes(source, faReadOnly | faHidden), 0);
    tmp.WriteHostFile("dst.bin", "old contents that are longer than nothing");
    ASSERT_EQ(Platform::SetFileAttributes(tmp.Win("dst.bin"), faReadOnly), 0);

    CopyFileChecked(source, tmp.Win("dst.bin"), 4096); // a read-only destination is overwritten
    EXPECT_EQ(tmp.ReadHostFile("dst.bin"), contents);
    EXPECT_EQ(GetFileWriteTime(tmp.Win("dst.bin")), FixedNow - 5 * Hour);
    EXPECT_EQ(Platform::GetFileAttributes(tmp.Win("dst.bin")), faReadOnly | faHidden);

    EXPECT_NO_THROW(CopyFileChecked(tmp.Win("missing"), tmp.Win("x"), 4096));
    EXPECT_NO_THROW(CopyFileChecked(source, "", 4096));
    EXPECT_FALSE(Platform::AnyExists(tmp.Win("x")));
}

TEST_F(FileTimesTest, CopyFailuresRaiseWithMessageAndCode)
{
    const std::string source = MakeFile("src", "data", FixedNow);
    try {
        CopyFileChecked(source, tmp.Win("no\\folder\\dst"), 4096);
        FAIL() << "no exception";
    } catch (const ECopyError& e) {
        EXPECT_EQ(e.ErrorCode, 1);
        EXPECT_EQ(std::string(e.what()), "Error creating " + tmp.Win("no\\folder\\dst"));
    }
}

TEST_F(FileTimesTest, AFullVolumeLeavesNoHalfWrittenCopy)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting needs root";
    }
    std::filesystem::create_directory(tmp.Host("small"));
    if (mount("tessaro-test", tmp.Host("small").c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "mount not permitted here";
    }
    const std::string source = MakeFile("big", std::string(1 << 20, 'x'), FixedNow);
    int code = 0;
    try {
        CopyFileChecked(source, tmp.Win("small\\big"), 65536);
    } catch (const ECopyError& e) {
        code = e.ErrorCode;
    }
    const bool left = std::filesystem::exists(tmp.Host("small/big"));
    umount(tmp.Host("small").c_str());
    EXPECT_EQ(code, 5);
    EXPECT_FALSE(left);
}
