#include "ui/foundation/LogonDialog.h"

#include "foundation/MessageDialogs.h"
#include "foundation/NetConnect.h"
#include "foundation/Translate.h"
#include "ui/foundation/HistoryCombo.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Dlg(const char* msgid)
{
    return QString::fromStdString(TrDialogs(msgid));
}

} // namespace

TLogonDialog::TLogonDialog(QWidget* parent)
    : QDialog(parent), remoteName(new QLabel(this)), userName(new THistoryCombo(this)), password(new QLineEdit(this)),
      logonBtn(new QPushButton(Dlg("Logon"), this)), cancelBtn(new QPushButton(Dlg("Cancel"), this)),
      skipBtn(new QPushButton(Dlg("&Skip"), this))
{
    setWindowTitle(Dlg("Connect to"));
    password->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(Dlg("User name:"), userName);
    form->addRow(Dlg("Password:"), password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(logonBtn);
    buttons->addWidget(cancelBtn);
    buttons->addWidget(skipBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(remoteName);
    layout->addLayout(form);
    layout->addLayout(buttons);

    logonBtn->setDefault(true);
    connect(logonBtn, &QPushButton::clicked, this, [this] { done(MrOk); });
    connect(cancelBtn, &QPushButton::clicked, this, [this] { done(MrCancel); });
    connect(skipBtn, &QPushButton::clicked, this, [this] { done(MrIgnore); });
    userName->installEventFilter(this);
    if (userName->lineEdit()) {
        userName->lineEdit()->installEventFilter(this);
    }
}

int TLogonDialog::Execute(const std::string& remote, std::string& user, std::string& secret)
{
    remoteName->setText(QString::fromStdString(remote));
    userName->SetText(user);
    password->clear();
    const int result = exec();
    if (result == MrOk) {
        user = userName->Text();
        secret = password->text().toStdString();
        userName->AddItem(user);
    }
    password->clear();
    return result == QDialog::Rejected ? MrCancel : result;
}

bool TLogonDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the user name starts a new logon: the old password does not belong to it.
    if (event->type() == QEvent::FocusIn && (watched == userName || watched == userName->lineEdit())) {
        password->clear();
    }
    return QDialog::eventFilter(watched, event);
}

void TLogonDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FocusFirstField();
}

void TLogonDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FocusFirstField();
    }
}

void TLogonDialog::FocusFirstField()
{
    if (userName->Text().empty()) {
        userName->setFocus();
    } else {
        password->setFocus();
    }
}

void InstallLogonPrompt(TLogonDialog* dialog)
{
    QPointer<TLogonDialog> guarded(dialog);
    SetNetCredentialPrompt([guarded](const std::string& remote, std::string& user, std::string& secret) {
        return guarded && guarded->Execute(remote, user, secret) == MrOk;
    });
}
