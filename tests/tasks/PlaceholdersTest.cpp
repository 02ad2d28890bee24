#include "tasks/Placeholders.h"

#include "foundation/DateUtils.h"
#include "foundation/WinServices.h"

#include <gtest/gtest.h>

namespace {

double DayCount(int y, int m, int d, int hour = 0, int minute = 0)
{
    return EncodeDateTime(y, m, d, hour, minute, 0);
}

class TFakeSource : public IPlaceholderSource
{
public:
    explicit TFakeSource(double at) : now(at) {}

    double Now() override
    {
        ++clockReads;
        return now;
    }
    std::string ShortDayName(int isoWeekday) override { return "D" + std::to_string(isoWeekday); }
    std::string PathValue(int index) override
    {
        static const char* const values[] = {"C:\\home\\anna\\Documents\\",
                                             "C:\\home\\anna\\.config\\",
                                             "C:\\home\\anna",
                                             "anna",
                                             "workstation",
                                             "C:\\home\\anna\\Desktop",
                                             "",
                                             "C:\\usr\\local\\",
                                             "C:\\opt\\tessaro\\"};
        return values[index];
    }

    double now;
    int clockReads = 0;
};

} // namespace

TEST(Placeholders, DateTokens)
{
    // 2003-12-04 was a Thursday.
    TFakeSource source(DayCount(2003, 12, 4, 9, 5));
    EXPECT_EQ(ExpandPlaceholders(false, "%date%|%dow%|%day%|%week%|%dom%|%wom%|%month%|%year%|%time%", source),
              "2003-12-04|D4|338|49|04|1|12|2003|0905");
}

TEST(Placeholders, CalendarValuesAtTheirEdges)
{
    struct Case
    {
        int y;
        int m, d;
        const char* token;
        const char* value;
    };
    const Case cases[] = {
        {2003, 2, 1, "%day%", "032"}, {2004, 12, 31, "%day%", "366"}, {2003, 12, 29, "%week%", "01"},
        {2005, 1, 1, "%week%", "53"}, {2010, 1, 3, "%week%", "53"},   {2010, 1, 4, "%week%", "01"},
        {2003, 1, 1, "%week%", "01"}, {2003, 12, 1, "%wom%", "1"},    {2003, 11, 30, "%wom%", "4"},
        {2004, 1, 1, "%wom%", "1"},   {2004, 10, 1, "%wom%", "5"},    {2004, 10, 31, "%wom%", "4"},
        {2003, 12, 4, "%dom%", "04"}, {2003, 12, 7, "%dow%", "D7"},
    };
    for (const Case& c : cases) {
        TFakeSource source(DayCount(c.y, c.m, c.d));
        EXPECT_EQ(ExpandPlaceholders(false, c.token, source), c.value)
            << c.y << "-" << c.m << "-" << c.d << " " << c.token;
    }
}

TEST(Placeholders, TokensIgnoreCaseAndRepeat)
{
    TFakeSource source(DayCount(2003, 12, 4));
    EXPECT_EQ(ExpandPlaceholders(false, "Backup-%DATE%", source), "Backup-2003-12-04");
    EXPECT_EQ(ExpandPlaceholders(false, "%Year%\\%year%", source), "2003\\2003");
    EXPECT_EQ(source.clockReads, 2); // once per expansion
}

TEST(Placeholders, OtherSetAndUnknownTokensStay)
{
    TFakeSource source(DayCount(2003, 12, 4));
    EXPECT_EQ(ExpandPlaceholders(false, "%user%-%foo%-100%", source), "%user%-%foo%-100%");
    EXPECT_EQ(ExpandPlaceholders(true, "%date%-%user%@%COMPUTER%", source), "%date%-anna@workstation");
    EXPECT_EQ(source.clockReads, 0);
}

TEST(Placeholders, FolderValuesLoseOneTrailingDelimiter)
{
    TFakeSource source(0);
    EXPECT_EQ(ExpandPlaceholders(true, "%progpath%\\Tasks", source), "C:\\opt\\tessaro\\Tasks");
    EXPECT_EQ(
        ExpandPlaceholders(true, "%perspath%\\x;%apppath%;%profile%;%desktop%;%favorites%;%progfiles%", source),
        "C:\\home\\anna\\Documents\\x;C:\\home\\anna\\.config;C:\\home\\anna;C:\\home\\anna\\Desktop;;C:\\usr\\local");
}

TEST(Placeholders, ReplacedValuesAreNotScannedAgain)
{
    class TTrickySource : public TFakeSource
    {
    public:
        TTrickySource() : TFakeSource(0) {}
        std::string PathValue(int index) override { return index == PhUser ? "%computer%" : "host"; }
    } source;
    EXPECT_EQ(ExpandPlaceholders(true, "%user%/%computer%", source), "%computer%/host");
}

TEST(Placeholders, StripPlaceholderDirs)
{
    EXPECT_EQ(StripPlaceholderDirs("D:\\Backup\\%date%\\Daily"), "D:\\Backup");
    EXPECT_EQ(StripPlaceholderDirs("E:\\Data"), "E:\\Data");
    EXPECT_EQ(StripPlaceholderDirs("%perspath%\\Backup"), "");
    EXPECT_EQ(StripPlaceholderDirs("D:\\Backup-%year%"), "D:");
    EXPECT_EQ(StripPlaceholderDirs("\\\\nas\\share\\%date%"), "\\\\nas\\share");
}

TEST(Placeholders, ProgramSourceUsesTheSessionAndTheProgramFolder)
{
    SetPlaceholderProgramDir("C:\\opt\\tessaro\\");
    EXPECT_EQ(ExpandPlaceholders(true, "%progpath%\\Tasks"), "C:\\opt\\tessaro\\Tasks");
    EXPECT_EQ(ExpandPlaceholders(true, "%USER%"), GetCurrentUserName());
    EXPECT_EQ(ExpandPlaceholders(true, "%perspath%"), GetSpecialFolder(CSIDL_PERSONAL));
    SetPlaceholderProgramDir({});
}
