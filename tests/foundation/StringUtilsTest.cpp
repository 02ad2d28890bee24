#include "foundation/StringUtils.h"
#include "foundation/CommaText.h"

#include <gtest/gtest.h>

TEST(StringUtils, CaseWorksPerCodePoint)
{
    EXPECT_EQ(AnsiLowerCase("ÉCOLE Über"), "école über");
    EXPECT_EQ(AnsiUpperCase("straße ä"), "STRAßE Ä");
    EXPECT_EQ(ConvertCase("AbC", 1), "abc");
    EXPECT_EQ(ConvertCase("AbC", 2), "ABC");
    EXPECT_EQ(ConvertCase("AbC", 3), "AbC");
    EXPECT_EQ(TextPos("ÜB", "xxüber"), 3u);
    EXPECT_EQ(TextPos("zz", "xxüber"), 0u);
    EXPECT_EQ(TextPos("", "abc"), 0u);
}

TEST(StringUtils, CountSubStrSkipsTheFirstCharacterAndCountsOverlaps)
{
    EXPECT_EQ(CountSubStr("/", "/a/b"), 1);
    EXPECT_EQ(CountSubStr("/", "a/b"), 1);
    EXPECT_EQ(CountSubStr("/", "a"), 0);
    EXPECT_EQ(CountSubStr("aa", "xaaa"), 2);
}

TEST(StringUtils, PaddingTrimmingAndGrouping)
{
    EXPECT_EQ(PadLeft("42", 8), "      42");
    EXPECT_EQ(PadLeft("toolong", 3), "toolong");
    EXPECT_EQ(PadLeftChar("é", '0', 3), "00é");
    EXPECT_EQ(TrimLeadingBlanks(" \t x \n"), "x \n");
    EXPECT_EQ(RemoveBlanks(" a b\tc "), "ab\tc");
    EXPECT_EQ(RepeatChar('x', 3), "xxx");
    EXPECT_EQ(RepeatChar('x', 1000).size(), 255u);
    EXPECT_EQ(RepeatChar('x', -1), "");
    EXPECT_EQ(GroupText("1234567", 3), "1 234 567");
    EXPECT_EQ(GroupText("123456", 3), "123 456");
    EXPECT_EQ(GroupText("-123456", 3), "-123 456");
    EXPECT_EQ(GroupText("abc", 0), "abc");
}

TEST(StringUtils, ReadNextItemAndQuotedItem)
{
    std::string list = "a;b;;c";
    EXPECT_EQ(ReadNextItem(list, ';'), "a");
    EXPECT_EQ(ReadNextItem(list, ';'), "b");
    EXPECT_EQ(ReadNextItem(list, ';'), "");
    EXPECT_EQ(ReadNextItem(list, ';'), "c");
    EXPECT_EQ(list, "");

    list = R"(  "a,b",c)";
    EXPECT_EQ(ReadNextQuotedItem(list, ',', '"'), "a,b");
    EXPECT_EQ(list, "c");
    list = R"("say ""hi""" ,"",x)";
    EXPECT_EQ(ReadNextQuotedItem(list, ',', '"'), R"(say "hi")");
    EXPECT_EQ(ReadNextQuotedItem(list, ',', '"'), "");
    EXPECT_EQ(ReadNextQuotedItem(list, ',', '"'), "x");
    EXPECT_EQ(CommaTextToLines(R"(one,"two, three",four)"), "one\r\ntwo, three\r\nfour");
}

TEST(StringUtils, ReadNextInt64KeepsTheErrorFlag)
{
    std::string list = " 12;x;7";
    bool error = false;
    EXPECT_EQ(ReadNextInt64(list, ';', error, -1), 12);
    EXPECT_FALSE(error);
    EXPECT_EQ(ReadNextInt64(list, ';', error, -1), -1);
    EXPECT_TRUE(error);
    EXPECT_EQ(ReadNextInt64(list, ';', error, -1), 7);
    EXPECT_TRUE(error);
    list = "-9223372036854775808,99999999999999999999";
    EXPECT_EQ(ReadNextInt64Def(list, ',', 0), INT64_MIN);
    EXPECT_EQ(ReadNextInt64Def(list, ',', 5), 5);
}

TEST(StringUtils, KeywordsAndOptionValues)
{
    EXPECT_TRUE(MatchesKeyword("AU", "auto"));
    EXPECT_TRUE(MatchesKeyword("", "auto"));
    EXPECT_FALSE(MatchesKeyword("autox", "auto"));
    EXPECT_FALSE(MatchesKeyword("x", "auto"));
    std::string param = "lang:de";
    EXPECT_TRUE(ReadOptionValue(param, "lang"));
    EXPECT_EQ(param, "de");
    param = "L:de:x";
    EXPECT_TRUE(ReadOptionValue(param, "lang"));
    EXPECT_EQ(param, "de:x");
    param = "log:3";
    EXPECT_FALSE(ReadOptionValue(param, "lang"));
    EXPECT_EQ(param, "log:3");
}

// Lines of a type list editor: several types on one line, dots and blanks dropped.
TEST(CommaText, FileTypesOfEditedLines)
{
    EXPECT_EQ(FileTypesOfLines({"iso, .zip", "", " .tmp", "."}), (std::vector<std::string>{"iso", "zip", "tmp"}));
    EXPECT_TRUE(FileTypesOfLines({}).empty());
}
