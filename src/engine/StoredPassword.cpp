#include "engine/StoredPassword.h"

#include "engine/Encryption.h"

#include <openssl/rand.h>

#include <algorithm>

const char* const TaskFileKeyHex =
    "B457C2538036F4A06594E11AE24DB49525462051A31C447EF067D35B2473109F5260C48F93E71199C2C5F474000462CE648115F1D1"
    "85333F542621B483AD543221D333B1D417214053B274451136F2D29430119E83C8640E81B282534493908EF256";

namespace {

constexpr int BlockLength = 64;
constexpr int CoderBufferSize = 4096;
constexpr uint8_t KeyScramble = 0xA7;
constexpr char FirstDigit = '!';
constexpr char LastDigit = 'u';

// At most 64 characters of the password's bytes; UTF-8 bytes are cut between characters.
std::string CutPasswordBytes(const std::string& password)
{
    std::string bytes = PasswordBytes(password);
    if (bytes.size() <= BlockLength) {
        return bytes;
    }
    size_t cut = BlockLength;
    if (!IsCp1252Text(password)) {
        while (cut > 0 && (static_cast<uint8_t>(bytes[cut]) & 0xC0) == 0x80) {
            --cut;
        }
    }
    return bytes.substr(0, cut);
}

std::string RandomFiller(int count)
{
    std::string filler(static_cast<size_t>(count), '\0');
    std::vector<uint8_t> random(static_cast<size_t>(count));
    if (count > 0 && RAND_bytes(random.data(), count) != 1) {
        return {};
    }
    for (int i = 0; i < count; ++i) {
        filler[static_cast<size_t>(i)] = static_cast<char>(33 + (random[static_cast<size_t>(i)] & 63));
    }
    return filler;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string EncodeAscii85Group(const uint8_t* bytes, int count)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | (i < count ? bytes[i] : 0);
    }
    if (count == 4 && value == 0) {
        return "z";
    }
    char digits[5];
    for (int i = 4; i >= 0; --i) {
        digits[i] = static_cast<char>(FirstDigit + value % 85);
        value /= 85;
    }
    return std::string(digits, static_cast<size_t>(std::min(count, 4) + 1));
}

std::optional<std::array<uint8_t, 4>> DecodeAscii85Group(std::string_view chars)
{
    if (chars.empty() || chars.size() > 5) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < 5; ++i) {
        const char c = i < chars.size() ? chars[i] : LastDigit;
        if (c < FirstDigit || c > LastDigit) {
            return std::nullopt;
        }
        value = value * 85 + static_cast<uint64_t>(c - FirstDigit);
    }
    if (value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return std::array<uint8_t, 4>{static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

std::string EncodeAscii85(const std::vector<uint8_t>& bytes)
{
    std::string text;
    text.reserve(bytes.size() * 5 / 4 + 5);
    for (size_t at = 0; at < bytes.size(); at += 4) {
        const int count = static_cast<int>(std::min<size_t>(4, bytes.size() - at));
        text += EncodeAscii85Group(bytes.data() + at, count);
    }
    return text;
}

std::optional<std::vector<uint8_t>> DecodeAscii85(std::string_view text)
{
    std::vector<uint8_t> bytes;
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == 'z') {
            bytes.insert(bytes.end(), 4, 0);
            ++at;
            continue;
        }
        const size_t length = std::min<size_t>(5, text.size() - at);
        // A lone final character carries no byte: the text was cut.
        const auto group = length >= 2 ? DecodeAscii85Group(text.substr(at, length)) : std::nullopt;
        if (!group) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), group->begin(), group->begin() + static_cast<std::ptrdiff_t>(length - 1));
        at += length;
    }
    return bytes;
}

std::string DecodeHexKey(const std::string& hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return {};
        }
        bytes.push_back(static_cast<uint8_t>(((high << 4) | low) ^ KeyScramble));
    }
    std::string assembled;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        assembled += static_cast<char>(((bytes[i] & 0x0F) << 4) | (bytes[i + 1] & 0x0F));
    }
    if (assembled.empty()) {
        return {};
    }
    const size_t length = std::min<size_t>(static_cast<uint8_t>(assembled[0]), assembled.size() - 1);
    return assembled.substr(1, length);
}

std::string EncryptString(const std::string& key, const std::string& plain)
{
    std::vector<uint8_t> bytes(plain.begin(), plain.end());
    if (!key.empty()) {
        TEncryption encryption(key, CoderBufferSize, 0);
        TMemoryStream source(std::move(bytes));
        TMemoryStream target;
        if (!encryption.Encrypt(source, target)) {
            return {};
        }
        bytes = std::move(target.Data);
    }
    return EncodeAscii85(bytes);
}

std::string DecryptString(const std::string& key, const std::string& text)
{
    auto bytes = DecodeAscii85(text);
    if (!bytes) {
        return {};
    }
    if (key.empty()) {
        return std::string(bytes->begin(), bytes->end());
    }
    TEncryption encryption(key, CoderBufferSize, 0);
    const auto total = static_cast<int64_t>(bytes->size());
    TMemoryStream source(std::move(*bytes));
    TMemoryStream target;
    if (!encryption.Decrypt(source, &target, total)) {
        return {};
    }
    return std::string(target.Data.begin(), target.Data.end());
}

std::string EncryptPassword(const std::string& key, const std::string& password)
{
    if (password.empty()) {
        return {};
    }
    const std::string ansi = CutPasswordBytes(password);
    const int n = static_cast<int>(ansi.size());
    std::string block(1, static_cast<char>(33 + n));
    block += ansi;
    block += RandomFiller(std::max(0, BlockLength - 1 - n));
    return EncryptString(key, block);
}

std::string DecryptPassword(const std::string& key, const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const std::string block = DecryptString(key, text);
    if (block.empty()) {
        return {};
    }
    const int n = static_cast<uint8_t>(block[0]) - 33;
    if (n < 0 || n > std::min<int>(BlockLength, static_cast<int>(block.size()) - 1)) {
        return {};
    }
    return PasswordText(block.substr(1, static_cast<size_t>(n)));
}
