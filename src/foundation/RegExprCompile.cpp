// Parser and code generator of TRegExpr: recursive descent into a small tree, then emitted as
// a program for the backtracking matcher.

#include "foundation/RegExprProgram.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace {

constexpr int UnlimitedRepeats = 2147483646;
constexpr int MaxCountDigits = 8;
constexpr std::size_t MaxProgramSize = 1u << 20;

enum class TNodeKind
{
    Char,
    Any,
    Set,
    Assert,
    BackRef,
    Group,
    Concat,
    Alternation,
    Repeat,
};

struct TNode
{
    TNodeKind Kind;
    int Mods = 0;          // modifiers in force where the node was written
    char32_t Ch = 0;       // Char
    TReOp Assertion{};     // Assert
    bool Inverted = false; // Assert \B
    int Index = 0;         // Set: set index; Group and BackRef: group number
    int Min = 0, Max = 0;  // Repeat
    bool Greedy = true;    // Repeat
    std::vector<std::unique_ptr<TNode>> Kids;

    bool IsSingleCharacter() const
    {
        return Kind == TNodeKind::Char || Kind == TNodeKind::Any || Kind == TNodeKind::Set;
    }
};

using TNodePtr = std::unique_ptr<TNode>;

struct TParsed
{
    TNodePtr Node;         // null for a comment or a modifier switch
    bool HasWidth = false; // cannot match the empty text
};

struct TQuantifier
{
    int Min = 0;
    int Max = 0;
    char Kind = 0; // '*', '+', '?' or '{'
};

bool IsHexDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char32_t c)
{
    if (c <= '9') {
        return static_cast<int>(c - '0');
    }
    return static_cast<int>((c | 0x20) - 'a' + 10);
}

bool IsDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

int ModifierBit(char32_t letter)
{
    switch (letter | 0x20) {
    case 'i':
        return 1;
    case 'r':
        return 2;
    case 's':
        return 4;
    case 'g':
        return 8;
    case 'm':
        return 16;
    case 'x':
        return 32;
    default:
        return 0;
    }
}

bool IsSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::optional<char32_t> CharacterEscape(char32_t letter)
{
    switch (letter) {
    case 't':
        return U'\t';
    case 'n':
        return U'\n';
    case 'r':
        return U'\r';
    case 'f':
        return U'\f';
    case 'a':
        return U'\a';
    case 'e':
        return char32_t{27};
    default:
        return std::nullopt;
    }
}

constexpr char32_t CyrSmallA = 0x0430, CyrSmallYa = 0x044F, CyrSmallYo = 0x0451;
constexpr char32_t CyrCapitalA = 0x0410, CyrCapitalYa = 0x042F, CyrCapitalYo = 0x0401;

class TParser
{
public:
    TParser(const std::u32string& expression, int modifiers, const TReSyntax& syntax, TRegExprProgram& program)
        : Expr(expression), Mods(modifiers), Syntax(syntax), Program(program)
    {}

    TParsed ParseTop()
    {
        TParsed result = ParseAlternatives(false);
        if (!AtEnd()) {
            Fail(Peek() == ')' ? 104 : 105);
        }
        return result;
    }

    int GroupCount = 0;

private:
    const std::u32string& Expr;
    std::size_t Pos = 0;
    int Mods;
    const TReSyntax& Syntax;
    TRegExprProgram& Program;

    [[noreturn]] void Fail(int code) const { throw TReCompileFailure{code, static_cast<int>(Pos) + 1}; }

    bool AtEnd() const { return Pos >= Expr.size(); }
    char32_t Peek(std::size_t ahead = 0) const { return Pos + ahead < Expr.size() ? Expr[Pos + ahead] : 0; }

    TNodePtr MakeNode(TNodeKind kind) const
    {
        auto node = std::make_unique<TNode>();
        node->Kind = kind;
        node->Mods = Mods;
        return node;
    }

    // Modifier x: white space and #-comments between the pieces of the expression are ignored.
    void SkipExtended()
    {
        if (!(Mods & 32)) {
            return;
        }
        while (!AtEnd()) {
            if (IsSpace(Peek())) {
                ++Pos;
            } else if (Peek() == '#') {
                while (!AtEnd() && Peek() != '\r' && Peek() != '\n') {
                    ++Pos;
                }
            } else {
                return;
            }
        }
    }

    TParsed ParseAlternatives(bool inGroup)
    {
        const int outerMods = Mods;
        std::vector<TParsed> branches;
        branches.push_back(ParseBranch());
        while (Peek() == '|' && !AtEnd()) {
            ++Pos;
            branches.push_back(ParseBranch());
        }
        if (inGroup) {
            if (AtEnd() || Peek() != ')') {
                Fail(103);
            }
            ++Pos;
            Mods = outerMods;
        }
        if (branches.size() == 1) {
            return std::move(branches.front());
        }
        TParsed result{MakeNode(TNodeKind::Alternation), true};
        for (auto& branch : branches) {
            result.HasWidth = result.HasWidth && branch.HasWidth;
            result.Node->Kids.push_back(std::move(branch.Node));
        }
        return result;
    }

    TParsed ParseBranch()
    {
        TParsed result{MakeNode(TNodeKind::Concat), false};
        for (;;) {
            SkipExtended();
            if (AtEnd() || Peek() == '|' || Peek() == ')') {
                break;
            }
            TParsed piece = ParsePiece();
            if (piece.Node) {
                result.HasWidth = result.HasWidth || piece.HasWidth;
                result.Node->Kids.push_back(std::move(piece.Node));
            }
        }
        return result;
    }

    // A valid "{n}", "{n,}" or "{n,m}" at the current position; anything else is no quantifier.
    std::optional<TQuantifier> ScanBraces()
    {
        std::size_t p = Pos + 1;
        auto digits = [&](std::size_t& at) {
            const std::size_t start = at;
            while (at < Expr.size() && IsDigit(Expr[at])) {
                ++at;
            }
            return at - start;
        };
        const std::size_t minStart = p;
        const std::size_t minDigits = digits(p);
        if (minDigits == 0) {
            return std::nullopt;
        }
        std::size_t maxStart = 0, maxDigits = 0;
        bool comma = false;
        if (p < Expr.size() && Expr[p] == ',') {
            comma = true;
            ++p;
            maxStart = p;
            maxDigits = digits(p);
        }
        if (p >= Expr.size() || Expr[p] != '}') {
            return std::nullopt;
        }
        auto number = [&](std::size_t start, std::size_t count) {
            if (count > MaxCountDigits) {
                Pos = start;
                Fail(122);
            }
            int value = 0;
            for (std::size_t i = 0; i < count; ++i) {
                value = value * 10 + static_cast<int>(Expr[start + i] - '0');
            }
            return value;
        };
        TQuantifier q{number(minStart, minDigits), 0, '{'};
        q.Max = !comma ? q.Min : maxDigits == 0 ? UnlimitedRepeats : number(maxStart, maxDigits);
        if (q.Max < q.Min) {
            Pos = maxStart;
            Fail(124);
        }
        Pos = p + 1;
        return q;
    }

    std::optional<TQuantifier> ScanQuantifier()
    {
        switch (AtEnd() ? 0 : Peek()) {
        case '*':
            ++Pos;
            return TQuantifier{0, UnlimitedRepeats, '*'};
        case '+':
            ++Pos;
            return TQuantifier{1, UnlimitedRepeats, '+'};
        case '?':
            ++Pos;
            return TQuantifier{0, 1, '?'};
        case '{':
            return ScanBraces();
        default:
            return std::nullopt;
        }
    }

    bool QuantifierFollows()
    {
        if (AtEnd()) {
            return false;
        }
        if (Peek() == '*' || Peek() == '+' || Peek() == '?') {
            return true;
        }
        if (Peek() != '{') {
            return false;
        }
        const std::size_t saved = Pos;
        const bool valid = ScanBraces().has_value();
        Pos = saved;
        return valid;
    }

    TParsed ParsePiece()
    {
        TParsed atom = ParseAtom();
        if (!atom.Node) {
            return atom;
        }
        SkipExtended();
        const std::size_t quantifierPos = Pos;
        const auto quantifier = ScanQuantifier();
        if (!quantifier) {
            return atom;
        }
        if (quantifier->Kind != '?' && !atom.HasWidth) {
            Pos = quantifierPos;
            Fail(106);
        }
        bool greedy = true;
        if (!AtEnd() && Peek() == '?') {
            ++Pos;
            greedy = false;
        }
        if (!(Mods & 8)) {
            greedy = false;
        }
        SkipExtended();
        if (QuantifierFollows()) {
            Fail(107);
        }
        TParsed piece{MakeNode(TNodeKind::Repeat), atom.HasWidth && quantifier->Min > 0};
        piece.Node->Min = quantifier->Min;
        piece.Node->Max = quantifier->Max;
        piece.Node->Greedy = greedy;
        piece.Node->Kids.push_back(std::move(atom.Node));
        return piece;
    }

    TParsed MakeAssertion(TReOp op, bool inverted = false)
    {
        TParsed result{MakeNode(TNodeKind::Assert), false};
        result.Node->Assertion = op;
        result.Node->Inverted = inverted;
        return result;
    }

    TParsed MakeChar(char32_t c)
    {
        TParsed result{MakeNode(TNodeKind::Char), true};
        result.Node->Ch = c;
        return result;
    }

    TParsed MakeSet(TReCharSet set)
    {
        TParsed result{MakeNode(TNodeKind::Set), true};
        result.Node->Index = static_cast<int>(Program.Sets.size());
        Program.Sets.push_back(std::move(set));
        return result;
    }

    TParsed ParseAtom()
    {
        const char32_t c = Peek();
        switch (c) {
        case '^':
            ++Pos;
            return MakeAssertion(TReOp::LineStart);
        case '$':
            ++Pos;
            return MakeAssertion(TReOp::LineEnd);
        case '.': {
            ++Pos;
            return TParsed{MakeNode(TNodeKind::Any), true};
        }
        case '[':
            return MakeSet(ParseSet());
        case '(':
            if (Peek(1) == '?') {
                ParseGroupOption();
                return TParsed{};
            }
            return ParseGroup();
        case '?':
        case '+':
        case '*':
            Fail(115);
        case '\\':
            return ParseEscape();
        default:
            ++Pos;
            return MakeChar(c);
        }
    }

    TParsed ParseGroup()
    {
        if (++GroupCount > ReMaxGroups) {
            Fail(102);
        }
        const int group = GroupCount;
        ++Pos;
        TParsed body = ParseAlternatives(true);
        TParsed result{MakeNode(TNodeKind::Group), body.HasWidth};
        result.Node->Index = group;
        result.Node->Kids.push_back(std::move(body.Node));
        return result;
    }

    // "(?#comment)" or "(?imsrgx-imsrgx)"; the switch lasts to the end of the enclosing group.
    void ParseGroupOption()
    {
        Pos += 2;
        if (Peek() == '#' && !AtEnd()) {
            while (!AtEnd() && Peek() != ')') {
                ++Pos;
            }
            if (AtEnd()) {
                Fail(125);
            }
            ++Pos;
            return;
        }
        bool on = true;
        int mods = Mods;
        for (;;) {
            if (AtEnd()) {
                Fail(103);
            }
            const char32_t letter = Peek();
            if (letter == ')') {
                break;
            }
            if (letter == '-') {
                on = false;
            } else if (const int bit = ModifierBit(letter); bit != 0 && letter < 0x80) {
                mods = on ? (mods | bit) : (mods & ~bit);
            } else {
                Fail(127);
            }
            ++Pos;
        }
        ++Pos;
        Mods = mods;
    }

    TReCharSet ClassSet(char32_t letter) const
    {
        TReCharSet set;
        const char32_t lower = letter | 0x20;
        if (lower == 'd') {
            set.Ranges.emplace_back('0', '9');
        } else {
            for (char32_t ch : lower == 'w' ? Syntax.WordChars : Syntax.SpaceChars) {
                set.Ranges.emplace_back(ch, ch);
            }
        }
        set.Negated = letter != lower;
        return set;
    }

    static bool IsClassLetter(char32_t c)
    {
        const char32_t lower = c | 0x20;
        return lower == 'd' || lower == 'w' || lower == 's';
    }

    // "\xNN" or "\x{N...}" with the position just after the "x".
    char32_t ParseHex()
    {
        if (AtEnd()) {
            Fail(111);
        }
        if (Peek() == '{') {
            ++Pos;
            std::size_t count = 0;
            char32_t value = 0;
            for (;; ++Pos, ++count) {
                if (AtEnd()) {
                    Fail(111);
                }
                if (Peek() == '}') {
                    break;
                }
                if (!IsHexDigit(Peek())) {
                    Fail(108);
                }
                value = value * 16 + HexValue(Peek());
                if (value > 255) {
                    Fail(112);
                }
            }
            if (count == 0) {
                Fail(111);
            }
            ++Pos;
            return value;
        }
        char32_t value = 0;
        for (int i = 0; i < 2; ++i, ++Pos) {
            if (AtEnd()) {
                Fail(111);
            }
            if (!IsHexDigit(Peek())) {
                Fail(108);
            }
            value = value * 16 + HexValue(Peek());
        }
        return value;
    }

    TParsed ParseEscape()
    {
        if (Pos + 1 >= Expr.size()) {
            Fail(110);
        }
        ++Pos;
        const char32_t letter = Peek();
        ++Pos;
        if (IsClassLetter(letter)) {
            return MakeSet(ClassSet(letter));
        }
        switch (letter) {
        case 'b':
            return MakeAssertion(TReOp::WordBoundary);
        case 'B':
            return MakeAssertion(TReOp::WordBoundary, true);
        case 'A':
            return MakeAssertion(TReOp::TextStart);
        case 'Z':
            return MakeAssertion(TReOp::TextEnd);
        case 'x':
            return MakeChar(ParseHex());
        default:
            break;
        }
        if (letter >= '1' && letter <= '9') {
            TParsed result{MakeNode(TNodeKind::BackRef), true};
            result.Node->Index = static_cast<int>(letter - '0');
            return result;
        }
        return MakeChar(CharacterEscape(letter).value_or(letter));
    }

    // One character of a set, escapes resolved; the position is on it.
    char32_t ParseSetChar()
    {
        if (Peek() != '\\') {
            return Expr[Pos++];
        }
        ++Pos;
        if (AtEnd()) {
            Fail(116);
        }
        const char32_t letter = Expr[Pos++];
        if (letter == 'x') {
            return ParseHex();
        }
        return CharacterEscape(letter).value_or(letter);
    }

    bool ClassEscapeAt(std::size_t at) const
    {
        return at + 1 < Expr.size() && Expr[at] == '\\' && IsClassLetter(Expr[at + 1]);
    }

    void AddRange(TReCharSet& set, char32_t low, char32_t high)
    {
        const bool cyrillic = (Mods & 2) != 0;
        if (cyrillic && low == CyrSmallA && high == CyrCapitalYa) {
            set.Ranges.emplace_back(CyrCapitalA, CyrSmallYa);
            set.Ranges.emplace_back(CyrSmallYo, CyrSmallYo);
            set.Ranges.emplace_back(CyrCapitalYo, CyrCapitalYo);
            return;
        }
        if (high < low) {
            Fail(109);
        }
        set.Ranges.emplace_back(low, high);
        if (cyrillic && low == CyrSmallA && high == CyrSmallYa) {
            set.Ranges.emplace_back(CyrSmallYo, CyrSmallYo);
        }
        if (cyrillic && low == CyrCapitalA && high == CyrCapitalYa) {
            set.Ranges.emplace_back(CyrCapitalYo, CyrCapitalYo);
        }
    }

    TReCharSet ParseSet()
    {
        ++Pos;
        TReCharSet set;
        if (Peek() == '^' && !AtEnd()) {
            set.Negated = true;
            ++Pos;
        }
        bool first = true;
        bool canStartRange = false; // the last item was a single character
        char32_t rangeStart = 0;
        for (;;) {
            if (AtEnd()) {
                Fail(113);
            }
            const char32_t c = Peek();
            if (c == ']' && !first) {
                ++Pos;
                return set;
            }
            first = false;
            if (c == '-' && canStartRange && Pos + 1 < Expr.size() && Expr[Pos + 1] != ']' && !ClassEscapeAt(Pos + 1)) {
                ++Pos;
                AddRange(set, rangeStart, ParseSetChar());
                canStartRange = false;
                continue;
            }
            if (ClassEscapeAt(Pos) && (Expr[Pos + 1] == 'd' || Expr[Pos + 1] == 'w' || Expr[Pos + 1] == 's')) {
                const TReCharSet cls = ClassSet(Expr[Pos + 1]);
                set.Ranges.insert(set.Ranges.end(), cls.Ranges.begin(), cls.Ranges.end());
                Pos += 2;
                canStartRange = false;
                continue;
            }
            const char32_t single = ParseSetChar();
            set.Ranges.emplace_back(single, single);
            rangeStart = single;
            canStartRange = true;
        }
    }
};

class TEmitter
{
public:
    explicit TEmitter(TRegExprProgram& program) : Program(program) {}

    void Emit(const TNode& node)
    {
        if (Program.Code.size() > MaxProgramSize) {
            throw TReCompileFailure{101, 0};
        }
        switch (node.Kind) {
        case TNodeKind::Char:
            Add({.Op = TReOp::Char, .Fold = Folds(node), .Ch = node.Ch});
            break;
        case TNodeKind::Any:
            Add({.Op = TReOp::Any, .Flag = (node.Mods & 4) != 0});
            break;
        case TNodeKind::Set:
            Add({.Op = TReOp::Set, .Fold = Folds(node), .A = node.Index});
            break;
        case TNodeKind::Assert:
            EmitAssertion(node);
            break;
        case TNodeKind::BackRef:
            Add({.Op = TReOp::BackRef, .Fold = Folds(node), .A = node.Index});
            break;
        case TNodeKind::Group:
            Add({.Op = TReOp::Save, .A = 2 * node.Index});
            Emit(*node.Kids.front());
            Add({.Op = TReOp::Save, .A = 2 * node.Index + 1});
            break;
        case TNodeKind::Concat:
            for (const auto& kid : node.Kids) {
                Emit(*kid);
            }
            break;
        case TNodeKind::Alternation:
            EmitAlternation(node);
            break;
        case TNodeKind::Repeat:
            EmitRepeat(node);
            break;
        }
    }

    int Add(const TReInstr& instr)
    {
        Program.Code.push_back(instr);
        return static_cast<int>(Program.Code.size()) - 1;
    }

private:
    TRegExprProgram& Program;

    static bool Folds(const TNode& node) { return (node.Mods & 1) != 0; }
    int Here() const { return static_cast<int>(Program.Code.size()); }

    void EmitAssertion(const TNode& node)
    {
        const bool multiLine = (node.Mods & 16) != 0;
        const bool flag = node.Assertion == TReOp::WordBoundary ? node.Inverted : multiLine;
        Add({.Op = node.Assertion, .Flag = flag});
    }

    void EmitAlternation(const TNode& node)
    {
        std::vector<int> jumpsToEnd;
        for (std::size_t i = 0; i < node.Kids.size(); ++i) {
            const bool last = i + 1 == node.Kids.size();
            int split = -1;
            if (!last) {
                split = Add({.Op = TReOp::Split});
                Program.Code[split].A = Here();
            }
            Emit(*node.Kids[i]);
            if (!last) {
                jumpsToEnd.push_back(Add({.Op = TReOp::Jump}));
                Program.Code[split].B = Here();
            }
        }
        for (int jump : jumpsToEnd) {
            Program.Code[jump].A = Here();
        }
    }

    void EmitRepeat(const TNode& node)
    {
        const TNode& body = *node.Kids.front();
        if (body.IsSingleCharacter()) {
            Add({.Op = TReOp::RepeatSimple, .Flag = node.Greedy, .B = node.Min, .C = node.Max});
            Emit(body);
            return;
        }
        if (node.Min == 0 && node.Max == 1) {
            const int split = Add({.Op = TReOp::Split});
            Emit(body);
            const int after = Here();
            Program.Code[split].A = node.Greedy ? split + 1 : after;
            Program.Code[split].B = node.Greedy ? after : split + 1;
            return;
        }
        const int loop = Program.LoopCount++;
        Add({.Op = TReOp::LoopEnter, .A = loop});
        const int test = Add({.Op = TReOp::LoopTest, .Flag = node.Greedy, .A = loop, .B = node.Min, .C = node.Max});
        Emit(body);
        Add({.Op = TReOp::Jump, .A = test});
        Program.Code[test].D = Here();
        Add({.Op = TReOp::LoopLeave, .A = loop});
    }
};

// A leading ".*" that also crosses line breaks: when it fails at the start of the text it fails
// everywhere. Inside a group a back reference could tell the starts apart, so only outside.
bool IsLeadingAnyRun(const TNode& node)
{
    return node.Kind == TNodeKind::Repeat && node.Min == 0 && node.Max == UnlimitedRepeats &&
           node.Kids.front()->Kind == TNodeKind::Any && (node.Kids.front()->Mods & 4) != 0;
}

// True when a search needs to try only the start of the text.
bool StartsAnchored(const TNode& node, bool inGroup = false)
{
    switch (node.Kind) {
    case TNodeKind::Assert:
        return node.Assertion == TReOp::TextStart || (node.Assertion == TReOp::LineStart && !(node.Mods & 16));
    case TNodeKind::Repeat:
        return !inGroup && IsLeadingAnyRun(node);
    case TNodeKind::Concat:
        return !node.Kids.empty() && StartsAnchored(*node.Kids.front(), inGroup);
    case TNodeKind::Group:
        return StartsAnchored(*node.Kids.front(), true);
    case TNodeKind::Alternation:
        return std::all_of(node.Kids.begin(), node.Kids.end(),
                           [inGroup](const auto& kid) { return StartsAnchored(*kid, inGroup); });
    default:
        return false;
    }
}

} // namespace

bool TReCharSet::Contains(char32_t c) const
{
    for (const auto& [low, high] : Ranges) {
        if (c >= low && c <= high) {
            return true;
        }
    }
    return false;
}

TRegExprProgram CompileRegExpr(const std::u32string& expression, int modifiers, const TReSyntax& syntax)
{
    TRegExprProgram program;
    program.Modifiers = modifiers;
    program.LineSeparators = syntax.LineSeparators;
    program.LinePairedSeparator = syntax.LinePairedSeparator;
    program.WordChars = syntax.WordChars;
    TParser parser(expression, modifiers, syntax, program);
    const TParsed tree = parser.ParseTop();
    TEmitter emitter(program);
    emitter.Add({.Op = TReOp::Save, .A = 0});
    emitter.Emit(*tree.Node);
    emitter.Add({.Op = TReOp::Save, .A = 1});
    emitter.Add({.Op = TReOp::Match});
    program.Anchored = StartsAnchored(*tree.Node);
    return program;
}
