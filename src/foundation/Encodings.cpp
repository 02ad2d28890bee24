#include "foundation/Encodings.h"

#include "platform/Utf8.h"

#include <array>

namespace {

constexpr std::array<char16_t, 32> Cp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 128> Dos850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C,
    0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

constexpr int NoByte = -1;

int Cp1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < Cp1252High.size(); ++i) {
        if (Cp1252High[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return NoByte;
}

int DosByte(char32_t cp)
{
    if (cp < 0x80) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < Dos850.size(); ++i) {
        if (Dos850[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return NoByte;
}

template <typename ByteOf> std::string EncodeWith(std::string_view utf8, ByteOf byteOf, bool* lossless = nullptr)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const int byte = byteOf(Platform::NextCodePoint(utf8, pos));
        if (byte == NoByte && lossless) {
            *lossless = false;
        }
        out += static_cast<char>(byte == NoByte ? '?' : byte);
    }
    return out;
}

template <typename CodePointOf> std::string DecodeWith(std::string_view bytes, CodePointOf codePointOf)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) {
        Platform::AppendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

std::string Utf8ToCp1252(std::string_view utf8)
{
    return EncodeWith(utf8, Cp1252Byte);
}

std::string Cp1252ToUtf8(std::string_view bytes)
{
    return DecodeWith(bytes,
                      [](unsigned char b) -> char32_t { return b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : b; });
}

std::string WindowsTextToUtf8(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    if (Platform::IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return Cp1252ToUtf8(bytes);
}

std::string Utf8ToDos(std::string_view utf8)
{
    return EncodeWith(utf8, DosByte);
}

std::string DosToUtf8(std::string_view bytes)
{
    return DecodeWith(bytes, [](unsigned char b) -> char32_t { return b >= 0x80 ? Dos850[b - 0x80] : b; });
}

bool IsDosRepresentable(std::string_view utf8)
{
    bool lossless = true;
    EncodeWith(utf8, DosByte, &lossless);
    return lossless;
}
