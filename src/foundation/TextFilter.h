#pragma once

#include "foundation/Mask.h"
#include "foundation/RegExpr.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class EFilterError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Name filter: a "|"-separated list of wildcard masks or one regular expression, applied in
// include or exclude mode. Set IsRegEx and Mode first, then SetMask: the text is read in the
// mode in force when SetMask is called.
class TTextFilter : public TRegExpr
{
public:
    static constexpr std::uint8_t ModeOff = 0;
    static constexpr std::uint8_t ModeInclude = 1;
    static constexpr std::uint8_t ModeExclude = 2;

    TTextFilter() = default;

    bool IsRegEx = false;
    std::uint8_t Mode = ModeOff;
    std::string Mask = "*";

    // "*" for wildcard lists, "." for regular expressions: what an empty filter field means.
    std::string DefaultMask() const;
    // Mask in wildcard mode, Expression in regular-expression mode.
    std::string GetMask() const;
    // Validates and stores the text; a bad text leaves the default and raises EFilterError.
    void SetMask(const std::string& text);
    // True when the name passes the filter. A regular expression that fails at run time
    // raises ERegExpr.
    bool Match(const std::string& name);

private:
    bool MatchesAnyMask(const std::string& name);

    // The items of Mask, made once per mask text; an invalid item is empty and never matches.
    std::string FParsedMask;
    std::vector<std::optional<TWildcardMask>> FMaskItems;
};
