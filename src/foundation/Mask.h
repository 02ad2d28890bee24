#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Raised for an invalid wildcard mask: "'<mask>' is an invalid mask at (<position>)".
class EMaskError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A wildcard mask that matches whole names: "*" any run of characters, "?" one character,
// "[a-c]" one of a set, "[!a-c]" one not in it; letters compare regardless of case. Works per
// code point of UTF-8 text. An invalid mask (unclosed "[", "[]", a "-" with nothing before it,
// more than 30 "*") raises EMaskError when it is made.
class TWildcardMask
{
public:
    explicit TWildcardMask(const std::string& mask);

    bool Matches(const std::u32string& name) const;

    enum class TItemKind
    {
        Literal,
        AnyChar,
        AnyRun,
        Set,
    };

    struct TItem
    {
        TItemKind Kind;
        char32_t Ch = 0;
        bool Negated = false;
        std::vector<std::pair<char32_t, char32_t>> Ranges = {};
    };

private:
    std::vector<TItem> Items;
};

// Whether the whole name matches the mask; raises EMaskError for an invalid mask.
bool MatchesMask(const std::string& name, const std::string& mask);
