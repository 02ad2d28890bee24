#include "ui/tasks/FtpProxyDlg.h"

#include "ui/foundation/NumberEdits.h"
#include "ui/tasks/DialogTools.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString TrD(const char* msgid)
{
    return QStr(TrDialogs(msgid));
}

} // namespace

QToolButton* ShowPasswordButton(QWidget* parent, QLineEdit* field)
{
    auto* button = new QToolButton(parent);
    button->setText("*");
    button->setCheckable(true);
    button->setToolTip(TrQ("Show password"));
    QObject::connect(button, &QToolButton::toggled, field,
                     [field](bool down) { field->setEchoMode(down ? QLineEdit::Normal : QLineEdit::Password); });
    return button;
}

TFtpProxyDialog::TFtpProxyDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrD("FTP-Proxy-Server options"));
    edProxy = new QLineEdit(this);
    edUser = new QLineEdit(this);
    edProxyPwd = new QLineEdit(this);
    edProxyPwd->setEchoMode(QLineEdit::Password);
    btnShow = ShowPasswordButton(this, edProxyPwd);
    edtPort = NewPortEdit(this, 65535, 2121);
    auto* methodBox = new QGroupBox(TrD("Connection method"), this);
    auto* methodLayout = new QVBoxLayout(methodBox);
    rgMethod = new QButtonGroup(this);
    const char* const methods[] = {TrNoopDialogs("Send command USER user@hostname"),
                                   TrNoopDialogs("Send command SITE (with logon)"),
                                   TrNoopDialogs("Send command OPEN"),
                                   TrNoopDialogs("USER user@firewalluser@hostname"),
                                   TrNoopDialogs("Transparent"),
                                   TrNoopDialogs("USER hostuserID@hostname firewallUsername")};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QRadioButton(TrD(methods[i]), methodBox);
        rgMethod->addButton(button, i);
        methodLayout->addWidget(button);
    }
    auto* pwdRow = new QHBoxLayout;
    pwdRow->addWidget(edProxyPwd);
    pwdRow->addWidget(btnShow);
    auto* form = new QFormLayout;
    form->addRow(TrD("Server name:"), edProxy);
    form->addRow(TrD("Port:"), edtPort);
    form->addRow(TrD("User name:"), edUser);
    form->addRow(TrD("Password:"), pwdRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(methodBox);
    layout->addWidget(OkCancelButtons(this));
}

void TFtpProxyDialog::ShowProxy(const TFtpProxyParams& proxy, bool showPassword)
{
    btnShow->setVisible(showPassword);
    btnShow->setChecked(false);
    edProxy->setText(QStr(proxy.Server));
    edtPort->SetValue(proxy.Port);
    edUser->setText(QStr(proxy.Username));
    edProxyPwd->setText(QStr(proxy.Password));
    const int method = proxy.ProxyType >= 1 && proxy.ProxyType <= 6 ? proxy.ProxyType - 1 : 0;
    rgMethod->button(method)->setChecked(true);
}

void TFtpProxyDialog::TakeProxy(TFtpProxyParams& proxy) const
{
    proxy.Server = edProxy->text().toStdString();
    proxy.Port = static_cast<int>(edtPort->Value());
    proxy.Username = edUser->text().toStdString();
    proxy.Password = edProxyPwd->text().toStdString();
    proxy.ProxyType = static_cast<uint8_t>(rgMethod->checkedId() + 1);
}

bool TFtpProxyDialog::Execute(TFtpProxyParams& proxy, bool showPassword)
{
    ShowProxy(proxy, showPassword);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    TakeProxy(proxy);
    return true;
}

void TFtpProxyDialog::accept()
{
    if (edtPort->CheckRange()) {
        QDialog::accept();
    }
}
