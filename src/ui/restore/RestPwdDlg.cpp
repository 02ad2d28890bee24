#include "ui/restore/RestPwdDlg.h"

#include "foundation/MessageDialogs.h"
#include "foundation/ShownPaths.h"
#include "ui/tasks/DialogTools.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TRestorePwdDialog::TRestorePwdDialog(QWidget* parent) : QDialog(parent)
{
    lblPrompt = new QLabel(this);
    lblPrompt->setWordWrap(true);
    edtPwd = new QLineEdit(this);
    edtPwd->setEchoMode(QLineEdit::Password);
    edtPwd->setMinimumWidth(300);
    OKBtn = new QPushButton(TrQ("OK"), this);
    OKBtn->setDefault(true);
    btnSkip = new QPushButton(TrQ("&Skip"), this);
    CancelBtn = new QPushButton(TrQ("Cancel"), this);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(MrOk); });
    connect(btnSkip, &QPushButton::clicked, this, [this] { done(MrYes); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(MrCancel); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(btnSkip);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrompt);
    layout->addWidget(edtPwd);
    layout->addLayout(buttons);
}

int TRestorePwdDialog::Execute(const std::string& caption, const std::string& prompt, bool showSkip,
                               std::string& password)
{
    setWindowTitle(QStr(HostPathsInText(caption)));
    lblPrompt->setText(QLines(HostPathsInText(prompt)));
    edtPwd->setText(QStr(password));
    btnSkip->setVisible(showSkip);
    edtPwd->setFocus();
    const int result = exec();
    if (result == MrOk) {
        password = edtPwd->text().toStdString();
        return MrOk;
    }
    return result == MrYes && showSkip ? MrYes : MrCancel;
}

int TRestorePwdDialog::AskPassword(const std::string& caption, const std::string& prompt, std::string& password)
{
    return Execute(caption, prompt, true, password);
}
