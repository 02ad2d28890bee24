// Backtracking matcher of TRegExpr. It keeps its own choice stack and an undo trail instead of
// recursing, so long texts cannot overflow the call stack, and it counts its steps so that
// catastrophic backtracking ends with an error instead of running for minutes.

#include "foundation/CodePoints.h"
#include "foundation/RegExprProgram.h"
#include "platform/Utf8.h"

namespace {

// Bounds on the matcher's memory; both end the search like the step limit does.
constexpr std::size_t MaxChoices = 1'000'000;
constexpr std::size_t MaxTrail = 4'000'000;

struct TLoopState
{
    int Count = 0;
    int Start = -1; // where the current iteration began
};

enum class TUndoKind : std::uint8_t
{
    Slot,
    Opened,
    Loop,
    Depth,
};

struct TUndo
{
    TUndoKind Kind;
    int Index;
    int First;
    int Second;
};

enum class TChoiceKind : std::uint8_t
{
    Resume,     // continue at Pc, Pos
    FewerChars, // greedy simple repeat: give back one character
    MoreChars,  // non-greedy simple repeat: take one more character
    Iterate,    // non-greedy loop: run one more iteration of the loop tested at Pc
};

struct TChoice
{
    TChoiceKind Kind;
    int Pc;
    int Pos;
    int Count;
    std::size_t Trail;
};

class TMatcher
{
public:
    TMatcher(const TRegExprProgram& program, const std::u32string& text, long stepLimit)
        : Program(program), Text(text), StepsLeft(stepLimit)
    {}

    TReMatchResult Search()
    {
        TReMatchResult result;
        const int last = Program.Anchored ? 0 : static_cast<int>(Text.size());
        for (int start = 0; start <= last; ++start) {
            if (Run(start)) {
                result.Found = true;
                result.Slots = Slots;
                return result;
            }
        }
        return result;
    }

private:
    const TRegExprProgram& Program;
    const std::u32string& Text;
    long StepsLeft;
    std::vector<int> Slots;  // start and end of the last completed match of each group
    std::vector<int> Opened; // where the group now being matched began
    std::vector<TLoopState> Loops;
    int LoopDepth = 0;
    std::vector<TUndo> Trail;
    std::vector<TChoice> Choices;

    int Size() const { return static_cast<int>(Text.size()); }

    void Step()
    {
        if (--StepsLeft < 0) {
            throw TReExecFailure{1014, true};
        }
    }

    void PushChoice(TChoiceKind kind, int pc, int pos, int count = 0)
    {
        if (Choices.size() >= MaxChoices) {
            throw TReExecFailure{1014, true};
        }
        Choices.push_back({kind, pc, pos, count, Trail.size()});
    }

    // Undo records are needed only while there is a choice to return to.
    void Record(const TUndo& undo)
    {
        if (Choices.empty()) {
            return;
        }
        if (Trail.size() >= MaxTrail) {
            throw TReExecFailure{1014, true};
        }
        Trail.push_back(undo);
    }

    void SetSlot(int slot, int value)
    {
        Record({TUndoKind::Slot, slot, Slots[slot], 0});
        Slots[slot] = value;
    }

    // A group's text counts only once the group is closed, so a back reference inside the
    // group still sees the text of its previous match.
    void SaveGroupBound(int slot, int pos)
    {
        const int group = slot / 2;
        if (slot % 2 == 0) {
            Record({TUndoKind::Opened, group, Opened[group], 0});
            Opened[group] = pos;
        } else {
            SetSlot(slot - 1, Opened[group]);
            SetSlot(slot, pos);
        }
    }

    void SetLoop(int loop, int count, int start)
    {
        Record({TUndoKind::Loop, loop, Loops[loop].Count, Loops[loop].Start});
        Loops[loop] = {count, start};
    }

    void SetDepth(int depth)
    {
        Record({TUndoKind::Depth, 0, LoopDepth, 0});
        LoopDepth = depth;
    }

    void UndoTo(std::size_t mark)
    {
        while (Trail.size() > mark) {
            const TUndo& undo = Trail.back();
            switch (undo.Kind) {
            case TUndoKind::Slot:
                Slots[undo.Index] = undo.First;
                break;
            case TUndoKind::Opened:
                Opened[undo.Index] = undo.First;
                break;
            case TUndoKind::Loop:
                Loops[undo.Index] = {undo.First, undo.Second};
                break;
            case TUndoKind::Depth:
                LoopDepth = undo.First;
                break;
            }
            Trail.pop_back();
        }
    }

    bool Same(char32_t a, char32_t b, bool fold) const { return a == b || (fold && SameIgnoringCase(a, b)); }

    bool InSet(const TReCharSet& set, char32_t c, bool fold) const
    {
        bool found = set.Contains(c);
        if (!found && fold) {
            found = set.Contains(Platform::FoldCodePoint(c)) || set.Contains(Platform::UpperCodePoint(c));
        }
        return found != set.Negated;
    }

    bool IsLineSeparator(char32_t c) const { return Program.LineSeparators.find(c) != std::u32string::npos; }

    bool PairAt(int pos) const
    {
        const auto& pair = Program.LinePairedSeparator;
        return pair.size() == 2 && pos >= 0 && pos + 1 < Size() && Text[pos] == pair[0] && Text[pos + 1] == pair[1];
    }

    bool AtLineStart(int pos, bool multiLine) const
    {
        if (pos == 0) {
            return true;
        }
        if (!multiLine || PairAt(pos - 1)) {
            return false;
        }
        return IsLineSeparator(Text[pos - 1]) || PairAt(pos - 2);
    }

    bool AtLineEnd(int pos, bool multiLine) const
    {
        if (pos == Size()) {
            return true;
        }
        if (!multiLine || PairAt(pos - 1)) {
            return false;
        }
        return IsLineSeparator(Text[pos]) || PairAt(pos);
    }

    bool IsWordChar(int pos) const
    {
        return pos >= 0 && pos < Size() && Program.WordChars.find(Text[pos]) != std::u32string::npos;
    }

    // Whether the single-character instruction matches the character at pos.
    bool MatchesOne(const TReInstr& instr, int pos) const
    {
        if (pos >= Size()) {
            return false;
        }
        const char32_t c = Text[pos];
        switch (instr.Op) {
        case TReOp::Char:
            return Same(c, instr.Ch, instr.Fold);
        case TReOp::Any:
            return instr.Flag || (!IsLineSeparator(c) && !PairAt(pos));
        case TReOp::Set:
            return InSet(Program.Sets[instr.A], c, instr.Fold);
        default:
            return false;
        }
    }

    // Length of the back reference's text matched at pos, or -1.
    int MatchBackRef(const TReInstr& instr, int pos) const
    {
        const int start = Slots[2 * static_cast<std::size_t>(instr.A)];
        const int end = Slots[2 * instr.A + 1];
        if (start < 0 || end < start) {
            return -1;
        }
        const int length = end - start;
        if (pos + length > Size()) {
            return -1;
        }
        for (int i = 0; i < length; ++i) {
            if (!Same(Text[pos + i], Text[start + i], instr.Fold)) {
                return -1;
            }
        }
        return length;
    }

    bool Run(int start)
    {
        Slots.assign(2 * ReMaxGroups + 2, -1);
        Opened.assign(ReMaxGroups + 1, -1);
        Loops.assign(Program.LoopCount, TLoopState{});
        LoopDepth = 0;
        Trail.clear();
        Choices.clear();
        int pc = 0;
        int pos = start;
        for (;;) {
            Step();
            if (Execute(pc, pos)) {
                if (Program.Code[pc].Op == TReOp::Match) {
                    return true;
                }
                continue;
            }
            if (!Backtrack(pc, pos)) {
                return false;
            }
        }
    }

    // Runs one instruction; false when it fails. On success pc and pos point to what follows.
    bool Execute(int& pc, int& pos)
    {
        const TReInstr& instr = Program.Code[pc];
        switch (instr.Op) {
        case TReOp::Char:
        case TReOp::Any:
        case TReOp::Set:
            if (!MatchesOne(instr, pos)) {
                return false;
            }
            ++pos;
            ++pc;
            return true;
        case TReOp::LineStart:
            return AtLineStart(pos, instr.Flag) && (++pc, true);
        case TReOp::LineEnd:
            return AtLineEnd(pos, instr.Flag) && (++pc, true);
        case TReOp::TextStart:
            return pos == 0 && (++pc, true);
        case TReOp::TextEnd:
            return pos == Size() && (++pc, true);
        case TReOp::WordBoundary:
            return ((IsWordChar(pos - 1) != IsWordChar(pos)) != instr.Flag) && (++pc, true);
        case TReOp::BackRef: {
            const int length = MatchBackRef(instr, pos);
            if (length < 0) {
                return false;
            }
            pos += length;
            ++pc;
            return true;
        }
        case TReOp::Save:
            SaveGroupBound(instr.A, pos);
            ++pc;
            return true;
        case TReOp::Split:
            PushChoice(TChoiceKind::Resume, instr.B, pos);
            pc = instr.A;
            return true;
        case TReOp::Jump:
            pc = instr.A;
            return true;
        case TReOp::RepeatSimple:
            return RepeatSimple(pc, pos);
        case TReOp::LoopEnter:
            if (LoopDepth >= ReMaxLoopDepth) {
                throw TReExecFailure{1014, false};
            }
            SetDepth(LoopDepth + 1);
            SetLoop(instr.A, 0, -1);
            ++pc;
            return true;
        case TReOp::LoopTest:
            LoopTest(pc, pos);
            return true;
        case TReOp::LoopLeave:
            SetDepth(LoopDepth - 1);
            ++pc;
            return true;
        case TReOp::Match:
            return true;
        }
        return false;
    }

    bool RepeatSimple(int& pc, int& pos)
    {
        const TReInstr& instr = Program.Code[pc];
        const TReInstr& atom = Program.Code[pc + 1];
        int count = 0;
        const int wanted = instr.Flag ? instr.C : instr.B;
        while (count < wanted && MatchesOne(atom, pos + count)) {
            ++count;
            Step();
        }
        if (count < instr.B) {
            return false;
        }
        if (instr.Flag && count > instr.B) {
            PushChoice(TChoiceKind::FewerChars, pc, pos, count);
        } else if (!instr.Flag && count < instr.C) {
            PushChoice(TChoiceKind::MoreChars, pc, pos, count);
        }
        pos += count;
        pc += 2;
        return true;
    }

    void EnterIteration(int& pc, int pos, const TReInstr& test)
    {
        SetLoop(test.A, Loops[test.A].Count + 1, pos);
        ++pc;
    }

    // An iteration that consumed nothing would repeat forever: the loop counts as done.
    void LoopTest(int& pc, int pos)
    {
        const TReInstr& test = Program.Code[pc];
        const TLoopState& state = Loops[test.A];
        const bool emptyIteration = state.Count > 0 && state.Start == pos;
        if (emptyIteration || state.Count >= test.C) {
            pc = test.D;
        } else if (state.Count < test.B) {
            EnterIteration(pc, pos, test);
        } else if (test.Flag) {
            PushChoice(TChoiceKind::Resume, test.D, pos);
            EnterIteration(pc, pos, test);
        } else {
            PushChoice(TChoiceKind::Iterate, pc, pos);
            pc = test.D;
        }
    }

    bool Backtrack(int& pc, int& pos)
    {
        while (!Choices.empty()) {
            Step();
            TChoice choice = Choices.back();
            Choices.pop_back();
            UndoTo(choice.Trail);
            switch (choice.Kind) {
            case TChoiceKind::Resume:
                pc = choice.Pc;
                pos = choice.Pos;
                return true;
            case TChoiceKind::Iterate:
                pc = choice.Pc;
                pos = choice.Pos;
                EnterIteration(pc, pos, Program.Code[pc]);
                return true;
            case TChoiceKind::FewerChars: {
                const TReInstr& instr = Program.Code[choice.Pc];
                const int count = choice.Count - 1;
                if (count > instr.B) {
                    PushChoice(TChoiceKind::FewerChars, choice.Pc, choice.Pos, count);
                }
                pc = choice.Pc + 2;
                pos = choice.Pos + count;
                return true;
            }
            case TChoiceKind::MoreChars: {
                const TReInstr& instr = Program.Code[choice.Pc];
                if (!MatchesOne(Program.Code[choice.Pc + 1], choice.Pos + choice.Count)) {
                    continue;
                }
                const int count = choice.Count + 1;
                if (count < instr.C) {
                    PushChoice(TChoiceKind::MoreChars, choice.Pc, choice.Pos, count);
                }
                pc = choice.Pc + 2;
                pos = choice.Pos + count;
                return true;
            }
            }
        }
        return false;
    }
};

} // namespace

TReMatchResult RunRegExpr(const TRegExprProgram& program, const std::u32string& text, long stepLimit)
{
    TMatcher matcher(program, text, stepLimit);
    return matcher.Search();
}
