#pragma once

// Compiled form of a TRegExpr expression; shared by the compiler and the matcher only.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class TReOp : std::uint8_t
{
    Char,         // Ch; Fold
    Any,          // Flag: line separators match too
    Set,          // A: set index; Fold
    LineStart,    // Flag: also after line breaks
    LineEnd,      // Flag: also before line breaks
    TextStart,    // \A
    TextEnd,      // \Z
    WordBoundary, // Flag: inverted (\B)
    BackRef,      // A: group; Fold
    Save,         // A: slot index (2 * group, +1 for the end)
    Split,        // try A first, B on backtracking
    Jump,         // A
    RepeatSimple, // B..C times the single-character instruction that follows; Flag: greedy
    LoopEnter,    // A: loop id
    LoopTest,     // A: loop id, B..C iterations, D: exit; body follows; Flag: greedy
    LoopLeave,    // A: loop id
    Match,
};

struct TReInstr
{
    TReOp Op;
    bool Fold = false;
    bool Flag = false;
    char32_t Ch = 0;
    std::int32_t A = 0;
    std::int32_t B = 0;
    std::int32_t C = 0;
    std::int32_t D = 0;
};

struct TReCharSet
{
    bool Negated = false;
    std::vector<std::pair<char32_t, char32_t>> Ranges;

    bool Contains(char32_t c) const;
};

struct TRegExprProgram
{
    std::vector<TReInstr> Code;
    std::vector<TReCharSet> Sets;
    int LoopCount = 0;
    bool Anchored = false; // can match only at the start of the text
    int Modifiers = 0;     // the modifiers it was compiled with
    std::u32string LineSeparators;
    std::u32string LinePairedSeparator;
    std::u32string WordChars;
};

// Syntax characters a compile needs beside the expression.
struct TReSyntax
{
    std::u32string SpaceChars;
    std::u32string WordChars;
    std::u32string LineSeparators;
    std::u32string LinePairedSeparator;
};

// Raised inside the compiler; TRegExpr turns it into ERegExpr.
struct TReCompileFailure
{
    int Code;
    int Pos; // 1-based
};

// Raised inside the matcher; TRegExpr turns it into ERegExpr.
struct TReExecFailure
{
    int Code;
    bool StepLimit;
};

TRegExprProgram CompileRegExpr(const std::u32string& expression, int modifiers, const TReSyntax& syntax);

struct TReMatchResult
{
    bool Found = false;
    std::vector<int> Slots; // code-point offsets, start and end per slot, -1 when unset
};

// Searches the text from its first code point. Steps beyond stepLimit raise TReExecFailure.
TReMatchResult RunRegExpr(const TRegExprProgram& program, const std::u32string& text, long stepLimit);

inline constexpr int ReMaxGroups = 14;
inline constexpr int ReMaxLoopDepth = 10;
