#pragma once

// What the text viewer does apart from its window: where the caret starts, the line
// status, searching (also for the log's section and error tags), the print settings and
// the layout of printed pages.
//
// Text positions are UTF-16 code units, as the window's text control counts them.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TIniFile;

// The 0-based line the caret starts on: startLine (1-based) when it lies in the text,
// else the last line.
int StartCaretLine(int startLine, int lineCount);

// " Line: 40 of 100" (translated).
std::string LineStatusText(int line, int lineCount);

struct TSearchOptions
{
    bool Down = true;
    bool MatchCase = false;
    bool WholeWord = false;
};

// Downwards the search starts after the selection, upwards a match ends at the selection
// start at the latest. The position of the match, nullopt when there is none.
std::optional<std::size_t> SearchText(std::u16string_view text, std::u16string_view what, std::size_t selStart,
                                      std::size_t selLength, const TSearchOptions& options);

// Print settings in 0.1 mm, kept in a section of the settings file.
struct TPrintSettings
{
    int LeftMargin = 200;
    int TopMargin = 150;
    int RightMargin = 100;
    int BottomMargin = 150;
    std::string FontName = "Courier New";
    int FontSize = 10; // points

    void Read(const TIniFile& ini, const std::string& section);
    void Write(TIniFile& ini, const std::string& section) const;
    // round(FontSize × 3.53), in 0.1 mm.
    int FontHeight() const;
};

// The page size in 0.1 mm; a printer that reports no size gets 2000 × 2900.
struct TPageSize
{
    int Width = 2000;
    int Height = 2900;
};
TPageSize PrinterPageSize(int widthMm, int heightMm);

// Measures a text in 0.1 mm.
using TTextWidth = std::function<int(std::string_view text)>;

// Breaks a line wider than maxWidth after a blank or a backslash so that each part fits;
// continuation parts begin with "* ". A part that no blank or backslash lets fit is cut
// at the last character that fits, at least one character per part, so that a narrow
// page or a zero width still ends.
std::vector<std::string> BreakPrintLine(const std::string& line, const TTextWidth& width, int maxWidth);

struct TPrintedLine
{
    int Y = 0; // top of the line, 0.1 mm from the top of the page
    std::string Text;
};

struct TPrintedPage
{
    int Number = 1;
    int HeaderY = 0; // where the header line and its rule go
    int RuleY = 0;
    std::vector<TPrintedLine> Lines;
};

// Lays out the lines (already broken) on pages: a header with the page number at the top
// margin of each page, then lines until the bottom margin is reached.
std::vector<TPrintedPage> LayoutPrintPages(const std::vector<std::string>& lines, const TPrintSettings& settings,
                                           const TPageSize& page);

// The header of a printed page: the caption shortened to 72 characters, "Page: %u".
std::string PrintHeaderCaption(const std::string& caption);
std::string PrintPageText(int page);
