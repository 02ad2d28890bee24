#include "engine/Encryption.h"

#include "EngineTestUtil.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

std::vector<uint8_t> EncryptBytes(const std::string& password, int mode, const std::vector<uint8_t>& plain,
                                  int32_t bufferSize = 4096)
{
    TEncryption encryption(password, bufferSize, mode);
    TMemoryStream source(plain);
    TMemoryStream target;
    EXPECT_TRUE(encryption.Encrypt(source, target));
    return target.Data;
}

bool DecryptBytes(const std::string& password, int mode, const std::vector<uint8_t>& stream,
                  std::vector<uint8_t>* plain, int64_t total = -1, int32_t bufferSize = 4096)
{
    TEncryption encryption(password, bufferSize, mode);
    TMemoryStream source(stream);
    TMemoryStream target;
    const bool ok =
        encryption.Decrypt(source, plain ? &target : nullptr, total < 0 ? static_cast<int64_t>(stream.size()) : total);
    if (plain) {
        *plain = target.Data;
    }
    return ok;
}

// Runs the independent implementation; true when it exits 0.
bool RunPeer(const std::string& action, int mode, const std::string& password, const std::string& in,
             const std::string& out)
{
    const std::string command = "/usr/bin/python3 '" + SourceDir() + "/tests/engine/encstream.py' " + action + " " +
                                std::to_string(mode) + " '" + password + "' '" + in + "' '" + out + "'";
    return std::system(command.c_str()) == 0;
}

TEST(Encryption, ModeFollowsPasswordLengthWhenNotGiven)
{
    const struct
    {
        size_t length;
        int mode;
    } cases[] = {{0, 1}, {31, 1}, {32, 2}, {47, 2}, {48, 3}, {128, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(TEncryption(std::string(c.length, 'p'), 512, 0).Mode(), c.mode) << c.length;
    }
    EXPECT_EQ(TEncryption("short", 512, 3).Mode(), 3);
    EXPECT_EQ(TEncryption(std::string(40, 'p'), 512, 7).Mode(), 2);
}

TEST(Encryption, EmptyPlaintextHoldsSaltVerifierAndCode)
{
    for (int mode = 1; mode <= 3; ++mode) {
        const auto stream = EncryptBytes("pw", mode, {});
        EXPECT_EQ(stream.size(), static_cast<size_t>(4 * mode + 16)) << mode;
        std::vector<uint8_t> plain{1};
        EXPECT_TRUE(DecryptBytes("pw", mode, stream, &plain));
        EXPECT_TRUE(plain.empty());
    }
}

TEST(Encryption, FreshSaltEachTimeAndWrongPasswordFailsBeforeAnyOutput)
{
    EXPECT_NE(EncryptBytes("pw", 1, PatternBytes(100)), EncryptBytes("pw", 1, PatternBytes(100)));
    const auto stream = EncryptBytes("right", 1, PatternBytes(5000));
    std::vector<uint8_t> plain;
    EXPECT_FALSE(DecryptBytes("wrong", 1, stream, &plain));
    EXPECT_TRUE(plain.empty());
}

TEST(Encryption, StreamAfterStreamTakesKeysDerivedAheadThatAReaderDerivesAgain)
{
    // From the second stream on the keys come from the pool; the reader derives
    // them from the stored salt on its own.
    TEncryption encryption("pw", 4096, 2);
    std::vector<std::vector<uint8_t>> salts;
    for (uint32_t i = 0; i < 12; ++i) {
        const auto plain = PatternBytes(100 + i, i);
        TMemoryStream source(plain);
        TMemoryStream target;
        ASSERT_TRUE(encryption.Encrypt(source, target)) << i;
        std::vector<uint8_t> back;
        EXPECT_TRUE(DecryptBytes("pw", 2, target.Data, &back)) << i;
        EXPECT_EQ(back, plain) << i;
        salts.emplace_back(target.Data.begin(), target.Data.begin() + 12);
    }
    std::sort(salts.begin(), salts.end());
    EXPECT_EQ(std::unique(salts.begin(), salts.end()), salts.end());
}

// Runs data through crypt in pieces of the given sizes (the last one repeated), each
// marked last as asked; returns the code.
std::array<uint8_t, CodeLength> InPieces(TCrypt& crypt, std::vector<uint8_t>& data, const std::vector<size_t>& sizes,
                                         bool encrypt, size_t lastFrom = SIZE_MAX)
{
    for (size_t at = 0, piece = 0; at < data.size(); ++piece) {
        const size_t count = std::min(sizes[std::min(piece, sizes.size() - 1)], data.size() - at);
        if (encrypt) {
            crypt.EncryptData(data.data() + at, count, at >= lastFrom);
        } else {
            crypt.DecryptData(data.data() + at, count);
        }
        at += count;
    }
    return crypt.FinishCode();
}

TEST(Encryption, PiecesOfAnySizeMakeOneStream)
{
    // Pieces that end inside a counter block or straddle a keystream refill, hashed on
    // the MAC thread or in place (a piece marked last that more data follows, as when
    // a file grows while it is read): the same ciphertext and code as one piece, and
    // another split reads it back.
    const auto plain = PatternBytes(100000);
    const std::vector<uint8_t> salt = PatternBytes(16, 7);
    TCrypt whole("pw", 4096, 3);
    ASSERT_EQ(whole.KeySetup(salt.data()), ksOk);
    auto expected = plain;
    const auto code = InPieces(whole, expected, {expected.size()}, true);
    const std::vector<std::vector<size_t>> splits = {{1, 15, 17, 16383, 2}, {40000}, {16384, 16385, 33}, {7}};
    for (size_t split = 0; split < splits.size(); ++split) {
        TCrypt pieces("pw", 4096, 3);
        ASSERT_EQ(pieces.KeySetup(salt.data()), ksOk);
        auto data = plain;
        EXPECT_EQ(InPieces(pieces, data, splits[split], true, 50000), code) << split;
        EXPECT_EQ(data, expected) << split;
        ASSERT_EQ(pieces.KeySetup(salt.data()), ksOk); // the same object keyed again
        EXPECT_EQ(InPieces(pieces, data, splits[(split + 1) % splits.size()], false), code) << split;
        EXPECT_EQ(data, plain) << split;
    }
}

TEST(Encryption, DamageIsFoundAfterTheWholePlaintext)
{
    const auto original = PatternBytes(3000);
    auto stream = EncryptBytes("pw", 3, original);
    stream[16 + 2 + 1500] ^= 0x01;
    std::vector<uint8_t> plain;
    EXPECT_FALSE(DecryptBytes("pw", 3, stream, &plain));
    ASSERT_EQ(plain.size(), original.size());
    EXPECT_EQ(plain[1500], original[1500] ^ 0x01);
    EXPECT_FALSE(DecryptBytes("pw", 3, stream, nullptr));
}

TEST(Encryption, ShortOrTruncatedStreamsFailPromptly)
{
    const auto stream = EncryptBytes("pw", 1, PatternBytes(1000));
    EXPECT_FALSE(DecryptBytes("pw", 1, stream, nullptr, 19));
    EXPECT_FALSE(DecryptBytes("pw", 1, stream, nullptr, 0));
    const std::vector<uint8_t> cut(stream.begin(), stream.begin() + 500);
    EXPECT_FALSE(DecryptBytes("pw", 1, cut, nullptr, static_cast<int64_t>(stream.size())));
    const std::vector<uint8_t> headerOnly(stream.begin(), stream.begin() + 6);
    EXPECT_FALSE(DecryptBytes("pw", 1, headerOnly, nullptr, static_cast<int64_t>(stream.size())));
    EXPECT_TRUE(DecryptBytes("pw", 1, stream, nullptr));
}

TEST(Encryption, RefusesPasswordsOverOneHundredTwentyEightBytes)
{
    TEncryption encryption(std::string(129, 'x'), 512, 0);
    TMemoryStream source(PatternBytes(10));
    TMemoryStream target;
    EXPECT_FALSE(encryption.Encrypt(source, target));
    EXPECT_TRUE(target.Data.empty());
    EXPECT_EQ(encryption.KeySetup(PatternBytes(16).data()), ksPasswordTooLong);
    EXPECT_TRUE(EncryptBytes(std::string(128, 'x'), 0, PatternBytes(10)).size() == 10 + 28);
}

std::vector<uint8_t> Derive(const std::string& password, const std::string& salt, int iterations, size_t length,
                            bool useShaInstructions = true)
{
    std::vector<uint8_t> out(length);
    TPbkdf2Sha1(password, useShaInstructions)
        .Derive(reinterpret_cast<const uint8_t*>(salt.data()), salt.size(), iterations, out.data(), length);
    return out;
}

std::vector<uint8_t> Hex(const std::string& hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

TEST(Pbkdf2Sha1, PublishedVectors)
{
    EXPECT_EQ(Derive("password", "salt", 1, 20), Hex("0c60c80f961f0e71f3a9b524af6012062fe037a6"));
    EXPECT_EQ(Derive("password", "salt", 2, 20), Hex("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"));
    EXPECT_EQ(Derive("password", "salt", 4096, 20), Hex("4b007901b765489abead49d926f721d065a429c1"));
    EXPECT_EQ(Derive("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25),
              Hex("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"));
    EXPECT_EQ(Derive(std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, 16),
              Hex("56fa6aa75548099dcc37d7f03425e0c3"));
}

TEST(Pbkdf2Sha1, MatchesTheGenericDerivation)
{
    // Passwords around the hash's block size (longer ones are hashed first), every
    // salt length of the three strengths, outputs that end inside a digest or take an
    // odd number of digests (blocks are derived in pairs), one and two iterations; on
    // the SHA instructions (where the processor has them) and without.
    for (const size_t passwordLength : {0, 1, 63, 64, 65, 128}) {
        const std::string password(passwordLength, static_cast<char>('a' + passwordLength % 26));
        for (const size_t saltLength : {8, 12, 16}) {
            const auto salt = PatternBytes(saltLength, static_cast<uint32_t>(passwordLength));
            const std::string saltText(salt.begin(), salt.end());
            for (const size_t length : {18, 34, 50, 66, 101}) {
                for (const int iterations : {1, 2, 1000}) {
                    std::vector<uint8_t> expected(length);
                    ASSERT_EQ(PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                                                static_cast<int>(salt.size()), iterations, EVP_sha1(),
                                                static_cast<int>(length), expected.data()),
                              1);
                    for (const bool sha : {true, false}) {
                        EXPECT_EQ(Derive(password, saltText, iterations, length, sha), expected)
                            << passwordLength << " " << saltLength << " " << length << " " << iterations << " " << sha;
                    }
                }
            }
        }
    }
}

class EncryptionPeer : public ::testing::TestWithParam<int>
{
};

TEST_P(EncryptionPeer, IndependentImplementationReadsOursAndWeReadIts)
{
    const int mode = GetParam();
    TTempFolder dir;
    // Odd buffer sizes carry partial keystream blocks from call to call; the large
    // buffer hands pieces to the HMAC thread and ends on one hashed inline.
    const std::pair<size_t, int32_t> cases[] = {{0, 1}, {17, 18}, {70000, 369}, {250000, 40000}};
    for (const auto& [size, buffer] : cases) {
        const auto plain = PatternBytes(size, static_cast<uint32_t>(mode));
        WriteBytes(dir.Host("ours.enc"), EncryptBytes("Pass wort", mode, plain, buffer));
        ASSERT_TRUE(RunPeer("decrypt", mode, "Pass wort", dir.Host("ours.enc"), dir.Host("ours.out"))) << size;
        EXPECT_EQ(ReadBytes(dir.Host("ours.out")), plain) << size;

        WriteBytes(dir.Host("plain"), plain);
        ASSERT_TRUE(RunPeer("encrypt", mode, "Pass wort", dir.Host("plain"), dir.Host("theirs.enc"))) << size;
        std::vector<uint8_t> back;
        EXPECT_TRUE(DecryptBytes("Pass wort", mode, ReadBytes(dir.Host("theirs.enc")), &back, -1, buffer)) << size;
        EXPECT_EQ(back, plain) << size;
    }
    // And the peer refuses a stream under the wrong password.
    EXPECT_FALSE(RunPeer("decrypt", mode, "other", dir.Host("ours.enc"), dir.Host("x.out")));
    // Passwords are keyed with their Windows-1252 bytes.
    const auto plain = PatternBytes(33);
    WriteBytes(dir.Host("umlaut.enc"), EncryptBytes("Grüße €", mode, plain));
    ASSERT_TRUE(RunPeer("decrypt", mode, "Grüße €", dir.Host("umlaut.enc"), dir.Host("umlaut.out")));
    EXPECT_EQ(ReadBytes(dir.Host("umlaut.out")), plain);
}

INSTANTIATE_TEST_SUITE_P(AllStrengths, EncryptionPeer, ::testing::Values(1, 2, 3));

} // namespace
