#include "ui/foundation/OutputWindow.h"

#include "foundation/ExternalProgram.h"
#include "foundation/Translate.h"
#include "ui/foundation/QtText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

TfrmShow::TfrmShow(QWidget* parent)
    : QDialog(parent), memo(new QPlainTextEdit(this)), closeBtn(new QPushButton(QStr(TrDialogs("&Close")), this))
{
    setWindowTitle(QStr(TrDialogs("Program output")));
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo->setMinimumSize(520, 300);
    closeBtn->setDefault(true);
    connect(closeBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo, 1);
    layout->addLayout(buttons);
}

void TfrmShow::Clear()
{
    memo->clear();
}

void TfrmShow::AppendText(const std::string& text)
{
    QTextCursor cursor = memo->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStr(text));
    memo->setTextCursor(cursor);
}

void TfrmShow::ShowOutput(int seconds)
{
    if (memo->document()->isEmpty()) {
        return;
    }
    if (seconds <= 0) {
        closeBtn->show();
        exec();
        return;
    }
    closeBtn->hide();
    show();
    raise();
    QElapsedTimer shown;
    shown.start();
    for (int step = 0; step < seconds * 10 && isVisible(); ++step) {
        QApplication::processEvents(QEventLoop::AllEvents, 100);
        QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, qint64{step + 1} * 100 - shown.elapsed())));
    }
    close();
}

void InstallProgramOutputWindow()
{
    SetProgramOutputWindow([](const std::string& text, int seconds) {
        TfrmShow window(QApplication::activeWindow());
        window.Clear();
        window.AppendText(text);
        window.ShowOutput(seconds);
    });
}
