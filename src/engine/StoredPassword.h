#pragma once

// Passwords kept in task files: the password, filled up to 64 characters with random
// characters, is encrypted (engine/Encryption.h) and written as Ascii85, so the text
// fits on one INI line and never shows the password.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The hex text that DecodeHexKey turns into the task files' key. Backup, restore and
// clean-up pass DecodeHexKey(TaskFileKeyHex).
extern const char* const TaskFileKeyHex;

// Empty password -> empty text; else the encrypted, Ascii85-coded 64-character block.
// Passwords longer than 64 characters are stored cut to 64.
std::string EncryptPassword(const std::string& key, const std::string& password);
// Empty text, a wrong key or a damaged text give an empty password.
std::string DecryptPassword(const std::string& key, const std::string& text);

// Encrypts the bytes with the key (as they are with an empty key) and codes them.
std::string EncryptString(const std::string& key, const std::string& plain);
// The reverse; an empty string when the text is not valid or does not authenticate.
std::string DecryptString(const std::string& key, const std::string& text);

// Five characters of a 4-byte group ("z" for four zero bytes), or count + 1
// characters for a final group of count < 4 bytes.
std::string EncodeAscii85Group(const uint8_t* bytes, int count);
// Up to five characters ("!".."u"), padded with "u"; nullopt for a character out of
// range or a value above 32 bits.
std::optional<std::array<uint8_t, 4>> DecodeAscii85Group(std::string_view chars);
std::string EncodeAscii85(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> DecodeAscii85(std::string_view text);

// Pairs of hex digits -> bytes, each combined with a fixed byte; the low half-bytes
// of each pair give one character, the first one the key's length.
std::string DecodeHexKey(const std::string& hex);
