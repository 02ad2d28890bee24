#include "ui/foundation/ShowtextDialog.h"
#include "ui/foundation/WindowPlacement.h"

#include "foundation/IniFile.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/QtText.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Dlg(const char* msgid)
{
    return QStr(TrDialogs(msgid));
}

std::string Quoted(const char* msgid, const std::string& value)
{
    return ReplaceText(TrDialogs(msgid), "%s", value);
}

QString HostText(const std::string& winPath)
{
    return QStr(Platform::WinToHost(winPath).value_or(winPath));
}

QToolButton* ToolButton(QWidget* parent, const QString& text, QStyle::StandardPixmap icon = QStyle::SP_CustomBase)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    if (icon != QStyle::SP_CustomBase) {
        button->setIcon(parent->style()->standardIcon(icon));
    }
    button->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(false);
    return button;
}

// Restores the normal cursor however printing ends.
class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

TShowtextDialog::TShowtextDialog(QWidget* parent)
    : QDialog(parent), PrintBtn(ToolButton(this, Dlg("&Print"))), DeleteBtn(ToolButton(this, Dlg("&Erase"))),
      SearchBtn(ToolButton(this, Dlg("&Search"))), PrevErrBtn(ToolButton(this, {}, QStyle::SP_ArrowUp)),
      PrevSectBtn(ToolButton(this, {}, QStyle::SP_MediaSkipBackward)),
      NextErrBtn(ToolButton(this, {}, QStyle::SP_ArrowDown)),
      NextSectBtn(ToolButton(this, {}, QStyle::SP_MediaSkipForward)), EndeBtn(new QPushButton(Dlg(" &Close"), this)),
      richEdit(new QPlainTextEdit(this)), linePanel(new QLabel(this)), notePanel(new QLabel(this))
{
    PrevErrBtn->setToolTip(Dlg("Go to previous error"));
    PrevSectBtn->setToolTip(Dlg("Go to previous section"));
    NextErrBtn->setToolTip(Dlg("Go to next error"));
    NextSectBtn->setToolTip(Dlg("Go to next section"));
    richEdit->setReadOnly(true);
    richEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    richEdit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    richEdit->setFont(QFont("Monospace"));
    richEdit->installEventFilter(this);
    richEdit->viewport()->installEventFilter(this);
    richEdit->setMinimumSize(640, 420);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(2, 2, 2, 2);
    top->setSpacing(0);
    for (QToolButton* button : {PrintBtn, DeleteBtn, SearchBtn, PrevSectBtn, NextSectBtn, PrevErrBtn, NextErrBtn}) {
        top->addWidget(button);
    }
    top->addStretch();
    top->addWidget(EndeBtn);
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(true);
    linePanel->setMinimumWidth(200);
    notePanel->setMinimumWidth(50);
    status->addWidget(linePanel);
    status->addWidget(notePanel, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(richEdit, 1);
    layout->addWidget(status);

    connect(EndeBtn, &QPushButton::clicked, this, [this] { done(MrCancel); });
    connect(PrintBtn, &QToolButton::clicked, this, &TShowtextDialog::PrintClick);
    connect(DeleteBtn, &QToolButton::clicked, this, &TShowtextDialog::EraseClick);
    connect(SearchBtn, &QToolButton::clicked, this, &TShowtextDialog::FindClick);
    connect(PrevSectBtn, &QToolButton::clicked, this, [this] { GoToTag(false, false); });
    connect(NextSectBtn, &QToolButton::clicked, this, [this] { GoToTag(false, true); });
    connect(PrevErrBtn, &QToolButton::clicked, this, [this] { GoToTag(true, false); });
    connect(NextErrBtn, &QToolButton::clicked, this, [this] { GoToTag(true, true); });
    connect(richEdit, &QPlainTextEdit::cursorPositionChanged, this, &TShowtextDialog::UpdateStatus);

    PrinterAvailable = [] { return !QPrinterInfo::availablePrinterNames().isEmpty(); };
    ChoosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

TShowtextDialog::~TShowtextDialog()
{
    SaveToIni();
}

void TShowtextDialog::LoadFromIni(const std::string& file, const std::string& section)
{
    iniFile = file;
    iniSection = section;
    if (!file.empty() && !section.empty()) {
        printSettings.Read(TIniFile(file), section);
    }
}

void TShowtextDialog::SaveToIni()
{
    if (iniFile.empty() || iniSection.empty()) {
        return;
    }
    TIniFile ini(iniFile);
    printSettings.Write(ini, iniSection);
    ini.UpdateFile();
}

void TShowtextDialog::Load(const std::string& file)
{
    fileName = file;
    std::string text;
    Platform::ReadWholeFile(file, text);
    // The last line break ends the last line; it does not start another one.
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
    }
    richEdit->setPlainText(QStr(ReplaceText(text, "\r\n", "\n")));
    setWindowTitle(HostText(file));
}

bool TShowtextDialog::Execute(const std::string& file, TScreenPoint position, int line, int options, int modal,
                              const TShowtextTags& navigation)
{
    if (isVisible()) {
        raise();
        activateWindow();
        return true;
    }
    if (position.x >= 0) {
        move(position.x, std::max(position.y, 0));
        KeepOnScreen(*this);
    }
    setWindowTitle(HostText(file));
    startLine = line;
    tags = navigation;
    LayoutButtons(options, navigation);
    if (!Platform::FileExists(file)) {
        ErrorDialog({}, TrDialogs("File: ") + Quoted(TrNoopDialogs("\"%s\" not found!"), HostText(file).toStdString()));
        return false;
    }
    Load(file);
    notePanel->clear();
    if (modal == 1) {
        TOwnedWhileOpen owned(*this, OwnerWindow(*this));
        exec();
    } else {
        show();
    }
    return true;
}

void TShowtextDialog::UsePrinter(QPrinter& printer) const
{
    if (!PrinterName.empty()) {
        printer.setPrinterName(QStr(PrinterName));
    }
}

bool TShowtextDialog::LoadFile(const std::string& file)
{
    if (!Platform::FileExists(file)) {
        return false;
    }
    Load(file);
    QPrinter printer(QPrinter::HighResolution);
    UsePrinter(printer);
    return PrinterAvailable() && PrintTo(printer, false);
}

void TShowtextDialog::LayoutButtons(int options, const TShowtextTags& navigation)
{
    PrintBtn->setVisible(options & ShowPrint);
    PrintBtn->setEnabled(PrinterAvailable());
    DeleteBtn->setVisible(options & ShowErase);
    SearchBtn->setVisible(options & ShowSearch);
    PrevSectBtn->setVisible(options & ShowSections);
    NextSectBtn->setVisible(options & ShowSections);
    PrevErrBtn->setVisible(options & ShowErrors);
    NextErrBtn->setVisible(options & ShowErrors);
    PrevSectBtn->setToolTip(
        QStr(navigation.PrevSectionHint.empty() ? TrDialogs("Go to previous section") : navigation.PrevSectionHint));
    NextSectBtn->setToolTip(
        QStr(navigation.NextSectionHint.empty() ? TrDialogs("Go to next section") : navigation.NextSectionHint));
    PrevErrBtn->setToolTip(
        QStr(navigation.PrevErrorHint.empty() ? TrDialogs("Go to previous error") : navigation.PrevErrorHint));
    NextErrBtn->setToolTip(
        QStr(navigation.NextErrorHint.empty() ? TrDialogs("Go to next error") : navigation.NextErrorHint));
}

void TShowtextDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    GoToStartLine();
    richEdit->setFocus();
}

void TShowtextDialog::GoToStartLine()
{
    QTextDocument* document = richEdit->document();
    const int count = document->blockCount();
    const int line = StartCaretLine(startLine, count);
    QTextCursor cursor(document->findBlockByNumber(line));
    if (line < count - 1) {
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    }
    richEdit->setTextCursor(cursor);
    richEdit->centerCursor();
    findOptions.Down = false;
    UpdateStatus();
}

int TShowtextDialog::CaretLine() const
{
    const QTextCursor cursor = richEdit->textCursor();
    return richEdit->document()->findBlock(cursor.selectionStart()).blockNumber() + 1;
}

QString TShowtextDialog::StatusText(int panel) const
{
    return panel == 0 ? linePanel->text() : notePanel->text();
}

void TShowtextDialog::UpdateStatus()
{
    linePanel->setText(QStr(LineStatusText(CaretLine(), richEdit->document()->blockCount())));
}

bool TShowtextDialog::Search(const std::string& text, const TSearchOptions& options)
{
    const std::u16string content = richEdit->toPlainText().toStdU16String();
    const std::u16string what = QStr(text).toStdU16String();
    const QTextCursor cursor = richEdit->textCursor();
    const auto selStart = static_cast<std::size_t>(cursor.selectionStart());
    const auto selLength = static_cast<std::size_t>(cursor.selectionEnd() - cursor.selectionStart());
    const std::optional<std::size_t> found = SearchText(content, what, selStart, selLength, options);
    if (!found) {
        return false;
    }
    QTextCursor match(richEdit->document());
    match.setPosition(static_cast<int>(*found));
    match.setPosition(static_cast<int>(*found + what.size()), QTextCursor::KeepAnchor);
    richEdit->setTextCursor(match);
    richEdit->ensureCursorVisible();
    return true;
}

void TShowtextDialog::FindClick()
{
    std::string text = findText;
    if (InputText(CenteredPoint, Dlg("&Search").toStdString(), Dlg("Find:").toStdString(), text) && !text.empty()) {
        findText = text;
        SearchAgain();
    }
}

void TShowtextDialog::SearchAgain()
{
    if (findText.empty()) {
        FindClick();
        return;
    }
    if (!Search(findText, findOptions)) {
        InfoDialog(windowTitle().toStdString(), Quoted(TrNoopDialogs("\"%s\" not found!"), findText));
    }
}

void TShowtextDialog::GoToTag(bool error, bool next)
{
    const std::string& tag = error ? tags.Error : tags.Section;
    findText = tag;
    findOptions.Down = next;
    if (Search(tag, findOptions)) {
        notePanel->clear();
        return;
    }
    QTextCursor cursor = richEdit->textCursor();
    cursor.movePosition(next ? QTextCursor::End : QTextCursor::Start);
    richEdit->setTextCursor(cursor);
    notePanel->setText(error ? Dlg("No more errors!") : Dlg("No more sections!"));
}

void TShowtextDialog::EraseClick()
{
    if (FileInUse && FileInUse()) {
        ErrorDialog(windowTitle().toStdString(), TrDialogs("The file is being written and cannot be erased now."));
        return;
    }
    const TScreenPoint at{x() + 200, y() + 100};
    const std::string question = Quoted(TrNoopDialogs("Delete file \"%s\"?"), HostText(fileName).toStdString());
    if (MessageDialogAt(windowTitle().toStdString(), question, TMsgDlgType::Confirmation, MbYesNo, at) != MrYes) {
        return;
    }
    if (Platform::DeleteFile(fileName) != 0 && Platform::AnyExists(fileName)) {
        ErrorDialog(windowTitle().toStdString(),
                    Quoted(TrNoopDialogs("Could not delete file \"%s\"!"), HostText(fileName).toStdString()));
        return;
    }
    richEdit->clear();
}

void TShowtextDialog::PrintClick()
{
    if (printing || !PrinterAvailable()) {
        return;
    }
    bool selectedOnly = false;
    if (richEdit->textCursor().hasSelection()) {
        selectedOnly = MessageDialog(windowTitle().toStdString(), TrDialogs("Print selected lines?"),
                                     TMsgDlgType::Confirmation, MbYesNo) == MrYes;
    }
    QPrinter printer(QPrinter::HighResolution);
    UsePrinter(printer);
    if (ChoosePrinter(printer)) {
        PrintTo(printer, selectedOnly);
    }
    richEdit->setFocus();
}

std::vector<std::string> TShowtextDialog::LinesToPrint(bool selectedOnly) const
{
    QTextDocument* document = richEdit->document();
    int first = 0;
    int last = document->blockCount() - 1;
    if (selectedOnly) {
        const QTextCursor cursor = richEdit->textCursor();
        first = document->findBlock(cursor.selectionStart()).blockNumber();
        last = document->findBlock(cursor.selectionEnd()).blockNumber();
    }
    std::vector<std::string> lines;
    for (int i = first; i <= last; ++i) {
        lines.push_back(document->findBlockByNumber(i).text().toStdString());
    }
    return lines;
}

bool TShowtextDialog::PrintTo(QPrinter& printer, bool selectedOnly)
{
    if (printing) {
        return false;
    }
    printing = true;
    TWaitCursor wait;
    const QSizeF pageMm = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    const TPageSize page = PrinterPageSize(static_cast<int>(pageMm.width()), static_cast<int>(pageMm.height()));
    printer.setDocName(windowTitle());
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer)) {
        printing = false;
        return false;
    }
    // One logical unit is 0.1 mm, y growing downwards.
    painter.scale(printer.resolution() / 254.0, printer.resolution() / 254.0);
    QFont font(QStr(printSettings.FontName));
    font.setPixelSize(std::max(printSettings.FontHeight(), 1));
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, &printer);
    // The font's pixel size is in logical units, so are its advances.
    const TTextWidth width = [&](std::string_view text) {
        return static_cast<int>(std::ceil(metrics.horizontalAdvance(QStr(std::string(text)))));
    };
    const int right = page.Width - printSettings.RightMargin;
    const int printable = right - printSettings.LeftMargin;
    std::vector<std::string> broken;
    for (const std::string& line : LinesToPrint(selectedOnly)) {
        for (std::string& part : BreakPrintLine(line, width, printable)) {
            broken.push_back(std::move(part));
        }
    }
    const int lineHeight = printSettings.FontHeight() + 3;
    const std::string caption = PrintHeaderCaption(windowTitle().toStdString());
    bool first = true;
    for (const TPrintedPage& printed : LayoutPrintPages(broken, printSettings, page)) {
        if (!first) {
            printer.newPage();
        }
        first = false;
        painter.setFont(bold);
        const QRectF header(printSettings.LeftMargin, printed.HeaderY, printable, lineHeight);
        painter.drawText(header, Qt::AlignLeft | Qt::AlignTop, QStr(caption));
        painter.drawText(header, Qt::AlignRight | Qt::AlignTop, QStr(PrintPageText(printed.Number)));
        painter.drawLine(QPointF(printSettings.LeftMargin, printed.RuleY), QPointF(right, printed.RuleY));
        painter.setFont(font);
        for (const TPrintedLine& line : printed.Lines) {
            painter.drawText(QRectF(printSettings.LeftMargin, line.Y, printable * 2, lineHeight),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QStr(line.Text));
        }
    }
    painter.end();
    printing = false;
    return true;
}

bool TShowtextDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == richEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            done(MrCancel);
            return true;
        }
        if (key->key() == Qt::Key_F && key->modifiers() == Qt::ControlModifier) {
            FindClick();
            return true;
        }
        if (key->key() == Qt::Key_F3 && key->modifiers() == Qt::NoModifier) {
            SearchAgain();
            return true;
        }
    }
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease) {
        UpdateStatus();
    }
    return QDialog::eventFilter(watched, event);
}
