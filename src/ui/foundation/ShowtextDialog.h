#pragma once

// The text viewer: a text file (in practice the backup log) read-only, with the caret
// line in the status bar, and buttons to print, erase, search and walk the log's
// sections and errors. Created once at start-up; its print settings are kept in the
// settings file. LoadFile prints a file without showing anything.

#include "foundation/MessageDialogs.h"
#include "foundation/TextViewer.h"

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPrinter;
class QStatusBar;
class QToolButton;
class QPushButton;

// Option bits of Execute: which buttons are shown.
inline constexpr int ShowPrint = 2;
inline constexpr int ShowErase = 1;
inline constexpr int ShowSearch = 4;
inline constexpr int ShowSections = 8;
inline constexpr int ShowErrors = 16;

struct TShowtextTags
{
    std::string Section;
    std::string PrevSectionHint;
    std::string NextSectionHint;
    std::string Error;
    std::string PrevErrorHint;
    std::string NextErrorHint;
};

class TShowtextDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TShowtextDialog(QWidget* parent = nullptr);
    ~TShowtextDialog() override;

    void LoadFromIni(const std::string& fileName, const std::string& section);
    void SaveToIni();
    // file: Windows text. modal 1: shown modally. False when the file does not exist.
    bool Execute(const std::string& file, TScreenPoint position, int startLine, int options, int modal,
                 const TShowtextTags& tags = {});
    // Loads the file and prints all of it without the print dialog.
    bool LoadFile(const std::string& file);

    // True while a run writes the file (then it cannot be erased).
    std::function<bool()> FileInUse;
    // Chooses the printer (the print dialog); replaced by tests. False: nothing printed.
    std::function<bool(QPrinter& printer)> ChoosePrinter;
    // Whether a printer is installed; replaced by tests.
    std::function<bool()> PrinterAvailable;
    // The printer that prints; empty: the system's default printer.
    std::string PrinterName;

    // The steps behind the buttons and keys.
    bool Search(const std::string& text, const TSearchOptions& options);
    void FindClick();
    void SearchAgain();
    void GoToTag(bool error, bool next);
    void EraseClick();
    void PrintClick();
    // Prints the lines (all, or the selected ones) to printer; false when nothing was printed.
    bool PrintTo(QPrinter& printer, bool selectedOnly);

    TPrintSettings& PrintSettings() { return printSettings; }
    QPlainTextEdit* RichEdit() const { return richEdit; }
    QString StatusText(int panel) const;
    int CaretLine() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void UsePrinter(QPrinter& printer) const;
    void Load(const std::string& file);
    void LayoutButtons(int options, const TShowtextTags& tags);
    void GoToStartLine();
    void UpdateStatus();
    std::vector<std::string> LinesToPrint(bool selectedOnly) const;

    QToolButton* PrintBtn;
    QToolButton* DeleteBtn;
    QToolButton* SearchBtn;
    QToolButton* PrevErrBtn;
    QToolButton* PrevSectBtn;
    QToolButton* NextErrBtn;
    QToolButton* NextSectBtn;
    QPushButton* EndeBtn;
    QPlainTextEdit* richEdit;
    QLabel* linePanel;
    QLabel* notePanel;

    std::string iniFile;
    std::string iniSection;
    std::string fileName;
    int startLine = 0;
    TShowtextTags tags;
    std::string findText;
    TSearchOptions findOptions{false, false, false};
    TPrintSettings printSettings;
    bool printing = false;
};
