#include "foundation/Utf8.h"

namespace {

constexpr char32_t InvalidByteBase = 0xDC80;

char32_t InvalidByte(unsigned char byte)
{
    return InvalidByteBase + (byte & 0x7F);
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Sequence length announced by a lead byte, 0 when the byte cannot lead a sequence.
int SequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

bool IsValidScalar(char32_t cp, int length)
{
    static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    return cp >= Smallest[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Pairs laid out as upper case at even and lower case at odd code points (or the other way).
bool InAlternatingBlock(char32_t cp, char32_t first, char32_t last)
{
    return cp >= first && cp <= last;
}

char32_t LowerOfAlternating(char32_t cp, bool upperIsEven)
{
    const bool even = (cp % 2) == 0;
    return even == upperIsEven ? cp + 1 : cp;
}

char32_t UpperOfAlternating(char32_t cp, bool upperIsEven)
{
    const bool even = (cp % 2) == 0;
    return even == upperIsEven ? cp : cp - 1;
}

struct TAlternatingBlock
{
    char32_t First;
    char32_t Last;
    bool UpperIsEven;
};

// First and last cover whole pairs.
constexpr TAlternatingBlock AlternatingBlocks[] = {
    {0x0100, 0x012F, true},  {0x0132, 0x0137, true}, {0x0139, 0x0148, false}, {0x014A, 0x0177, true},
    {0x0179, 0x017E, false}, {0x03D8, 0x03EF, true}, {0x0460, 0x0481, true},  {0x048A, 0x04BF, true},
    {0x04C1, 0x04CE, false}, {0x04D0, 0x052F, true},
};

const TAlternatingBlock* FindAlternatingBlock(char32_t cp)
{
    for (const auto& block : AlternatingBlocks) {
        if (InAlternatingBlock(cp, block.First, block.Last)) {
            return &block;
        }
    }
    return nullptr;
}

// Irregular pairs: upper, lower.
struct TCasePair
{
    char32_t Upper;
    char32_t Lower;
};

constexpr TCasePair IrregularPairs[] = {
    {0x0178, 0x00FF}, {0x1E9E, 0x00DF}, {0x0386, 0x03AC}, {0x0388, 0x03AD}, {0x0389, 0x03AE},
    {0x038A, 0x03AF}, {0x038C, 0x03CC}, {0x038E, 0x03CD}, {0x038F, 0x03CE}, {0x04C0, 0x04CF},
};

// Beyond these only U+1E9E has a mapping here.
bool OutsideCaseTables(char32_t cp)
{
    return cp < 0x80 || (cp > 0x052F && cp != 0x1E9E);
}

} // namespace

char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    const int length = SequenceLength(lead);
    if (length == 1) {
        ++pos;
        return lead;
    }
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return InvalidByte(lead);
    }
    char32_t cp = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(byte)) {
            ++pos;
            return InvalidByte(lead);
        }
        cp = (cp << 6) | (byte & 0x3F);
    }
    if (!IsValidScalar(cp, length)) {
        ++pos;
        return InvalidByte(lead);
    }
    pos += length;
    return cp;
}

std::u32string ToCodePoints(std::string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        result.push_back(NextCodePoint(text, pos));
    }
    return result;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp >= InvalidByteBase && cp < InvalidByteBase + 0x80) {
        out.push_back(static_cast<char>(0x80 + (cp - InvalidByteBase)));
    } else if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t LowerCodePoint(char32_t cp)
{
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) {
        return cp + 0x20;
    }
    if (OutsideCaseTables(cp)) {
        return cp;
    }
    if ((cp >= 0x0391 && cp <= 0x03AB && cp != 0x03A2) || (cp >= 0x0410 && cp <= 0x042F)) {
        return cp + 0x20;
    }
    if (cp >= 0x0400 && cp <= 0x040F) {
        return cp + 0x50;
    }
    if (const auto* block = FindAlternatingBlock(cp)) {
        return LowerOfAlternating(cp, block->UpperIsEven);
    }
    for (const auto& pair : IrregularPairs) {
        if (pair.Upper == cp) {
            return pair.Lower;
        }
    }
    return cp;
}

char32_t UpperCodePoint(char32_t cp)
{
    if ((cp >= 'a' && cp <= 'z') || (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)) {
        return cp - 0x20;
    }
    if (OutsideCaseTables(cp)) {
        return cp;
    }
    if (cp == 0x03C2) {
        return 0x03A3; // final sigma
    }
    if ((cp >= 0x03B1 && cp <= 0x03CB) || (cp >= 0x0430 && cp <= 0x044F)) {
        return cp - 0x20;
    }
    if (cp >= 0x0450 && cp <= 0x045F) {
        return cp - 0x50;
    }
    if (cp == 0x017F) {
        return 'S'; // long s
    }
    if (const auto* block = FindAlternatingBlock(cp)) {
        return UpperOfAlternating(cp, block->UpperIsEven);
    }
    for (const auto& pair : IrregularPairs) {
        if (pair.Lower == cp && pair.Upper != 0x1E9E) {
            return pair.Upper;
        }
    }
    return cp;
}

bool SameIgnoringCase(char32_t a, char32_t b)
{
    return a == b || LowerCodePoint(a) == LowerCodePoint(b) || UpperCodePoint(a) == UpperCodePoint(b);
}
