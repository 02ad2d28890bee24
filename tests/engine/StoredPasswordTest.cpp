#include "engine/StoredPassword.h"

#include <gtest/gtest.h>

namespace {

const std::string Key = DecodeHexKey(TaskFileKeyHex);

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

TEST(Ascii85, CodesGroupsAsPublished)
{
    const struct
    {
        std::string plain;
        std::string coded;
    } cases[] = {
        {"", ""},
        {std::string(4, '\0'), "z"},
        {"Man ", "9jqo^"},
        {"easure.", "ARTY&Eb-j"},
        {std::string("\0\0\0", 3), "!!!!"},
        {"\xFF\xFF\xFF\xFF", "s8W-!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeAscii85(Bytes(c.plain)), c.coded) << c.coded;
        const auto back = DecodeAscii85(c.coded);
        ASSERT_TRUE(back) << c.coded;
        EXPECT_EQ(*back, Bytes(c.plain)) << c.coded;
    }
}

TEST(Ascii85, RejectsInvalidGroups)
{
    for (const char* text : {"9jqo^F", "9jq o^", "9jqo\x7f", "s8W-\"", "ab~de", "zzv"}) {
        EXPECT_FALSE(DecodeAscii85(text)) << text;
    }
}

TEST(StoredPassword, RoundTripsAndCutsAtSixtyFourCharacters)
{
    const std::string cases[] = {"a", "Geheim 123", std::string(63, 'x'), std::string(64, 'y'), "!\"#$%&'()*+,uvz{|}~"};
    for (const auto& password : cases) {
        const std::string text = EncryptPassword(Key, password);
        EXPECT_EQ(DecryptPassword(Key, text), password) << password;
        EXPECT_EQ(text.find_first_of(" \t\r\n"), std::string::npos);
    }
    for (const std::string& password : {std::string("Grüße €"), std::string("łódź")}) {
        EXPECT_EQ(DecryptPassword(Key, EncryptPassword(Key, password)), password) << password;
    }
    // At most 64 bytes, cut between characters, never inside one.
    const std::string polish = std::string(63, 'x') + "łó";
    EXPECT_EQ(DecryptPassword(Key, EncryptPassword(Key, polish)), std::string(63, 'x'));
    const std::string seventy(70, 'q');
    EXPECT_EQ(DecryptPassword(Key, EncryptPassword(Key, seventy)), seventy.substr(0, 64));
    EXPECT_EQ(EncryptPassword(Key, ""), "");
    EXPECT_EQ(DecryptPassword(Key, ""), "");
    EXPECT_NE(EncryptPassword(Key, "same"), EncryptPassword(Key, "same"));
}

TEST(StoredPassword, StoredLengthFollowsTheKeyStrength)
{
    EXPECT_EQ(Key.size(), 48u);
    EXPECT_EQ(DecodeHexKey("zz"), "");
    // 48-character key: AES-256, 16 + 2 + 64 + 10 = 92 bytes, 115 characters.
    EXPECT_EQ(DecodeAscii85(EncryptPassword(Key, "pw"))->size(), 92u);
    EXPECT_EQ(DecodeAscii85(EncryptPassword("short key", "pw"))->size(), 84u);
}

TEST(StoredPassword, WrongKeyOrDamageReadsAsEmpty)
{
    const std::string text = EncryptPassword(Key, "secret");
    EXPECT_EQ(DecryptPassword("another key", text), "");
    std::string damaged = text;
    damaged[40] = damaged[40] == '!' ? '"' : '!';
    EXPECT_EQ(DecryptPassword(Key, damaged), "");
    EXPECT_EQ(DecryptPassword(Key, text.substr(0, text.size() - 3)), "");
    EXPECT_EQ(DecryptPassword(Key, "not ascii85 at all ~~~"), "");
}

TEST(StoredPassword, BadLengthCharacterReadsAsEmpty)
{
    // Without a key the block is only Ascii85, so any length byte can be forged.
    EXPECT_EQ(DecryptPassword("", EncryptString("", "\x7Fshort")), "");
    EXPECT_EQ(DecryptPassword("", EncryptString("", " abc")), "");
    EXPECT_EQ(DecryptPassword("", EncryptString("", "$abc")), "abc");
    EXPECT_EQ(DecryptPassword("", EncryptString("", "%abc")), "");
}

} // namespace
