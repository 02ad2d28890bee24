#include "ui/foundation/PageDialogs.h"
#include "ui/foundation/DialogButtons.h"

#include "foundation/CommaText.h"
#include "foundation/DialogChecks.h"
#include "foundation/Translate.h"
#include "ui/foundation/NumberEdits.h"
#include "ui/foundation/QtText.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Dlg(const char* msgid)
{
    return QStr(TrDialogs(msgid));
}

QDialogButtonBox* OkCancel(QDialog* dialog)
{
    return AcceptCancelButtons(dialog, Dlg("OK"), Dlg("Cancel"));
}

TFloatEdit* MarginEdit(QWidget* parent)
{
    auto* edit = new TFloatEdit(parent);
    edit->FloatFormat = TNumFloatFormat::ffFixed;
    edit->Decimal = 2;
    edit->setMaximumWidth(90);
    return edit;
}

int MarginOf(const TFloatEdit* edit, int previous)
{
    double cm = 0;
    return edit->ReadValue(cm) ? MarginFromCm(cm) : previous;
}

} // namespace

TRandDialog::TRandDialog(QWidget* parent)
    : QDialog(parent), top(MarginEdit(this)), bottom(MarginEdit(this)), left(MarginEdit(this)), right(MarginEdit(this))
{
    setWindowTitle(Dlg("Paper margins"));
    auto* group = new QGroupBox(Dlg("Print page margins"), this);
    auto* grid = new QGridLayout(group);
    const std::pair<const char*, TFloatEdit*> rows[] = {{TrNoopDialogs("Top:"), top},
                                                        {TrNoopDialogs("Bottom:"), bottom},
                                                        {TrNoopDialogs("Left:"), left},
                                                        {TrNoopDialogs("Right:"), right}};
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        grid->addWidget(new QLabel(Dlg(caption), group), row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(Dlg("cm"), group), row, 2);
        ++row;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(OkCancel(this));
}

bool TRandDialog::Execute(const std::string& caption, TPageMargins& margins)
{
    if (!caption.empty()) {
        setWindowTitle(QStr(caption));
    }
    top->SetValue(MarginToCm(margins.Top));
    bottom->SetValue(MarginToCm(margins.Bottom));
    left->SetValue(MarginToCm(margins.Left));
    right->SetValue(MarginToCm(margins.Right));
    top->setFocus();
    if (exec() != QDialog::Accepted) {
        return false;
    }
    margins = {MarginOf(left, margins.Left), MarginOf(top, margins.Top), MarginOf(right, margins.Right),
               MarginOf(bottom, margins.Bottom)};
    return true;
}

TMemoDialog::TMemoDialog(QWidget* parent) : QDialog(parent), label(new QLabel(this)), memo(new QPlainTextEdit(this))
{
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setMinimumSize(360, 200);
    label->setBuddy(memo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(memo, 1);
    layout->addWidget(OkCancel(this));
}

bool TMemoDialog::Execute(const std::string& caption, const std::string& labelText, std::string& text)
{
    setWindowTitle(QStr(caption));
    label->setText(QStr(labelText));
    QStringList lines;
    for (const std::string& item : SplitCommaText(text)) {
        lines << QStr(item);
    }
    memo->setPlainText(lines.join('\n'));
    memo->setFocus();
    if (exec() != QDialog::Accepted) {
        return false;
    }
    std::vector<std::string> items;
    for (const QString& line : memo->toPlainText().split('\n')) {
        items.push_back(line.toStdString());
    }
    while (!items.empty() && items.back().empty()) {
        items.pop_back();
    }
    text = CommaTextOf(items);
    return true;
}
