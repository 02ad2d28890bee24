#include "foundation/TextFilter.h"

#include "foundation/Mask.h"
#include "foundation/Translate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TFilterCase
{
    bool IsRegEx;
    std::uint8_t Mode;
    const char* Text;
    const char* Name;
    bool Passes;
};

class TextFilterMatch : public testing::TestWithParam<TFilterCase>
{
};

TEST_P(TextFilterMatch, PassesOrRejects)
{
    const TFilterCase& c = GetParam();
    TTextFilter filter;
    filter.IsRegEx = c.IsRegEx;
    filter.Mode = c.Mode;
    filter.SetMask(c.Text);
    EXPECT_EQ(filter.Match(c.Name), c.Passes) << c.Text << " / " << c.Name;
}

constexpr std::uint8_t Off = TTextFilter::ModeOff;
constexpr std::uint8_t Include = TTextFilter::ModeInclude;
constexpr std::uint8_t Exclude = TTextFilter::ModeExclude;

const TFilterCase FilterCases[] = {
    {false, Off, "*.txt", "", true},
    {false, Off, "*.txt", "a.pdf", true},
    {false, Include, "*.txt|*.doc", "A.TXT", true},
    {false, Include, "*.txt|*.doc", "b.doc", true},
    {false, Include, "*.txt|*.doc", "c.pdf", false},
    {false, Exclude, "*.txt|*.doc", "A.TXT", false},
    {false, Exclude, "*.txt|*.doc", "b.doc", false},
    {false, Exclude, "*.txt|*.doc", "c.pdf", true},
    {false, Include, "*.txt| *.doc", "b.doc", false},
    {false, Include, "*.txt| *.doc", " b.doc", true},
    {false, Include, "report?.*", "report1.pdf", true},
    {false, Include, "report?.*", "report.pdf", false},
    {false, Include, "a||b", "", true},
    {false, Include, "", "anything", true},
    {false, Include, "?.txt", "é.txt", true},
    {false, Include, "Ärger*", "ärger.doc", true},
    {false, Include, "[a-c]*", "Beta", true},
    {false, Include, "[!a-c]*", "beta", false},
    {false, Include, "[!a-c]*", "delta", true},
    {false, Include, "*x*y*z", "axbyc", false},
    {false, Include, "*x*y*z", "xaybz", true},
    {true, Include, "doc", "mydocument.txt", true},
    {true, Include, "^doc$", "mydocument.txt", false},
    {true, Include, "^doc$", "doc", true},
    {true, Include, "", "a", true},
    {true, Include, "", "", false},
    {true, Exclude, "\\.tmp$", "x.tmp", false},
    {true, Exclude, "\\.tmp$", "x.tmp.txt", true},
};
INSTANTIATE_TEST_SUITE_P(Table, TextFilterMatch, testing::ValuesIn(FilterCases));

TEST(TextFilter, NewFilterInIncludeModePassesEveryName)
{
    TTextFilter filter;
    EXPECT_EQ(filter.GetMask(), "*");
    filter.Mode = TTextFilter::ModeInclude;
    EXPECT_TRUE(filter.Match("x"));
    EXPECT_TRUE(filter.Match(""));
}

TEST(TextFilter, BadMaskRaisesAndFallsBackToStar)
{
    for (const std::string& bad : {std::string("[a-"), std::string("*.txt|[]"), std::string("[!-a]"),
                                   std::string("[a-]"), std::string(31, '*')}) {
        TTextFilter filter;
        filter.Mask = "*.doc";
        try {
            filter.SetMask(bad);
            FAIL() << bad;
        } catch (const EFilterError& e) {
            EXPECT_STREQ(e.what(), "Illegal mask!");
        }
        EXPECT_EQ(filter.GetMask(), "*") << bad;
    }
    TTextFilter filter;
    EXPECT_NO_THROW(filter.SetMask(std::string(30, '*')));
}

TEST(TextFilter, BadExpressionRaisesAndFallsBackToDot)
{
    TTextFilter filter;
    filter.IsRegEx = true;
    try {
        filter.SetMask("(");
        FAIL();
    } catch (const EFilterError& e) {
        EXPECT_STREQ(e.what(), "Illegal regular expression!");
    }
    EXPECT_EQ(filter.GetMask(), ".");
}

TEST(TextFilter, SwitchingModeShowsTheTextOfTheNewMode)
{
    TTextFilter filter;
    filter.SetMask("*.txt");
    filter.IsRegEx = true;
    EXPECT_EQ(filter.GetMask(), "");
    EXPECT_EQ(filter.DefaultMask(), ".");
    filter.SetMask("^a");
    filter.IsRegEx = false;
    EXPECT_EQ(filter.GetMask(), "*.txt");
    EXPECT_EQ(filter.DefaultMask(), "*");
}

TEST(TextFilter, CopiesFilterIndependently)
{
    TTextFilter filter;
    filter.IsRegEx = true;
    filter.Mode = TTextFilter::ModeInclude;
    filter.SetMask("^a");
    EXPECT_TRUE(filter.Match("abc"));
    TTextFilter copy = filter;
    copy.SetMask("^b");
    EXPECT_TRUE(filter.Match("abc"));
    EXPECT_FALSE(copy.Match("abc"));
    EXPECT_TRUE(copy.Match("bcd"));
}

TEST(TextFilter, RunTimeErrorOfTheExpressionReachesTheCaller)
{
    TTextFilter filter;
    filter.IsRegEx = true;
    filter.Mode = TTextFilter::ModeInclude;
    filter.SetStepLimit(100'000);
    filter.SetMask("(a+)+b");
    EXPECT_THROW(filter.Match(std::string(40, 'a')), ERegExpr);
}

TEST(Mask, InvalidMaskNamesMaskAndPosition)
{
    try {
        MatchesMask("x", "ab[c");
        FAIL();
    } catch (const EMaskError& e) {
        EXPECT_STREQ(e.what(), "'ab[c' is an invalid mask at (5)");
    }
}

TEST(Mask, SetsWithRangesAndBrackets)
{
    EXPECT_THROW(MatchesMask("x-", "x[a-c-]"), EMaskError);
    EXPECT_TRUE(MatchesMask("X7", "x[0-9a-c]"));
    EXPECT_FALSE(MatchesMask("b", "[z-a]"));
    EXPECT_TRUE(MatchesMask("Ж.txt", "[а-я].TXT"));
    EXPECT_FALSE(MatchesMask("ab", "a"));
    EXPECT_FALSE(MatchesMask("a", "a?"));
    EXPECT_TRUE(MatchesMask("", "*"));
}

TEST(TextFilter, MessagesAreTranslated)
{
    SetTranslationLanguage("de");
    TTextFilter filter;
    try {
        filter.SetMask("[");
        FAIL();
    } catch (const EFilterError& e) {
        EXPECT_STREQ(e.what(), "Ungültige Maske!");
    }
    SetTranslationLanguage({});
}

} // namespace
