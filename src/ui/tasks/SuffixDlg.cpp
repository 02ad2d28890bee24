#include "ui/tasks/SuffixDlg.h"

#include "foundation/MessageDialogs.h"
#include "tasks/OptionRules.h"
#include "ui/tasks/DialogTools.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* AppendButton(QWidget* parent, QLineEdit* edit, const char* token, const char* hint)
{
    auto* button = new QToolButton(parent);
    button->setText(token);
    button->setToolTip(TrQ(hint));
    QObject::connect(button, &QToolButton::clicked, edit, [edit, token] {
        edit->setText(edit->text() + token);
        edit->setFocus();
    });
    return button;
}

} // namespace

TSuffixDialog::TSuffixDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Name for security backups of files"));
    edtSuffix = new QLineEdit(this);
    spMaxCounter = new QSpinBox(this);
    spMaxCounter->setRange(0, 9);
    spMaxCounter->setToolTip(TrQ("Number of copies to keep"));
    btnFileDate = AppendButton(this, edtSuffix, "%fdate%", "Insert file date");
    btnBuDate = AppendButton(this, edtSuffix, "%bdate%", "Insert backup date");
    btnBuTime = AppendButton(this, edtSuffix, "%btime%", "Insert backup time");
    auto* tokens = new QHBoxLayout;
    tokens->addWidget(btnFileDate);
    tokens->addWidget(btnBuDate);
    tokens->addWidget(btnBuTime);
    tokens->addStretch();
    auto* form = new QFormLayout;
    form->addRow(TrQ("Filename suffix:"), edtSuffix);
    form->addRow(QString(), tokens);
    form->addRow(TrQ("History copies:"), spMaxCounter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(this));
    edtSuffix->setMinimumWidth(220);
}

void TSuffixDialog::ShowSuffix(const std::string& suffix)
{
    const TSuffixParts parts = SplitSuffix(suffix);
    edtSuffix->setText(QStr(parts.Text));
    // A fresh count on every call: a suffix without one keeps no copies.
    spMaxCounter->setValue(parts.Count);
}

std::string TSuffixDialog::Suffix() const
{
    return JoinSuffix({edtSuffix->text().toStdString(), spMaxCounter->value()});
}

bool TSuffixDialog::CanClose()
{
    if (ValidSuffixText(edtSuffix->text().toStdString())) {
        return true;
    }
    ErrorDialogAt(windowTitle().toStdString(), TrDefault("Invalid suffix for backup copies!"), CenteredPoint);
    edtSuffix->setFocus();
    return false;
}

void TSuffixDialog::accept()
{
    if (CanClose()) {
        QDialog::accept();
    }
}

bool TSuffixDialog::Execute(std::string& suffix)
{
    ShowSuffix(suffix);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    suffix = Suffix();
    return true;
}
