#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Raised by TRegExpr: ErrorCode below 1000 is a compile error at CompilerErrorPos (1-based
// position in the expression, counted in characters), from 1000 a run-time error.
class ERegExpr : public std::runtime_error
{
public:
    ERegExpr(const std::string& message, int errorCode, int compilerErrorPos);

    int ErrorCode;
    int CompilerErrorPos;
};

struct TRegExprProgram;

// Regular expressions over UTF-8 text, matched per code point by a backtracking matcher.
class TRegExpr
{
public:
    // Modifier bits.
    static constexpr int ModifierI = 1;  // ignore case
    static constexpr int ModifierR = 2;  // complete Cyrillic ranges
    static constexpr int ModifierS = 4;  // "." matches line separators too
    static constexpr int ModifierG = 8;  // quantifiers greedy (off: all non-greedy)
    static constexpr int ModifierM = 16; // "^" and "$" also at line breaks
    static constexpr int ModifierX = 32; // blanks and #-comments in the expression ignored
    static constexpr int DefaultModifiers = ModifierS | ModifierG;

    // Run-time error raised when a search takes more steps than StepLimit allows; catastrophic
    // backtracking must not hang a backup.
    static constexpr int ErrorStepLimit = 1014;
    static constexpr long DefaultStepLimit = 10'000'000;

    TRegExpr();
    virtual ~TRegExpr();
    // Copies share the compiled program, which never changes once made.
    TRegExpr(const TRegExpr&) = default;
    TRegExpr& operator=(const TRegExpr&) = default;

    const std::string& Expression() const { return FExpression; }
    // A different text drops the compiled program; the next Exec compiles it.
    void SetExpression(const std::string& expression);

    int Modifiers() const { return FModifiers; }
    void SetModifiers(int modifiers);
    void SetModifier(int modifier, bool on);
    bool Modifier(int modifier) const { return (FModifiers & modifier) != 0; }

    const std::string& SpaceChars() const { return FSpaceChars; }
    void SetSpaceChars(const std::string& chars);
    const std::string& WordChars() const { return FWordChars; }
    void SetWordChars(const std::string& chars);
    const std::string& LineSeparators() const { return FLineSeparators; }
    void SetLineSeparators(const std::string& chars);
    const std::string& LinePairedSeparator() const { return FLinePairedSeparator; }
    // Two different characters or none; anything else raises code 128.
    void SetLinePairedSeparator(const std::string& chars);

    long StepLimit() const { return FStepLimit; }
    void SetStepLimit(long steps) { FStepLimit = steps; }

    // Searches the text from its start; compiles first when needed. True on a match.
    bool Exec(const std::string& input);
    const std::string& InputString() const { return FInputString; }

    // Slot 0 is the whole match, 1 to 14 the groups. Byte positions are 1-based, -1 when the
    // slot did not take part in the last match.
    static constexpr int SlotCount = 15;
    int MatchPos(int slot) const;
    int MatchLen(int slot) const;
    std::string Match(int slot) const;

    int LastError() const { return FLastError; }

    // Records the code and raises ERegExpr.
    virtual void Error(int code);
    virtual std::string ErrorMsg(int code) const;

private:
    void InvalidateProgram();
    void Compile();
    std::string ErrorText(int code) const;

    std::string FExpression;
    std::string FInputString;
    int FModifiers = DefaultModifiers;
    std::string FSpaceChars = " \t\n\r\f";
    std::string FWordChars = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
    std::string FLineSeparators = "\r\n";
    std::string FLinePairedSeparator = "\r\n";
    long FStepLimit = DefaultStepLimit;

    std::shared_ptr<const TRegExprProgram> FProgram;
    std::vector<int> FMatchStart; // byte offsets, -1 when unset
    std::vector<int> FMatchEnd;
    int FLastError = 0;
    int FCompilerPos = 0;
    bool FStepLimitHit = false;
};
