#include "ui/foundation/ShowtextDialog.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

// The log viewer on real files: line and error walking, erasing, and printing to a PDF
// that poppler's pdftotext reads back.

namespace {

std::string LogOfLines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i) {
        if (i % 25 == 1) {
            text += "Tessaro (Vers. 0.1) Data backup " + std::to_string(i) + "\n";
        }
        text += (i == 30 || i == 70 ? "    *** Read error: C:\\data\\f" : "      Copy: C:\\data\\f") +
                std::to_string(i) + ".txt\n";
    }
    return text;
}

std::string Command(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
            output.append(buffer, n);
        }
        pclose(pipe);
    }
    return output;
}

void CloseWhenShown(TShowtextDialog& viewer, std::function<void()> step)
{
    QTimer::singleShot(50, &viewer, [&viewer, step] {
        step();
        viewer.done(2);
    });
}

TShowtextTags LogTags()
{
    TShowtextTags tags;
    tags.Section = "Tessaro (";
    tags.Error = "    *** ";
    return tags;
}

} // namespace

TEST(ShowtextDialog, StartsAtTheLineAndWalksErrors)
{
    TTempFolder dir;
    std::string text;
    for (int i = 1; i <= 100; ++i) {
        text += (i == 10 || i == 60 ? "    *** error " : "line ") + std::to_string(i) + "\n";
    }
    dir.WriteHostFile("t.log", text);
    TShowtextDialog viewer;
    CloseWhenShown(viewer, [&] {
        EXPECT_EQ(viewer.StatusText(0), " Line: 40 of 100");
        viewer.GoToTag(true, true);
        EXPECT_EQ(viewer.CaretLine(), 60);
        viewer.GoToTag(true, true);
        EXPECT_EQ(viewer.StatusText(1), "No more errors!");
        viewer.GoToTag(true, false);
        EXPECT_EQ(viewer.CaretLine(), 60);
        viewer.GoToTag(true, false);
        EXPECT_EQ(viewer.CaretLine(), 10);
        viewer.GoToTag(false, false);
        EXPECT_EQ(viewer.StatusText(1), "No more sections!");
    });
    ASSERT_TRUE(viewer.Execute(dir.Win("t.log"), {10, 10}, 40, 31, 1, LogTags()));

    CloseWhenShown(viewer, [&] { EXPECT_EQ(viewer.StatusText(0), " Line: 100 of 100"); });
    viewer.Execute(dir.Win("t.log"), {10, 10}, 0, 31, 1, LogTags());
}

TEST(ShowtextDialog, EraseAsksKeepsTheTextOnFailureAndWaitsForTheRun)
{
    TScriptedMessageDialogs boxes;
    TTempFolder dir;
    dir.WriteHostFile("t.log", "one\ntwo\n");
    TShowtextDialog viewer;
    bool busy = true;
    viewer.FileInUse = [&busy] { return busy; };
    CloseWhenShown(viewer, [&] {
        viewer.EraseClick(); // a run writes the log: refused without a question
        EXPECT_TRUE(std::filesystem::exists(dir.Host("t.log")));
        busy = false;
        boxes.QueueAnswer(MrNo);
        viewer.EraseClick();
        EXPECT_TRUE(std::filesystem::exists(dir.Host("t.log")));
        boxes.QueueAnswer(MrYes);
        viewer.EraseClick();
        EXPECT_FALSE(std::filesystem::exists(dir.Host("t.log")));
        EXPECT_TRUE(viewer.RichEdit()->toPlainText().isEmpty());
    });
    viewer.Execute(dir.Win("t.log"), {10, 10}, 0, 31, 1, LogTags());
    ASSERT_EQ(boxes.ShownCount(), 3u);
    EXPECT_NE(boxes.Shown()[1].text.find(dir.Host("t.log")), std::string::npos);

    // A file that cannot be deleted keeps its text and says so.
    std::filesystem::create_directories(dir.Host("ro"));
    dir.WriteHostFile("ro/t.log", "keep\n");
    std::filesystem::permissions(dir.Host("ro"),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (geteuid() != 0) {
        CloseWhenShown(viewer, [&] {
            boxes.QueueAnswer(MrYes);
            viewer.EraseClick();
            EXPECT_EQ(viewer.RichEdit()->toPlainText(), "keep");
        });
        viewer.Execute(dir.Win("ro\\t.log"), {10, 10}, 0, 31, 1, LogTags());
        EXPECT_NE(boxes.LastText().find("Could not delete"), std::string::npos);
    }
    std::filesystem::permissions(dir.Host("ro"), std::filesystem::perms::owner_all);
}

TEST(ShowtextDialog, MissingFileIsReported)
{
    TScriptedMessageDialogs boxes;
    TTempFolder dir;
    TShowtextDialog viewer;
    EXPECT_FALSE(viewer.Execute(dir.Win("none.log"), {10, 10}, 0, 31, 1));
    EXPECT_EQ(boxes.LastText(), "File: \"" + dir.Host("none.log") + "\" not found!");
}

TEST(ShowtextDialog, PrintsALogToPdfWithPagesAndContinuationLines)
{
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "pdftotext (poppler-utils) missing";
    }
    TTempFolder dir;
    std::string log = LogOfLines(150);
    log += "    *** Path too long: C:\\data\\" + std::string(60, 'a') + "\\" + std::string(60, 'b') + "\\" +
           std::string(300, 'c') + ".txt\n";
    dir.WriteHostFile("backup.log", log);
    TShowtextDialog viewer;
    viewer.PrinterAvailable = [] { return true; };
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.Host("log.pdf")));
    printer.setPageSize(QPageSize(QPageSize::A4));
    viewer.ChoosePrinter = [](QPrinter&) { return true; };
    CloseWhenShown(viewer, [&] { EXPECT_TRUE(viewer.PrintTo(printer, false)); });
    viewer.Execute(dir.Win("backup.log"), {10, 10}, 0, 31, 1, LogTags());

    const std::string text = Command("pdftotext -layout '" + dir.Host("log.pdf") + "' -");
    const std::string info = Command("pdfinfo '" + dir.Host("log.pdf") + "'");
    // 157 lines of the log and the continuations of the long one: three A4 pages.
    const size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(pages + 6)), 3) << info;
    EXPECT_NE(text.find("Page: 1"), std::string::npos);
    EXPECT_NE(text.find("Page: 3"), std::string::npos);
    EXPECT_NE(text.find("f150.txt"), std::string::npos);
    EXPECT_NE(text.find("* " + std::string(20, 'b')), std::string::npos)
        << text.substr(text.size() > 1500 ? text.size() - 1500 : 0);
    EXPECT_NE(text.find("* ccc"), std::string::npos);
    // Every continuation fits: no printed line runs past the right margin's width in characters.
    EXPECT_EQ(text.find(std::string(100, 'c')), std::string::npos);
}
