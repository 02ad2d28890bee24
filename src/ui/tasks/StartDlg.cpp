#include "ui/tasks/StartDlg.h"

#include "platform/Drives.h"
#include "tasks/OptionRules.h"
#include "ui/foundation/ShortenPathText.h"
#include "ui/tasks/DialogTools.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int ResultStart = 1;
constexpr int ResultCancel = 2;
constexpr int ResultEdit = 6;
constexpr int TaskNameWidth = 320;

} // namespace

TStartDialog::TStartDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Tessaro");
    lblTaskName = new QLabel(this);
    lblTaskName->setFixedWidth(TaskNameWidth);
    memNote = new QPlainTextEdit(this);
    memNote->setReadOnly(true);
    StartBtn = new QPushButton(TrQ("Start backup"), this);
    EditBtn = new QPushButton(TrQ("Edit task"), this);
    CancelBtn = new QPushButton(TrQ("Cancel"), this);
    StartBtn->setDefault(true);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(TrQ("Backup task:"), this));
    nameRow->addWidget(lblTaskName, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(StartBtn);
    buttons->addWidget(EditBtn);
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addWidget(memNote, 1);
    layout->addLayout(buttons);
    connect(StartBtn, &QPushButton::clicked, this, [this] { done(ResultStart); });
    connect(EditBtn, &QPushButton::clicked, this, [this] { done(ResultEdit); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(ResultCancel); });
}

void TStartDialog::ShowTask(const std::string& caption, const std::string& file)
{
    taskFile = file;
    setWindowTitle(QStr(caption));
    const std::string note = ReadTaskNote(file);
    memNote->setVisible(!note.empty());
    memNote->setPlainText(QLines(note));
    if (!note.empty()) {
        const int lines = memNote->document()->blockCount();
        const QFontMetrics metrics(memNote->font());
        memNote->setFixedHeight(lines * (metrics.height() + 1) + 2 * memNote->frameWidth() + 8);
    }
    const std::string shown = Platform::WinToHost(file).value_or(file);
    lblTaskName->setText(ShortenPathToWidth(shown, lblTaskName->fontMetrics(), TaskNameWidth));
    lblTaskName->setToolTip(QStr(shown));
    adjustSize();
}

int TStartDialog::Execute(const std::string& caption, const std::string& file)
{
    ShowTask(caption, file);
    const int result = exec();
    return result == QDialog::Rejected ? ResultCancel : result;
}

int ShowStartDialog(const std::string& caption, const std::string& taskFile)
{
    TStartDialog dialog(QApplication::activeWindow());
    return dialog.Execute(caption, taskFile);
}
