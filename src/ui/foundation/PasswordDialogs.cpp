#include "ui/foundation/PasswordDialogs.h"
#include "ui/foundation/DialogButtons.h"

#include "foundation/DialogChecks.h"
#include "foundation/MessageDialogs.h"
#include "foundation/ShownPaths.h"
#include "foundation/Translate.h"
#include "ui/foundation/QtText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Dlg(const char* msgid)
{
    return QStr(TrDialogs(msgid));
}

} // namespace

void LimitPasswordEdit(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const std::string bytes = text.toStdString();
        const std::string limited = LimitPassword(bytes);
        if (limited != bytes) {
            edit->setText(QStr(limited));
        }
    });
}

TNewPwdDialog::TNewPwdDialog(QWidget* parent)
    : QDialog(parent), edtPwd(new QLineEdit(this)), repLabel(new QLabel(Dlg("Repeat password:"), this)),
      edtRepPwd(new QLineEdit(this)), btnShow(new QToolButton(this))
{
    for (QLineEdit* edit : {edtPwd, edtRepPwd}) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setMinimumWidth(260);
        LimitPasswordEdit(edit);
    }
    btnShow->setText(Dlg("Show"));
    btnShow->setToolTip(Dlg("Show the characters while pressed"));
    btnShow->setCheckable(true);
    connect(btnShow, &QToolButton::toggled, this, [this](bool down) {
        for (QLineEdit* edit : {edtPwd, edtRepPwd}) {
            edit->setEchoMode(down ? QLineEdit::Normal : QLineEdit::Password);
        }
    });
    auto* pwdRow = new QHBoxLayout;
    pwdRow->addWidget(edtPwd, 1);
    pwdRow->addWidget(btnShow);
    auto* form = new QFormLayout;
    form->addRow(Dlg("Password:"), pwdRow);
    form->addRow(repLabel, edtRepPwd);
    auto* buttons = AcceptCancelButtons(this, Dlg("OK"), Dlg("Cancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool TNewPwdDialog::Execute(const std::string& caption, std::string& password, bool showToggle, bool withRepeat,
                            int minLength)
{
    setWindowTitle(QStr(caption));
    repeat = withRepeat;
    minimum = minLength;
    edtPwd->setText(QStr(password));
    edtRepPwd->setText(QStr(password));
    repLabel->setVisible(withRepeat);
    edtRepPwd->setVisible(withRepeat);
    btnShow->setChecked(false);
    btnShow->setVisible(showToggle);
    edtPwd->setFocus();
    adjustSize();
    const bool ok = exec() == QDialog::Accepted;
    if (ok) {
        password = edtPwd->text().toStdString();
    }
    edtPwd->clear();
    edtRepPwd->clear();
    return ok;
}

void TNewPwdDialog::accept()
{
    const std::string error =
        CheckNewPassword(edtPwd->text().toStdString(), edtRepPwd->text().toStdString(), repeat, minimum);
    if (!error.empty()) {
        ErrorDialog(windowTitle().toStdString(), error);
        edtPwd->setFocus();
        return;
    }
    QDialog::accept();
}

TPasswordDialog::TPasswordDialog(QWidget* parent)
    : QDialog(parent), prompt(new QLabel(this)), edtPwd(new QLineEdit(this)),
      btnSkip(new QPushButton(Dlg("&Skip"), this))
{
    prompt->setWordWrap(true);
    edtPwd->setEchoMode(QLineEdit::Password);
    edtPwd->setMinimumWidth(280);
    LimitPasswordEdit(edtPwd);
    auto* ok = new QPushButton(Dlg("OK"), this);
    auto* cancel = new QPushButton(Dlg("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(MrOk); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(MrCancel); });
    connect(btnSkip, &QPushButton::clicked, this, [this] { done(MrIgnore); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(btnSkip);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(edtPwd);
    layout->addLayout(buttons);
}

int TPasswordDialog::Execute(const std::string& caption, const std::string& promptText, bool showSkip,
                             std::string& password)
{
    setWindowTitle(QStr(HostPathsInText(caption)));
    prompt->setText(QStr(HostPathsInText(promptText)));
    edtPwd->setText(QStr(password));
    btnSkip->setVisible(showSkip);
    edtPwd->setFocus();
    adjustSize();
    const int result = exec();
    if (result == MrOk) {
        password = edtPwd->text().toStdString();
    }
    edtPwd->clear();
    return result == QDialog::Rejected ? MrCancel : result;
}
