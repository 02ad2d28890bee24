#include "foundation/TextViewer.h"

#include "foundation/CodePoints.h"
#include "foundation/IniFile.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cmath>

namespace {

std::string FillUnsigned(std::string text, long long value)
{
    const size_t at = text.find("%u");
    if (at != std::string::npos) {
        text.replace(at, 2, std::to_string(value));
    }
    return text;
}

bool IsSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

bool SameUnit(char16_t a, char16_t b, bool matchCase)
{
    if (a == b) {
        return true;
    }
    return !matchCase && !IsSurrogate(a) && !IsSurrogate(b) && SameIgnoringCase(a, b);
}

bool IsWordUnit(char16_t unit)
{
    if (unit < 128) {
        return (unit >= '0' && unit <= '9') || (unit >= 'A' && unit <= 'Z') || (unit >= 'a' && unit <= 'z') ||
               unit == '_';
    }
    return unit >= 0xC0 && unit != 0xD7 && unit != 0xF7;
}

bool MatchesAt(std::u16string_view text, std::u16string_view what, std::size_t at, const TSearchOptions& options)
{
    for (std::size_t i = 0; i < what.size(); ++i) {
        if (!SameUnit(text[at + i], what[i], options.MatchCase)) {
            return false;
        }
    }
    if (options.WholeWord) {
        const std::size_t end = at + what.size();
        if ((at > 0 && IsWordUnit(text[at - 1])) || (end < text.size() && IsWordUnit(text[end]))) {
            return false;
        }
    }
    return true;
}

// The longest start of text (whole code points) that fits after prefix; only ends after a
// blank or a backslash count when onlyAtBreaks. 0 when none fits.
std::size_t FittingPrefix(const std::string& prefix, const std::string& text, const TTextWidth& width, int maxWidth,
                          bool onlyAtBreaks)
{
    std::size_t best = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t next = pos;
        const char32_t cp = Platform::NextCodePoint(text, next);
        if (next <= pos) {
            next = pos + 1;
        }
        const bool breakHere = cp == ' ' || cp == '\\';
        if (width(prefix + text.substr(0, next)) > maxWidth) {
            break;
        }
        if (!onlyAtBreaks || breakHere) {
            best = next;
        }
        pos = next;
    }
    return best;
}

} // namespace

int StartCaretLine(int startLine, int lineCount)
{
    const int last = std::max(lineCount - 1, 0);
    return startLine >= 1 && startLine <= lineCount ? startLine - 1 : last;
}

std::string LineStatusText(int line, int lineCount)
{
    return FillUnsigned(FillUnsigned(TrDialogs(" Line: %u of %u"), line), lineCount);
}

std::optional<std::size_t> SearchText(std::u16string_view text, std::u16string_view what, std::size_t selStart,
                                      std::size_t selLength, const TSearchOptions& options)
{
    if (what.empty() || what.size() > text.size()) {
        return std::nullopt;
    }
    const std::size_t lastStart = text.size() - what.size();
    if (options.Down) {
        for (std::size_t at = std::min(selStart + selLength, text.size()); at <= lastStart; ++at) {
            if (MatchesAt(text, what, at, options)) {
                return at;
            }
        }
        return std::nullopt;
    }
    if (selStart < what.size()) {
        return std::nullopt;
    }
    for (std::size_t at = std::min(selStart - what.size(), lastStart) + 1; at-- > 0;) {
        if (MatchesAt(text, what, at, options)) {
            return at;
        }
    }
    return std::nullopt;
}

void TPrintSettings::Read(const TIniFile& ini, const std::string& section)
{
    TopMargin = ini.ReadInteger(section, "TopMargin", TopMargin);
    BottomMargin = ini.ReadInteger(section, "BottomMargin", BottomMargin);
    LeftMargin = ini.ReadInteger(section, "LeftMargin", LeftMargin);
    RightMargin = ini.ReadInteger(section, "RightMargin", RightMargin);
    FontName = ini.ReadString(section, "FontName", FontName);
    FontSize = ini.ReadInteger(section, "FontSize", FontSize);
}

void TPrintSettings::Write(TIniFile& ini, const std::string& section) const
{
    ini.WriteInteger(section, "TopMargin", TopMargin);
    ini.WriteInteger(section, "BottomMargin", BottomMargin);
    ini.WriteInteger(section, "LeftMargin", LeftMargin);
    ini.WriteInteger(section, "RightMargin", RightMargin);
    ini.WriteString(section, "FontName", FontName);
    ini.WriteInteger(section, "FontSize", FontSize);
}

int TPrintSettings::FontHeight() const
{
    return static_cast<int>(std::nearbyint(FontSize * 3.53));
}

TPageSize PrinterPageSize(int widthMm, int heightMm)
{
    if (widthMm <= 0 || heightMm <= 0) {
        return {};
    }
    return {widthMm * 10, heightMm * 10};
}

std::vector<std::string> BreakPrintLine(const std::string& line, const TTextWidth& width, int maxWidth)
{
    std::vector<std::string> parts;
    std::string rest = line;
    std::string prefix;
    while (true) {
        if (width(prefix + rest) <= maxWidth || rest.empty()) {
            parts.push_back(prefix + rest);
            return parts;
        }
        std::size_t cut = FittingPrefix(prefix, rest, width, maxWidth, true);
        if (cut == 0) {
            cut = FittingPrefix(prefix, rest, width, maxWidth, false);
        }
        if (cut == 0) {
            // Not even one character fits: print one anyway so that the line comes to an end.
            cut = 0;
            Platform::NextCodePoint(rest, cut);
            cut = std::max<std::size_t>(cut, 1);
        }
        parts.push_back(prefix + rest.substr(0, cut));
        rest.erase(0, cut);
        if (rest.empty()) {
            return parts;
        }
        prefix = "* ";
    }
}

std::vector<TPrintedPage> LayoutPrintPages(const std::vector<std::string>& lines, const TPrintSettings& settings,
                                           const TPageSize& page)
{
    const int lineAdvance = settings.FontHeight() + 3;
    const int bottomLimit = page.Height - settings.BottomMargin;
    std::vector<TPrintedPage> pages;
    int y = settings.TopMargin;
    for (const std::string& text : lines) {
        if (pages.empty() || y >= bottomLimit) {
            TPrintedPage next;
            next.Number = static_cast<int>(pages.size()) + 1;
            next.HeaderY = settings.TopMargin;
            next.RuleY = settings.TopMargin + lineAdvance + 3;
            pages.push_back(next);
            y = next.RuleY + 20;
        }
        pages.back().Lines.push_back({y, text});
        y += lineAdvance;
    }
    return pages;
}

std::string PrintHeaderCaption(const std::string& caption)
{
    return ShortenPath(caption, 72);
}

std::string PrintPageText(int page)
{
    return FillUnsigned(TrDialogs("Page: %u"), page);
}
