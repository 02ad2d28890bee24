#include "foundation/NumberText.h"

#include <gtest/gtest.h>

namespace {

class SeparatorGuard
{
public:
    explicit SeparatorGuard(char sep) : saved(DecimalSeparator()) { SetDecimalSeparator(sep); }
    ~SeparatorGuard() { SetDecimalSeparator(saved); }

private:
    char saved;
};

} // namespace

TEST(NumberText, IntegerTexts)
{
    EXPECT_EQ(Int64ToText(-1, 1234567), "1 234 567");
    EXPECT_EQ(Int64ToText(-1, -123456), "-123 456");
    EXPECT_EQ(Int64ToText(8, 42), "      42");
    EXPECT_EQ(Int64ToText(0, -42), "-42");
    EXPECT_EQ(ZeroPaddedInt(5, -42), "-0042");
    EXPECT_EQ(ZeroPaddedInt(5, 42), "00042");
    EXPECT_EQ(ByteToHex(0xA5), "A5");
    EXPECT_EQ(HexText(0xBEEF, 8, 4), "0000 BEEF");
    EXPECT_EQ(HexText(-1, 1, 0), "FFFFFFFF");
    EXPECT_EQ(OctalText(8, 4, 0), "0010");
    EXPECT_EQ(BinaryText(5, 8, 4), "0000 0101");
    EXPECT_EQ(DecimalTextGrouped(1234, 6, 3), "001 234");
}

TEST(NumberText, FloatUsesTheModuleSeparator)
{
    SeparatorGuard comma(',');
    EXPECT_EQ(FloatToText(3.14159, 0, 2), "3,14");
    EXPECT_EQ(FloatToText(2.5, 6, 1), "   2,5");
}

TEST(NumberText, TextToNumberConversions)
{
    EXPECT_EQ(HexToInt("FF"), 255);
    EXPECT_EQ(HexToInt("$ff"), 255);
    EXPECT_EQ(HexToInt("-1 0"), -16);
    EXPECT_EQ(HexToInt(""), 0);
    EXPECT_EQ(HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(OctToInt("%17"), 15);
    EXPECT_EQ(OctToInt("-7 7"), -63);
    EXPECT_EQ(BinToInt("!1010"), 10);
    EXPECT_EQ(BinToInt(""), 0);
}

TEST(NumberText, BadDigitsAndOverflowRaise)
{
    struct Case
    {
        std::int32_t (*convert)(std::string_view);
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {HexToInt, "G1", "$G1 is no valid hex value"},
        {HexToInt, "-", " is no valid hex value"},
        {HexToInt, "1FFFFFFFF", "$1FFFFFFFF is no valid hex value"},
        {OctToInt, "-%19", "19 is no valid octal value"},
        {OctToInt, "77777777777", "77777777777 is no valid octal value"},
        {BinToInt, "102", "102 is no valid binary value"},
        {BinToInt, "111111111111111111111111111111111", "111111111111111111111111111111111 is no valid binary value"},
    };
    for (const Case& c : cases) {
        try {
            c.convert(c.text);
            ADD_FAILURE() << c.text << " converted";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(NumberText, SizeTexts)
{
    SeparatorGuard dot('.');
    EXPECT_EQ(SizeToText(1023), "1023 B");
    EXPECT_EQ(SizeToText(-5000), "-5000 B");
    EXPECT_EQ(SizeToText(1024), "1.00 kB");
    EXPECT_EQ(SizeToText(150 * 1024), "150.0 kB");
    EXPECT_EQ(SizeToText(12 * 1024 * 1024 + 512 * 1024), "12.50 MB");
    EXPECT_EQ(SizeToText(3LL * 1024 * 1024 * 1024), "3.00 GB");
    EXPECT_EQ(SizeToText(5000LL * 1024 * 1024 * 1024), "5000.00 GB");
}

TEST(NumberText, TextToSizeAcceptsOnlyTheDocumentedForms)
{
    SeparatorGuard dot('.');
    struct Case
    {
        const char* text;
        bool ok;
        std::int64_t bytes;
    };
    const Case cases[] = {
        {"12.5 MB", true, 13107200},
        {"12.5MB", false, 0},
        {"1 KB", false, 0},
        {"2048", true, 2048},
        {"2048 b", true, 2048},
        {" 1 k ", true, 1024},
        {"", false, 0},
        {"B", false, 0},
        {"1 X", false, 0},
        {"x k", false, 0},
        {"1.5 T", true, 1649267441664},
        {"8 T", true, 8796093022208},
        {"9000000 T", false, 0},
        {"1,5 k", false, 0},
    };
    for (const Case& c : cases) {
        std::int64_t bytes = -1;
        EXPECT_EQ(TextToSize(c.text, bytes), c.ok) << c.text;
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
}

TEST(NumberText, SizeRoundTripWithCommaSeparator)
{
    SeparatorGuard comma(',');
    const std::string text = SizeToText(13107200);
    EXPECT_EQ(text, "12,50 MB");
    std::int64_t bytes = 0;
    ASSERT_TRUE(TextToSize(text, bytes));
    EXPECT_EQ(bytes, 13107200);
    EXPECT_FALSE(TextToSize("12.5 MB", bytes));
}
