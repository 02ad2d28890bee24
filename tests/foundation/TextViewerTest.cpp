#include "foundation/TextViewer.h"
#include "TempFolder.h"
#include "foundation/HtmlHelp.h"
#include "foundation/IniFile.h"
#include "foundation/ScriptedMessageDialogs.h"

#include <filesystem>
#include <gtest/gtest.h>

// The text viewer's caret, search and print layout, and the help loader's path finding.

TEST(TextViewer, CaretLineAndStatus)
{
    EXPECT_EQ(StartCaretLine(40, 100), 39);
    EXPECT_EQ(StartCaretLine(0, 100), 99);
    EXPECT_EQ(StartCaretLine(101, 100), 99);
    EXPECT_EQ(StartCaretLine(1, 0), 0);
    EXPECT_EQ(LineStatusText(40, 100), " Line: 40 of 100");
}

TEST(TextViewer, SearchFindsDownwardsAfterAndUpwardsBeforeTheSelection)
{
    const std::u16string text = u"Run 1\n    *** error A\nRun 2\n    *** error B\nend";
    const std::u16string tag = u"    *** ";
    TSearchOptions down{true, false, false};
    auto first = SearchText(text, tag, 0, 0, down);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, 6u);
    auto second = SearchText(text, tag, *first, tag.size(), down);
    ASSERT_TRUE(second);
    EXPECT_GT(*second, *first);
    EXPECT_FALSE(SearchText(text, tag, *second, tag.size(), down)); // no further error

    TSearchOptions up{false, false, false};
    auto back = SearchText(text, tag, *second, tag.size(), up);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, *first);
    EXPECT_FALSE(SearchText(text, tag, *first, tag.size(), up));

    EXPECT_TRUE(SearchText(text, u"ERROR b", 0, 0, down));
    EXPECT_FALSE(SearchText(text, u"ERROR b", 0, 0, {true, true, false}));
    EXPECT_FALSE(SearchText(text, u"err", 0, 0, {true, false, true})); // part of a word
    EXPECT_TRUE(SearchText(text, u"error", 0, 0, {true, false, true}));
    EXPECT_TRUE(SearchText(u"Größe ÄRGER", u"ärger", 0, 0, down));
    EXPECT_FALSE(SearchText(text, u"", 0, 0, down));
}

TEST(TextViewer, PrintSettingsDefaultsAndIni)
{
    TPrintSettings settings;
    EXPECT_EQ(settings.LeftMargin, 200); // 20 mm
    EXPECT_EQ(settings.RightMargin, 100);
    EXPECT_EQ(settings.FontHeight(), 35); // 3.5 mm
    TIniFile ini;
    ini.WriteInteger("Print", "LeftMargin", 250);
    ini.WriteString("Print", "FontName", "DejaVu Sans Mono");
    settings.Read(ini, "Print");
    EXPECT_EQ(settings.LeftMargin, 250);
    EXPECT_EQ(settings.TopMargin, 150);
    EXPECT_EQ(settings.FontName, "DejaVu Sans Mono");
    TIniFile written;
    settings.Write(written, "Print");
    EXPECT_EQ(written.ReadSection("Print").size(), 6u);
    EXPECT_EQ(PrinterPageSize(0, 0).Height, 2900);
    EXPECT_EQ(PrinterPageSize(210, 297).Width, 2100);
}

TEST(TextViewer, LongLinesBreakAtBlanksAndAlwaysMakeProgress)
{
    const TTextWidth tenEach = [](std::string_view text) { return static_cast<int>(text.size()) * 10; };
    const auto parts = BreakPrintLine("Copy: C:\\Data\\Reports\\annual report.odt", tenEach, 150);
    ASSERT_GE(parts.size(), 3u);
    EXPECT_EQ(parts[0], "Copy: C:\\Data\\");
    for (size_t i = 1; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].rfind("* ", 0), 0u) << parts[i];
        EXPECT_LE(tenEach(parts[i]), 150) << parts[i];
    }
    std::string joined = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) {
        joined += parts[i].substr(2);
    }
    EXPECT_EQ(joined, "Copy: C:\\Data\\Reports\\annual report.odt");

    // No blank: cut where it fits. Zero width: one character per part, still ending.
    EXPECT_EQ(BreakPrintLine("abcdefgh", tenEach, 50), (std::vector<std::string>{"abcde", "* fgh"}));
    EXPECT_EQ(BreakPrintLine("abc", tenEach, 0).size(), 3u);
    EXPECT_EQ(BreakPrintLine("äöü", tenEach, 0).front(), "ä"); // never splits a character
    EXPECT_EQ(BreakPrintLine("", tenEach, 0), std::vector<std::string>{""});
}

TEST(TextViewer, PagesGetAHeaderAndEndAtTheBottomMargin)
{
    TPrintSettings settings;
    const TPageSize page;
    std::vector<std::string> lines(200, "line");
    const auto pages = LayoutPrintPages(lines, settings, page);
    // Lines start at 150 + 38 + 3 + 20 = 211, 38 apart, while above 2900 - 150: 67 a page.
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].Lines.size(), 67u);
    EXPECT_EQ(pages[2].Number, 3);
    EXPECT_EQ(pages[1].Lines.front().Y, settings.TopMargin + 38 + 3 + 20);
    for (const auto& printed : pages) {
        EXPECT_LT(printed.Lines.back().Y, page.Height - settings.BottomMargin);
    }
    EXPECT_TRUE(LayoutPrintPages({}, settings, page).empty());
    EXPECT_EQ(PrintPageText(2), "Page: 2");
    EXPECT_LE(PrintHeaderCaption(std::string(100, 'x')).size(), 72u);
}

TEST(HtmlHelp, FolderTokenAndPages)
{
    EXPECT_EQ(ExpandSystemRoot("%SystemRoot%\\share\\help", "C:\\usr\\"), "C:\\usr\\share\\help");
    EXPECT_EQ(ExpandSystemRoot("%SYSTEMROOT%x", "C:\\usr"), "C:\\usrx");
    EXPECT_EQ(ExpandSystemRoot("%WINDIR%\\help", "C:\\usr"), "%WINDIR%\\help");

    TTempFolder dir;
    std::filesystem::create_directories(dir.Host("help/en"));
    std::filesystem::create_directories(dir.Host("help/de"));
    dir.WriteHostFile("help/en/index.html", "<html></html>");
    dir.WriteHostFile("help/en/tasks.html", "<html></html>");
    dir.WriteHostFile("help/de/index.html", "<html></html>");
    // Another variable is not expanded, so the fallback is used.
    EXPECT_EQ(FindHelpFolder("%WINDIR%\\help", "C:\\usr", {dir.Win("none"), dir.Win("help")}), dir.Win("help"));
    EXPECT_EQ(FindHelpFolder("", "C:\\usr", {dir.Win("none")}), "");
    EXPECT_EQ(HelpPageFile(dir.Win("help"), "de", "index"), dir.Win("help\\de\\index.html"));
    EXPECT_EQ(HelpPageFile(dir.Win("help"), "de", "tasks"), dir.Win("help\\en\\tasks.html"));
    EXPECT_EQ(HelpPageFile(dir.Win("help"), "de", "missing"), "");
    EXPECT_EQ(HelpPageFile(dir.Win("help"), "de", "..\\..\\etc"), "");

    // The program's own pages exist in both languages.
    const std::string source = std::string(TESSARO_SOURCE_DIR) + "/resources/help";
    for (const char* topic : {"index", "tasks", "run", "log", "restore", "cleanup", "commandline"}) {
        EXPECT_TRUE(std::filesystem::exists(source + "/en/" + topic + ".html")) << topic;
        EXPECT_TRUE(std::filesystem::exists(source + "/de/" + topic + ".html")) << topic;
    }
}

TEST(HtmlHelp, WithoutAViewerTheUserIsTold)
{
    TScriptedMessageDialogs boxes;
    SetHelpViewer({}, {});
    EXPECT_FALSE(HtmlHelp("index"));
    EXPECT_EQ(boxes.LastText(), "Help is not available on this system!");
    std::string shown;
    SetHelpViewer([&shown](const std::string& page) { shown = page; }, {});
    ASSERT_TRUE(LoadHtmlHelp());
    EXPECT_TRUE(HtmlHelpLoaded());
    EXPECT_TRUE(HtmlHelp("index"));
    EXPECT_NE(shown.find("index.html"), std::string::npos);
    SetHelpViewer({}, {});
}
