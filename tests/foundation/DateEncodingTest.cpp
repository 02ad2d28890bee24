#include "foundation/DateUtils.h"
#include "foundation/Encodings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// Runs a test in a fixed time zone and restores the previous one.
class TTimeZone
{
public:
    explicit TTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            saved = old;
            hadZone = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TTimeZone()
    {
        if (hadZone) {
            setenv("TZ", saved.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::string saved;
    bool hadZone = false;
};

} // namespace

TEST(DateUtils, CalendarDaysCountFrom18991230)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585);
    EXPECT_EQ(EncodeDate(2001, 2, 29), 0); // no such day
    int y, m, d, h, n, s, ms;
    DecodeDateTime(EncodeDateTime(2024, 7, 15, 23, 59, 59, 999), y, m, d, h, n, s, ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}), (std::vector<int>{2024, 7, 15, 23, 59, 59, 999}));
    DecodeDateTime(-1.25, y, m, d, h, n, s, ms); // negative counts keep a positive time of day
    EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{1899, 12, 29, 6}));
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 7, 14)), 1);
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2024, 7, 15)), 1);
    EXPECT_EQ(MsToDateTime(DateTimeToMs(-1.25)), -1.25);
}

TEST(DateUtils, UnixFileAndDosTimesConvertThroughTheLocalZone)
{
    TTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(DateTimeToUnix(EncodeDate(1980, 1, 1)), 315532800);
    EXPECT_EQ(UnixToDateTime(0), UnixDateDelta);
    // 2024-07-15 10:00 UTC is 12:00 summer time.
    const Platform::TFileTime summer = Platform::FileTimeFromUnix(1721037600);
    EXPECT_EQ(FileTimeToLocalDateTime(summer), EncodeDateTime(2024, 7, 15, 12, 0, 0));
    EXPECT_EQ(LocalDateTimeToFileTime(EncodeDateTime(2024, 7, 15, 12, 0, 0)), summer);
    EXPECT_EQ(LocalDateTimeToFileTime(EncodeDateTime(2024, 1, 15, 12, 0, 0, 250)),
              Platform::FileTimeFromUnix(1705316400, 250000000));

    const TDosTime dos = DateTimeToDosTime(EncodeDateTime(2024, 7, 15, 12, 34, 57));
    EXPECT_EQ(static_cast<std::uint32_t>(dos), ((44u << 9 | 7u << 5 | 15u) << 16) | (12u << 11 | 34u << 5 | 28u));
    TDateTime back = 0;
    ASSERT_TRUE(DosTimeToDateTime(dos, back));
    EXPECT_EQ(back, EncodeDateTime(2024, 7, 15, 12, 34, 56));
    EXPECT_EQ(DateTimeToDosTime(EncodeDate(1979, 12, 31)), InvalidDosTime);
    EXPECT_EQ(DateTimeToDosTime(EncodeDate(2108, 1, 1)), InvalidDosTime);
    EXPECT_FALSE(DosTimeToDateTime(0, back));
    EXPECT_EQ(FileTimeToDosTime(summer), DateTimeToDosTime(EncodeDateTime(2024, 7, 15, 12, 0, 0)));
}

TEST(DateUtils, TheClockCanBeReplacedInTests)
{
    TTimeZone zone("UTC0");
    SetClockForTests([] { return Platform::FileTimeFromUnix(1721037600); });
    EXPECT_EQ(Now(), EncodeDateTime(2024, 7, 15, 10, 0, 0));
    EXPECT_EQ(Date(), EncodeDate(2024, 7, 15));
    ResetClock();
    EXPECT_GT(Now(), EncodeDate(2025, 1, 1));
}

TEST(Encodings, Cp1252AndDosCodePageRoundTrip)
{
    EXPECT_EQ(Utf8ToCp1252("Grüße €"), "Gr\xFC\xDF"
                                       "e \x80");
    EXPECT_EQ(Cp1252ToUtf8("Gr\xFC\xDF"
                           "e \x80\x81"),
              "Grüße €\xC2\x81");
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");
    EXPECT_EQ(Utf8ToDos("Ärger_ß.txt"), "\x8Erger_\xE1.txt");
    EXPECT_EQ(DosToUtf8("\x8Erger_\xE1.txt"), "Ärger_ß.txt");
    EXPECT_TRUE(IsDosRepresentable("Ärger ½ ╬.txt"));
    EXPECT_FALSE(IsDosRepresentable("€uro"));
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8ToDos(DosToUtf8(all)), all);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(WindowsTextToUtf8("\xEF\xBB\xBFplain ü"), "plain ü");
    EXPECT_EQ(WindowsTextToUtf8("caf\xE9"), "café");
}
