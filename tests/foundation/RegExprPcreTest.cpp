// Differential test: our engine against pcre2test on the part of the dialect both share.
// Random expressions come from a small grammar with a fixed seed, so failures reproduce.

#include "PeerTools.h"
#include "foundation/CodePoints.h"
#include "foundation/RegExpr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* Pcre2Test = "/usr/bin/pcre2test";

struct TDiffCase
{
    std::string Expression;
    std::vector<std::string> Subjects;
};

std::string HexEscape(char32_t cp)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "\\x{%02x}", static_cast<unsigned>(cp));
    return buffer;
}

// How pcre2test shows matched text: printable ASCII as it is, everything else as \x{hex}.
std::string Shown(const std::string& utf8)
{
    std::string out;
    for (char32_t cp : ToCodePoints(utf8)) {
        out += cp >= 0x20 && cp < 0x7F ? std::string(1, static_cast<char>(cp)) : HexEscape(cp);
    }
    return out;
}

// A subject line for pcre2test: every character that is not a letter or digit escaped; a lone
// backslash is the empty subject (a blank line would end the list).
std::string SubjectLine(const std::string& subject)
{
    std::string line = subject.empty() ? "    \\" : "    ";
    for (char32_t cp : ToCodePoints(subject)) {
        const bool plain = (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9');
        line += plain ? std::string(1, static_cast<char>(cp)) : HexEscape(cp);
    }
    return line;
}

// Our result in pcre2test's shape: " 0: text" per slot up to the last one set, or "No match".
std::vector<std::string> OurResult(const std::string& expression, const std::string& subject)
{
    TRegExpr re;
    re.SetExpression(expression);
    if (!re.Exec(subject)) {
        return {"No match"};
    }
    int last = 0;
    for (int slot = 0; slot < TRegExpr::SlotCount; ++slot) {
        if (re.MatchPos(slot) >= 0) {
            last = slot;
        }
    }
    std::vector<std::string> lines;
    for (int slot = 0; slot <= last; ++slot) {
        const std::string number = slot < 10 ? " " + std::to_string(slot) : std::to_string(slot);
        lines.push_back(number + ": " + (re.MatchPos(slot) < 0 ? "<unset>" : Shown(re.Match(slot))));
    }
    return lines;
}

// pcre2test's results per subject, in order. The subjects are bytes, so the utf modifier keeps
// pcre2 per code point like us; dotall and dollar_endonly give our default modifiers.
std::vector<std::vector<std::string>> Pcre2Results(const std::vector<TDiffCase>& cases)
{
    char dirTemplate[] = "/tmp/tessaro-pcre-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir) {
        return {};
    }
    const std::string input = std::string(dir) + "/in.txt";
    const std::string output = std::string(dir) + "/out.txt";
    {
        std::ofstream in(input, std::ios::binary);
        for (const auto& c : cases) {
            in << "/" << c.Expression << "/utf,dotall,dollar_endonly,newline=anycrlf\n";
            for (const auto& subject : c.Subjects) {
                in << SubjectLine(subject) << "\n";
            }
            in << "\n";
        }
    }
    const std::string command = std::string(Pcre2Test) + " -q " + input + " " + output;
    const int rc = std::system(command.c_str());
    std::vector<std::vector<std::string>> results;
    std::ifstream out(output, std::ios::binary);
    std::string line;
    while (rc == 0 && std::getline(out, line)) {
        if (line.rfind("    ", 0) == 0) {
            results.emplace_back();
        } else if (!results.empty() && (line == "No match" || (line.size() > 3 && line[2] == ':'))) {
            results.back().push_back(line);
        } else if (line.rfind("Failed", 0) == 0) {
            ADD_FAILURE() << "pcre2 rejects a shared expression: " << line;
        }
    }
    std::filesystem::remove_all(dir);
    return results;
}

void ExpectSameResults(const std::vector<TDiffCase>& cases)
{
    if (!RequirePeer(Pcre2Test)) {
        return;
    }
    const auto theirs = Pcre2Results(cases);
    std::size_t index = 0;
    for (const auto& c : cases) {
        for (const auto& subject : c.Subjects) {
            ASSERT_LT(index, theirs.size()) << "pcre2test gave fewer results";
            EXPECT_EQ(OurResult(c.Expression, subject), theirs[index])
                << "expression /" << c.Expression << "/ on \"" << subject << "\"";
            ++index;
        }
    }
    EXPECT_EQ(index, theirs.size());
}

const std::vector<TDiffCase> SharedCases = {
    {"a{2,3}", {"aaaa", "a", "xaay"}},
    {"a{2,3}?", {"aaaa"}},
    {"(a|ab)(c|bcd)(d*)", {"abcd", "abcbcd"}},
    {"^(a+)+$", {"aaaa", "aaab"}},
    {"(\\w+)\\s+\\1", {"hello hello", "ab abc", "x y"}},
    {"(?i)straße|ÄÖÜ", {"STRAßE", "äöü", "xÄöÜ"}},
    {"[à-ÿ]+", {"café crème", "CAFÉ"}},
    {"(?i)[à-ÿ]+", {"CAFÉ"}},
    {"(?i)σ+", {"ΣσΣ", "xσ"}},
    {"(?i)привет", {"ПРИВЕТ мир"}},
    {".\\.txt$", {"é.txt", "a.txt\n"}},
    {"\\bfoo\\B", {"foobar foo", "a foob"}},
    {"[]a-c]+|[^\\d\\s]+", {"]]ab", "12 xy"}},
    {"\\x41\\x{42}[\\x{61}-\\x63]", {"ABb", "ABd"}},
    {"(a)|(b)|(c)", {"c", "b"}},
    {"((a)|b)+", {"abab", "ba"}},
    {"(a*?)(a+)", {"aaa"}},
    {"(?i)a(?-i)b|c", {"Ab", "AB", "C"}},
    {"((?i)a)b", {"Ab", "AB"}},
    {"x(?s).", {"x\n"}},
    {"(?m)^b$", {"a\nb\nc", "a\r\nb"}},
    {"a.c", {"a\nc", "abc"}},
    {"(ab){2,}?c", {"ababababc"}},
    {"(a|b|)c", {"c", "bc"}},
    {".*b|.*?c", {"aab", "a\nbc", "c", ""}},
    {"(?-s).*b", {"a\nab", "a\n"}},
    {"(.*)\\1x",
     {"zabab"
      "x",
      "aax"}},
    {"(a|b\\1)+", {"aba", "abab", "bab"}},
    {"([]b]|\\1A\\1){1,3}", {"bAb", "bbAb"}},
};

TEST(RegExprPcre, SharedCasesGiveTheSameMatches)
{
    ExpectSameResults(SharedCases);
}

// Random expressions of the shared dialect: literals, ".", classes, sets, groups, alternation,
// anchors, greedy and lazy quantifiers on atoms that cannot match the empty text.
class TExpressionGenerator
{
public:
    explicit TExpressionGenerator(unsigned seed) : Random(seed) {}

    std::string Expression()
    {
        Groups = 0;
        static const char* const Prefixes[] = {"", "", "", "", "(?i)", "(?-s)"};
        return Prefixes[Pick(std::size(Prefixes))] + Alternation(0).Text;
    }

    std::string Subject()
    {
        static const std::string Alphabet[] = {"a", "b", "c", "A", "B", "1", " ", "_", "-", "\n", "é", "É"};
        std::string subject;
        const int length = Pick(12);
        for (int i = 0; i < length; ++i) {
            subject += Alphabet[Pick(std::size(Alphabet))];
        }
        return subject;
    }

private:
    struct TPiece
    {
        std::string Text;
        bool HasWidth;
        bool Quantifiable = true; // pcre2 refuses a quantifier on an anchor
    };

    std::mt19937 Random;
    int Groups = 0;

    int Pick(std::size_t count) { return static_cast<int>(Random() % count); }

    TPiece Alternation(int depth)
    {
        TPiece result = Branch(depth);
        while (Pick(4) == 0) {
            const TPiece next = Branch(depth);
            result.Text += "|" + next.Text;
            result.HasWidth = result.HasWidth && next.HasWidth;
        }
        return result;
    }

    TPiece Branch(int depth)
    {
        TPiece result{"", false};
        const int pieces = 1 + Pick(4);
        for (int i = 0; i < pieces; ++i) {
            const TPiece piece = Piece(depth);
            result.Text += piece.Text;
            result.HasWidth = result.HasWidth || piece.HasWidth;
        }
        return result;
    }

    TPiece Piece(int depth)
    {
        TPiece atom = Atom(depth);
        static const char* const Quantifiers[] = {"*", "+", "?", "{2}", "{1,}", "{0,2}", "{1,3}"};
        if (Pick(3) != 0 || !atom.Quantifiable) {
            return atom;
        }
        const std::string quantifier = atom.HasWidth ? Quantifiers[Pick(std::size(Quantifiers))] : "?";
        const bool optional = quantifier == "*" || quantifier == "?" || quantifier == "{0,2}";
        atom.Text += quantifier + (Pick(3) == 0 ? "?" : "");
        atom.HasWidth = atom.HasWidth && !optional;
        return atom;
    }

    TPiece Atom(int depth)
    {
        static const char* const Literals[] = {"a", "b", "c", "A", "\\x31", "é", "\\-", "\\.", "\\n", " "};
        static const char* const Classes[] = {".", "\\d", "\\w", "\\s", "\\D", "\\W", "\\S"};
        static const char* const Sets[] = {"[abc]", "[^a]", "[a-c]", "[-a]", "[]b]", "[\\d_]", "[^\\w]", "[é-ë]"};
        static const char* const Anchors[] = {"^", "$", "\\b", "\\B"};
        switch (Pick(11)) {
        case 0:
        case 1:
            if (depth < 3 && Groups < 14) {
                ++Groups;
                const TPiece body = Alternation(depth + 1);
                return {"(" + body.Text + ")", body.HasWidth};
            }
            return {"a", true};
        case 2:
            return {Classes[Pick(std::size(Classes))], true};
        case 3:
            return {Sets[Pick(std::size(Sets))], true};
        case 4:
            return {Anchors[Pick(std::size(Anchors))], false, false};
        case 5:
            if (Groups > 0) {
                return {"\\" + std::to_string(1 + Pick(Groups)), false, false};
            }
            return {"b", true};
        default:
            return {Literals[Pick(std::size(Literals))], true};
        }
    }
};

TEST(RegExprPcre, RandomExpressionsGiveTheSameMatches)
{
    TExpressionGenerator generator(20261208);
    std::vector<TDiffCase> cases;
    for (int i = 0; i < 3000; ++i) {
        TDiffCase c{generator.Expression(), {}};
        for (int k = 0; k < 4; ++k) {
            c.Subjects.push_back(generator.Subject());
        }
        cases.push_back(std::move(c));
    }
    ExpectSameResults(cases);
}

} // namespace
