#include "foundation/CodePoints.h"

#include "platform/Utf8.h"

std::u32string ToCodePoints(std::string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        result.push_back(Platform::NextCodePoint(text, pos));
    }
    return result;
}

bool SameIgnoringCase(char32_t a, char32_t b)
{
    // Both mappings, as some letters share only one of them (final sigma, long s).
    return a == b || Platform::FoldCodePoint(a) == Platform::FoldCodePoint(b) ||
           Platform::UpperCodePoint(a) == Platform::UpperCodePoint(b);
}
