#include "foundation/RegExpr.h"

#include "foundation/CodePoints.h"
#include "foundation/RegExprProgram.h"
#include "foundation/Translate.h"
#include "platform/Utf8.h"

#include <utility>

namespace {

struct TErrorText
{
    int Code;
    const char* Text;
};

constexpr TErrorText ErrorTexts[] = {
    {0, TrNoopUnits("No errors")},
    {100, TrNoopUnits("TRegExpr(comp): Null Argument")},
    {101, TrNoopUnits("TRegExpr(comp): Regexp Too Big")},
    {102, TrNoopUnits("TRegExpr(comp): ParseReg Too Many ()")},
    {103, TrNoopUnits("TRegExpr(comp): ParseReg Unmatched ()")},
    {104, TrNoopUnits("TRegExpr(comp): ParseReg Unmatched ()")},
    {105, TrNoopUnits("TRegExpr(comp): ParseReg Junk On End")},
    {106, TrNoopUnits("TRegExpr(comp): *+ Operand Could Be Empty")},
    {107, TrNoopUnits("TRegExpr(comp): Nested *?+")},
    {108, TrNoopUnits("TRegExpr(comp): Bad Hex Digit")},
    {109, TrNoopUnits("TRegExpr(comp): Invalid [] Range")},
    {110, TrNoopUnits("TRegExpr(comp): Parse Atom Trailing \\")},
    {111, TrNoopUnits("TRegExpr(comp): No Hex Code After \\x")},
    {112, TrNoopUnits("TRegExpr(comp): Hex Code After \\x Is Too Big")},
    {113, TrNoopUnits("TRegExpr(comp): Unmatched []")},
    {114, TrNoopUnits("TRegExpr(comp): Internal Urp")},
    {115, TrNoopUnits("TRegExpr(comp): ?+*{ Follows Nothing")},
    {116, TrNoopUnits("TRegExpr(comp): Trailing \\")},
    {119, TrNoopUnits("TRegExpr(comp): RarseAtom Internal Disaster")},
    {122, TrNoopUnits("TRegExpr(comp): BRACES Argument Too Big")},
    {124, TrNoopUnits("TRegExpr(comp): BRACE Min Param Greater then Max")},
    {125, TrNoopUnits("TRegExpr(comp): Unclosed (?#Comment)")},
    {126, "TRegExpr(comp): If you want take part in beta-testing BRACES '{min,max}' and non-greedy ops '*?', '+?', "
          "'?\?' for complex cases - remove '.' from {.$DEFINE ComplexBraces}"},
    {127, TrNoopUnits("TRegExpr(comp): Urecognized Modifier")},
    {128, TrNoopUnits("TRegExpr(comp): LinePairedSeparator must countain two different chars or no chars at all")},
    {1000, TrNoopUnits("TRegExpr(exec): RegRepeat Called Inappropriately")},
    {1001, TrNoopUnits("TRegExpr(exec): MatchPrim Memory Corruption")},
    {1002, TrNoopUnits("TRegExpr(exec): MatchPrim Corrupted Pointers")},
    {1003, TrNoopUnits("TRegExpr(exec): Not Assigned Expression Property")},
    {1004, TrNoopUnits("TRegExpr(exec): Corrupted Program")},
    {1005, TrNoopUnits("TRegExpr(exec): No Input String Specified")},
    {1006, TrNoopUnits("TRegExpr(exec): Offset Must Be Greater Then 0")},
    {1007, TrNoopUnits("TRegExpr(exec): ExecNext Without Exec[Pos]")},
    {1008, TrNoopUnits("TRegExpr(exec): GetInputString Without InputString")},
    {1011, TrNoopUnits("TRegExpr(dump): Corrupted Opcode")},
    {1014, TrNoopUnits("TRegExpr(exec): Loop Stack Exceeded")},
    {1015, TrNoopUnits("TRegExpr(exec): Loop Without LoopEntry !")},
    {2000, TrNoopUnits("TRegExpr(misc): Bad p-code imported")},
};

constexpr const char* StepLimitText = TrNoopUnits(
    "The regular expression needs too many steps for this text (too much backtracking); simplify the expression");

constexpr int FirstExecError = 1000;

} // namespace

ERegExpr::ERegExpr(const std::string& message, int errorCode, int compilerErrorPos)
    : std::runtime_error(message), ErrorCode(errorCode), CompilerErrorPos(compilerErrorPos)
{}

TRegExpr::TRegExpr() : FMatchStart(SlotCount, -1), FMatchEnd(SlotCount, -1)
{}

TRegExpr::~TRegExpr() = default;

void TRegExpr::InvalidateProgram()
{
    FProgram.reset();
}

void TRegExpr::SetExpression(const std::string& expression)
{
    if (expression != FExpression || !FProgram) {
        FExpression = expression;
        InvalidateProgram();
    }
}

void TRegExpr::SetModifiers(int modifiers)
{
    FModifiers = modifiers & (ModifierI | ModifierR | ModifierS | ModifierG | ModifierM | ModifierX);
}

void TRegExpr::SetModifier(int modifier, bool on)
{
    SetModifiers(on ? (FModifiers | modifier) : (FModifiers & ~modifier));
}

void TRegExpr::SetSpaceChars(const std::string& chars)
{
    FSpaceChars = chars;
    InvalidateProgram();
}

void TRegExpr::SetWordChars(const std::string& chars)
{
    FWordChars = chars;
    InvalidateProgram();
}

void TRegExpr::SetLineSeparators(const std::string& chars)
{
    FLineSeparators = chars;
    InvalidateProgram();
}

void TRegExpr::SetLinePairedSeparator(const std::string& chars)
{
    const std::u32string pair = ToCodePoints(chars);
    if (!pair.empty() && (pair.size() != 2 || pair[0] == pair[1])) {
        FCompilerPos = 0;
        Error(128);
    }
    FLinePairedSeparator = chars;
    InvalidateProgram();
}

void TRegExpr::Compile()
{
    FProgram.reset();
    const TReSyntax syntax{ToCodePoints(FSpaceChars), ToCodePoints(FWordChars), ToCodePoints(FLineSeparators),
                           ToCodePoints(FLinePairedSeparator)};
    try {
        FProgram =
            std::make_shared<const TRegExprProgram>(CompileRegExpr(ToCodePoints(FExpression), FModifiers, syntax));
    } catch (const TReCompileFailure& failure) {
        FCompilerPos = failure.Pos;
        Error(failure.Code);
    }
    FCompilerPos = 0;
}

bool TRegExpr::Exec(const std::string& input)
{
    FInputString = input;
    FMatchStart.assign(SlotCount, -1);
    FMatchEnd.assign(SlotCount, -1);
    if (FExpression.empty()) {
        Error(1003);
    }
    if (!FProgram || FProgram->Modifiers != FModifiers) {
        Compile();
    }

    std::u32string text;
    std::vector<int> offsets; // byte offset of each code point, and of the end
    text.reserve(input.size());
    offsets.reserve(input.size() + 1);
    for (std::size_t pos = 0; pos < input.size();) {
        offsets.push_back(static_cast<int>(pos));
        text.push_back(Platform::NextCodePoint(input, pos));
    }
    offsets.push_back(static_cast<int>(input.size()));

    TReMatchResult result;
    try {
        result = RunRegExpr(*FProgram, text, FStepLimit);
    } catch (const TReExecFailure& failure) {
        FStepLimitHit = failure.StepLimit;
        Error(failure.Code);
    }
    if (!result.Found) {
        return false;
    }
    for (int slot = 0; slot < SlotCount; ++slot) {
        const int start = result.Slots[2 * static_cast<std::size_t>(slot)];
        const int end = result.Slots[2 * slot + 1];
        if (start >= 0 && end >= start) {
            FMatchStart[slot] = offsets[start];
            FMatchEnd[slot] = offsets[end];
        }
    }
    return true;
}

int TRegExpr::MatchPos(int slot) const
{
    if (slot < 0 || slot >= SlotCount || FMatchStart[slot] < 0) {
        return -1;
    }
    return FMatchStart[slot] + 1;
}

int TRegExpr::MatchLen(int slot) const
{
    if (slot < 0 || slot >= SlotCount || FMatchStart[slot] < 0) {
        return -1;
    }
    return FMatchEnd[slot] - FMatchStart[slot];
}

std::string TRegExpr::Match(int slot) const
{
    if (MatchPos(slot) < 0) {
        return {};
    }
    return FInputString.substr(FMatchStart[slot], FMatchEnd[slot] - FMatchStart[slot]);
}

std::string TRegExpr::ErrorMsg(int code) const
{
    for (const auto& entry : ErrorTexts) {
        if (entry.Code == code) {
            return TrUnits(entry.Text);
        }
    }
    return TrUnits("Unknown error");
}

std::string TRegExpr::ErrorText(int code) const
{
    std::string text = ErrorMsg(code);
    if (code < FirstExecError) {
        text += " (pos " + std::to_string(FCompilerPos) + ")";
    } else if (code == ErrorStepLimit && FStepLimitHit) {
        text += ": " + TrUnits(StepLimitText);
    }
    return text;
}

void TRegExpr::Error(int code)
{
    FLastError = code;
    const std::string text = ErrorText(code);
    const int position = FCompilerPos;
    FCompilerPos = 0;
    FStepLimitHit = false;
    throw ERegExpr(text, code, position);
}
