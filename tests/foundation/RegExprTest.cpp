#include "foundation/RegExpr.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int Defaults = TRegExpr::DefaultModifiers;
constexpr int I = TRegExpr::ModifierI;
constexpr int M = TRegExpr::ModifierM;
constexpr int S = TRegExpr::ModifierS;
constexpr int G = TRegExpr::ModifierG;
constexpr int R = TRegExpr::ModifierR;
constexpr int X = TRegExpr::ModifierX;
const char* const NoMatch = nullptr;

// The error that Exec raises; fails the test when there is none.
ERegExpr ExecError(TRegExpr& re, const std::string& input)
{
    try {
        re.Exec(input);
    } catch (const ERegExpr& e) {
        return e;
    }
    ADD_FAILURE() << "no error for " << re.Expression();
    return ERegExpr("", 0, 0);
}

struct TMatchCase
{
    const char* Expression;
    int Modifiers;
    std::string Subject;
    const char* Expected; // text of the whole match, NoMatch when none
};

class RegExprMatch : public testing::TestWithParam<TMatchCase>
{
};

TEST_P(RegExprMatch, FindsTheExpectedText)
{
    const TMatchCase& c = GetParam();
    TRegExpr re;
    re.SetModifiers(c.Modifiers);
    re.SetExpression(c.Expression);
    const bool found = re.Exec(c.Subject);
    if (c.Expected == NoMatch) {
        EXPECT_FALSE(found) << "matched \"" << re.Match(0) << "\"";
    } else {
        ASSERT_TRUE(found);
        EXPECT_EQ(re.Match(0), c.Expected);
    }
}

const TMatchCase QuantifierCases[] = {
    {"a{2,3}", Defaults, "aaaa", "aaa"},
    {"a{2,3}?", Defaults, "aaaa", "aa"},
    {"a{,3}", Defaults, "xa{,3}y", "a{,3}"},
    {"a{2}", Defaults, "a", NoMatch},
    {"a{2,}", Defaults, "caaaaab", "aaaaa"},
    {"x*", Defaults, "", ""},
    {"a*?b", Defaults, "aaab", "aaab"},
    {"(ab)+", Defaults, "xababab", "ababab"},
    {"(ab)+?", Defaults, "xababab", "ab"},
    {"(ab){2}", Defaults, "abxabab", "abab"},
    {"(a|bc){2,3}d", Defaults, "abcbcad", "bcbcad"},
    {"(ab)?c", Defaults, "abc", "abc"},
    {"(ab)??c", Defaults, "abc", "abc"},
    {"a+", Defaults & ~G, "aaa", "a"},
    {"a+?", Defaults & ~G, "aaa", "a"},
    {"(a|ab)(c|bcd)(d*)", Defaults, "abcd", "abcd"},
    {"{", Defaults, "a{b", "{"},
    {"a{1,2}{", Defaults, "aa{", "aa{"},
};
INSTANTIATE_TEST_SUITE_P(Quantifiers, RegExprMatch, testing::ValuesIn(QuantifierCases));

const TMatchCase ModifierCases[] = {
    {"(?i)abc", Defaults, "xABC", "ABC"},
    {"((?i)a)b", Defaults, "Ab", "Ab"},
    {"((?i)a)b", Defaults, "AB", NoMatch},
    {"(?i)a(?-i)b", Defaults, "AB", NoMatch},
    {"abc", Defaults | I, "ABC", "ABC"},
    {"[a-c]+", Defaults | I, "xBCa", "BCa"},
    {"[^a]", Defaults | I, "A", NoMatch},
    {"(a)\\1", Defaults | I, "aA", "aA"},
    {"^b", Defaults, "a\r\nb", NoMatch},
    {"^b", Defaults | M, "a\r\nb", "b"},
    {"a$", Defaults, "a\n", NoMatch},
    {"a$", Defaults | M, "a\r\nb", "a"},
    {"^$", Defaults | M, "\r\n", ""},
    {"a.c", Defaults, "a\nc", "a\nc"},
    {"a.c", Defaults & ~S, "a\nc", NoMatch},
    {"(?-s)a.c", Defaults, "a\rc", NoMatch},
    {"a b # comment\n c", Defaults | X, "abc", "abc"},
    {"(?x) a \\  b", Defaults, "a b", "a b"},
    {"(?x)[ ]", Defaults, "a b", " "},
    {"[а-я]+", Defaults, "ёж", "ж"},
    {"[а-я]+", Defaults | R, "ёж", "ёж"},
    {"[А-Я]+", Defaults | R, "ЁЖ", "ЁЖ"},
    {"[а-Я]+", Defaults | R, "xЁжЖё", "ЁжЖё"},
    {"(?r)[а-я]", Defaults, "ё", "ё"},
};
INSTANTIATE_TEST_SUITE_P(Modifiers, RegExprMatch, testing::ValuesIn(ModifierCases));

const TMatchCase DialectCases[] = {
    {"doc", Defaults, "mydocument.txt", "doc"},
    {"^doc$", Defaults, "doc1", NoMatch},
    {"\\x41\\x{42}", Defaults, "xAB", "AB"},
    {"\\t\\n", Defaults, "a\t\n", "\t\n"},
    {"\\q\\%", Defaults, "q%", "q%"},
    {"\\d+\\D", Defaults, "ab123c", "123c"},
    {"\\w+", Defaults, "  foo_1!", "foo_1"},
    {"\\s\\S", Defaults, "a b", " b"},
    {"\\bfoo\\b", Defaults, "afoo foo", "foo"},
    {"\\Boo", Defaults, "oo foo", "oo"},
    {"\\Aa", Defaults, "ba", NoMatch},
    {"a\\Z", Defaults, "a\n", NoMatch},
    {"[]a]+", Defaults, "x]a]", "]a]"},
    {"[^]a]", Defaults, "]ab", "b"},
    {"[-a]+", Defaults, "x-a", "-a"},
    {"[a-]+", Defaults, "x-a", "-a"},
    {"[\\d-z]+", Defaults, "a1-z", "1-z"},
    {"[\\D]", Defaults, "1D", "D"},
    {"[\\x41-\\x43]+", Defaults, "ABCD", "ABC"},
    {"(a)|b", Defaults, "b", "b"},
    {"(a)\\1", Defaults, "aa", "aa"},
    {"(a)|\\1b", Defaults, "b", NoMatch},
    {"(a*)b\\1", Defaults, "aabaa", "aabaa"},
    {"a(?#note)b", Defaults, "ab", "ab"},
    {"a||b", Defaults, "x", ""},
};
INSTANTIATE_TEST_SUITE_P(Dialect, RegExprMatch, testing::ValuesIn(DialectCases));

const TMatchCase TextCases[] = {
    {".\\.txt", Defaults, "é.txt", "é.txt"},
    {"^.{3}$", Defaults, "äöü", "äöü"},
    {"[äöü]+", Defaults, "xÄöü", "öü"},
    {"[äöü]+", Defaults | I, "xÄöü", "Äöü"},
    {"σ", Defaults | I, "Σς", "Σ"},
    {"straße", Defaults | I, "STRAßE", "STRAßE"},
    {"привет", Defaults | I, "ПРИВЕТ", "ПРИВЕТ"},
    {"\\x{e9}", Defaults, "café", "é"},
    {"a.b", Defaults,
     std::string("a\xff"
                 "b"),
     "a\xff"
     "b"},
};
INSTANTIATE_TEST_SUITE_P(Utf8Text, RegExprMatch, testing::ValuesIn(TextCases));

struct TErrorCase
{
    const char* Expression;
    int Code;
    int Position;
};

class RegExprCompileError : public testing::TestWithParam<TErrorCase>
{
};

TEST_P(RegExprCompileError, RaisesCodeAndPosition)
{
    const TErrorCase& c = GetParam();
    TRegExpr re;
    re.SetExpression(c.Expression);
    const ERegExpr e = ExecError(re, "x");
    EXPECT_EQ(e.ErrorCode, c.Code);
    EXPECT_EQ(e.CompilerErrorPos, c.Position);
    EXPECT_EQ(std::string(e.what()), re.ErrorMsg(c.Code) + " (pos " + std::to_string(c.Position) + ")");
}

const TErrorCase ErrorCases[] = {
    {"(a*)*", 106, 5},
    {"^*", 106, 2},
    {"(a|)+", 106, 5},
    {"a**", 107, 3},
    {"a*??", 107, 4},
    {"a{2}{3}", 107, 5},
    {"\\xg1", 108, 3},
    {"\\x{zz}", 108, 4},
    {"[z-a]", 109, 5},
    {"ab\\", 110, 3},
    {"\\x", 111, 3},
    {"\\x{41", 111, 6},
    {"\\x{100}", 112, 6},
    {"[abc", 113, 5},
    {"[]", 113, 3},
    {"*a", 115, 1},
    {"a|+", 115, 3},
    {"[a\\", 116, 4},
    {"a{123456789}", 122, 3},
    {"a{3,2}", 124, 5},
    {"a(?#note", 125, 9},
    {"(?q)", 127, 3},
    {"(a", 103, 3},
    {"a)", 104, 2},
    {"((((((((((((((()))))))))))))))", 102, 15},
};
INSTANTIATE_TEST_SUITE_P(Codes, RegExprCompileError, testing::ValuesIn(ErrorCases));

TEST(RegExpr, FourteenGroupsCompileAndCapture)
{
    TRegExpr re;
    re.SetExpression("(((((((((((((())))))))))))))");
    EXPECT_TRUE(re.Exec(""));
    re.SetExpression("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)");
    ASSERT_TRUE(re.Exec("xabcdefghijklmn"));
    EXPECT_EQ(re.Match(14), "n");
    EXPECT_EQ(re.MatchPos(1), 2);
}

TEST(RegExpr, GroupPositionsAreBytesOfTheInput)
{
    TRegExpr re;
    re.SetExpression("(ö+)(x)?");
    ASSERT_TRUE(re.Exec("aöö"));
    EXPECT_EQ(re.MatchPos(1), 2);
    EXPECT_EQ(re.MatchLen(1), 4);
    EXPECT_EQ(re.MatchPos(2), -1);
    EXPECT_EQ(re.Match(2), "");
}

TEST(RegExpr, BackReferenceInsideItsGroupSeesThePreviousMatch)
{
    TRegExpr re;
    re.SetExpression("(a|b\\1)+");
    ASSERT_TRUE(re.Exec("aba"));
    EXPECT_EQ(re.Match(0), "aba");
    EXPECT_EQ(re.Match(1), "ba");
}

TEST(RegExpr, CompileErrorRepeatsOnEveryExec)
{
    TRegExpr re;
    re.SetExpression("(");
    EXPECT_THROW(re.Exec("a"), ERegExpr);
    EXPECT_THROW(re.Exec("a"), ERegExpr);
    EXPECT_EQ(re.LastError(), 103);
}

TEST(RegExpr, ExecWithoutExpressionIsARunTimeError)
{
    TRegExpr re;
    const ERegExpr e = ExecError(re, "a");
    EXPECT_EQ(e.ErrorCode, 1003);
    EXPECT_STREQ(e.what(), "TRegExpr(exec): Not Assigned Expression Property");
}

TEST(RegExpr, ChangedModifiersForceARecompile)
{
    TRegExpr re;
    re.SetExpression("abc");
    EXPECT_FALSE(re.Exec("ABC"));
    re.SetModifier(TRegExpr::ModifierI, true);
    EXPECT_TRUE(re.Exec("ABC"));
}

TEST(RegExpr, LinePairedSeparatorNeedsTwoDifferentCharacters)
{
    TRegExpr re;
    for (const char* bad : {"\r", "\n\n", "abc"}) {
        try {
            re.SetLinePairedSeparator(bad);
            FAIL() << bad;
        } catch (const ERegExpr& e) {
            EXPECT_EQ(e.ErrorCode, 128);
        }
    }
    EXPECT_NO_THROW(re.SetLinePairedSeparator(""));
    re.SetModifier(TRegExpr::ModifierM, true);
    re.SetExpression("^b");
    EXPECT_TRUE(re.Exec("a\r\nb"));
}

TEST(RegExpr, CatastrophicBacktrackingStopsWithAClearError)
{
    TRegExpr re;
    re.SetStepLimit(100'000);
    re.SetExpression("(a+)+b");
    const ERegExpr e = ExecError(re, std::string(40, 'a'));
    EXPECT_EQ(e.ErrorCode, TRegExpr::ErrorStepLimit);
    EXPECT_NE(std::string(e.what()).find("too much backtracking"), std::string::npos) << e.what();
    EXPECT_TRUE(re.Exec("aaab"));
}

TEST(RegExpr, DefaultStepLimitLeavesRoomForLongNames)
{
    TRegExpr re;
    re.SetExpression("(?-s)a.*b.*c.*d");
    EXPECT_FALSE(re.Exec(std::string(260, 'a') + "bc"));
    re.SetExpression(".*x.*y.*z");
    EXPECT_FALSE(re.Exec(std::string(260, 'x') + "y"));
}

TEST(RegExpr, LongTextsNeedNoDeepRecursion)
{
    TRegExpr re;
    re.SetExpression("(ab)*c");
    std::string text;
    for (int i = 0; i < 200000; ++i) {
        text += "ab";
    }
    EXPECT_TRUE(re.Exec(text + "c"));
    EXPECT_EQ(re.MatchLen(0), static_cast<int>(text.size()) + 1);
}

TEST(RegExpr, MoreThanTenNestedLoopsAtRunTimeRaise1014)
{
    std::string ten = "a";
    for (int i = 0; i < 10; ++i) {
        ten = "(" + ten + ")+";
    }
    TRegExpr re;
    re.SetExpression(ten);
    EXPECT_TRUE(re.Exec("a"));
    re.SetExpression("(" + ten + "b)+");
    const ERegExpr e = ExecError(re, "ab");
    EXPECT_EQ(e.ErrorCode, 1014);
    EXPECT_STREQ(e.what(), "TRegExpr(exec): Loop Stack Exceeded");
}

TEST(RegExpr, ErrorMsgCoversUnknownCodes)
{
    TRegExpr re;
    EXPECT_EQ(re.ErrorMsg(0), "No errors");
    EXPECT_EQ(re.ErrorMsg(1013), "Unknown error");
    EXPECT_EQ(re.ErrorMsg(104), "TRegExpr(comp): ParseReg Unmatched ()");
}

} // namespace
