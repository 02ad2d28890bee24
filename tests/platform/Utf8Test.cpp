#include "platform/Utf8.h"

#include <gtest/gtest.h>

using namespace Platform;

TEST(Utf8, DecodesValidAndRejectsBrokenSequences)
{
    EXPECT_TRUE(IsValidUtf8("plain ü € 𝄞"));
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD")); // a real U+FFFD
    const char* broken[] = {"\xC3", "\xC3(", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"};
    for (const char* text : broken) {
        EXPECT_FALSE(IsValidUtf8(text)) << text;
    }
    std::size_t pos = 0;
    const std::string text = "a\xFF\xC3\xA4";
    EXPECT_EQ(NextCodePoint(text, pos), U'a');
    EXPECT_EQ(NextCodePoint(text, pos), ReplacementChar);
    EXPECT_EQ(NextCodePoint(text, pos), U'ä');
    EXPECT_EQ(pos, text.size());
    std::string out;
    for (char32_t cp : {U'a', U'ß', U'€', U'𝄞'}) {
        AppendUtf8(out, cp);
    }
    EXPECT_EQ(out, "aß€𝄞");
    EXPECT_EQ(Utf16Length("aß€𝄞"), 5u);
}

TEST(Utf8, CaseIsMappedPerCodePoint)
{
    EXPECT_EQ(LowerUtf8("ÄÖÜ ΣΑΣ Ж ABC"), "äöü σασ ж abc");
    EXPECT_EQ(UpperUtf8("straße ä"), "STRAßE Ä");
    EXPECT_TRUE(SameTextUtf8("Grüße.TXT", "GRÜSSE.txt") == false);
    EXPECT_TRUE(SameTextUtf8("Ärger.TXT", "äRGER.txt"));
    EXPECT_LT(CompareTextUtf8("apple", "Banana"), 0);
    EXPECT_GT(CompareTextUtf8("b", "A"), 0);
    EXPECT_EQ(CompareTextUtf8("Ab", "aB"), 0);
    EXPECT_LT(CompareTextUtf8("ab", "abc"), 0);
    // Letters compare as capitals, also where plain and wider characters meet.
    EXPECT_LT(CompareTextUtf8("a", "["), 0);
    EXPECT_GT(CompareTextUtf8("_", "a"), 0);
    EXPECT_EQ(CompareTextUtf8("xé1", "XÉ1"), 0);
    EXPECT_LT(CompareTextUtf8("xz", "xé"), 0);
    EXPECT_GT(CompareTextUtf8("xé", "xZZ"), 0);
    EXPECT_LT(CompareTextUtf8("é", "éa"), 0);
}
