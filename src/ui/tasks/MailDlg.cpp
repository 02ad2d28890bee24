#include "ui/tasks/MailDlg.h"

#include "foundation/CommaText.h"
#include "foundation/History.h"
#include "foundation/IniFile.h"
#include "foundation/MessageDialogs.h"
#include "foundation/Translate.h"
#include "tasks/IniValues.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/NumberEdits.h"
#include "ui/foundation/QtText.h"

#include <QCheckBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int AddressHistoryMax = 50;
constexpr size_t AddressChoicesMax = 15;
constexpr const char* AddressSection = "MailTo";
constexpr const char* AddressPrefix = "Address";

QString Tr(const char* msgid)
{
    return QStr(TrDefault(msgid));
}

QToolButton* ListButton(QWidget* parent, const QString& text, const char* hint)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(Tr(hint));
    return button;
}

} // namespace

TMailDialog::TMailDialog(QWidget* parent) : QDialog(parent)
{
    BuildWidgets();
    AskAddress = [this](const std::string& caption, std::string& text) { return AskAddressAtCursor(caption, text); };
}

TMailDialog::~TMailDialog()
{
    if (IniName.empty()) {
        return;
    }
    TIniFile ini(IniName);
    WriteHistory(ini, AddressSection, AddressPrefix, AddressHistory, true, AddressHistoryMax);
    ini.UpdateFile();
}

void TMailDialog::BuildWidgets()
{
    setWindowTitle(Tr("Report mail"));
    lbTask = new QLabel(this);
    edServer = new THistoryCombo(this);
    edServer->SetMaxItems(15);
    edPort = NewPortEdit(this, 32767, 25);
    edUsername = new THistoryCombo(this);
    edUsername->SetMaxItems(15);
    edPwd = new QLineEdit(this);
    edPwd->setEchoMode(QLineEdit::Password);
    btShowPwd = ListButton(this, "*", "Show password");
    btShowPwd->setCheckable(true);
    edSender = new QComboBox(this);
    edSender->setEditable(true);
    edSender->setInsertPolicy(QComboBox::NoInsert);
    edReply = new QComboBox(this);
    edReply->setEditable(true);
    edReply->setInsertPolicy(QComboBox::NoInsert);
    lbRecipients = new QListWidget(this);
    btnAdd = ListButton(this, "+", "Add recipient");
    btnEdit = ListButton(this, "...", "Edit recipient");
    btnRemove = ListButton(this, "-", "Remove recipient");
    cbProt = new QCheckBox(Tr("Attach log file"), this);
    cbZip = new QCheckBox(Tr("pack as Zip"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* pwdRow = new QHBoxLayout;
    pwdRow->addWidget(edPwd);
    pwdRow->addWidget(btShowPwd);
    auto* form = new QFormLayout;
    form->addRow(Tr("SMTP server:"), edServer);
    form->addRow(Tr("Port:"), edPort);
    form->addRow(Tr("User name:"), edUsername);
    form->addRow(Tr("Password:"), pwdRow);
    form->addRow(Tr("Sender:"), edSender);
    form->addRow(Tr("Reply to:"), edReply);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(btnAdd);
    listButtons->addWidget(btnEdit);
    listButtons->addWidget(btnRemove);
    listButtons->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(lbRecipients);
    listRow->addLayout(listButtons);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(cbProt);
    logRow->addWidget(cbZip);
    logRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbTask);
    layout->addLayout(form);
    layout->addWidget(new QLabel(Tr("Recipients:"), this));
    layout->addLayout(listRow);
    layout->addLayout(logRow);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(btnAdd, &QToolButton::clicked, this, &TMailDialog::btnAddClick);
    connect(btnEdit, &QToolButton::clicked, this, &TMailDialog::btnEditClick);
    connect(btnRemove, &QToolButton::clicked, this, &TMailDialog::btnRemoveClick);
    connect(btShowPwd, &QToolButton::toggled, this,
            [this](bool down) { edPwd->setEchoMode(down ? QLineEdit::Normal : QLineEdit::Password); });
    connect(cbProt, &QCheckBox::toggled, cbZip, &QCheckBox::setEnabled);
}

void TMailDialog::LoadFromIni(const std::string& iniName)
{
    if (!IniName.empty() || iniName.empty()) {
        return;
    }
    IniName = iniName;
    edServer->LoadHistory(iniName, "SmtpServer");
    edUsername->LoadHistory(iniName, "MailUser");
    const TIniFile ini(iniName);
    ReadHistory(ini, AddressSection, AddressPrefix, AddressHistory, AddressHistoryMax);
}

void TMailDialog::FillAddressCombo(QComboBox* combo, const std::vector<std::string>& items, const std::string& text)
{
    combo->clear();
    for (const std::string& item : items) {
        combo->addItem(QStr(item));
    }
    combo->setEditText(QStr(text));
}

void TMailDialog::ShowData(const std::string& text, const TMailData& mail)
{
    lbTask->setText(QStr(text));
    edServer->SetText(mail.Server);
    edPort->SetValue(mail.Port);
    edUsername->SetText(mail.Username);
    edPwd->setText(QStr(mail.Password));
    FillAddressCombo(edSender, AddressHistory, mail.Sender);
    FillAddressCombo(edReply, AddressHistory, mail.ReplyTo);
    lbRecipients->clear();
    for (const std::string& address : SplitCommaText(mail.Recipients)) {
        lbRecipients->addItem(QStr(address));
    }
    cbProt->setChecked(mail.AttachLog);
    cbZip->setChecked(mail.ZipLog);
    cbZip->setEnabled(mail.AttachLog);
}

void TMailDialog::TakeData(TMailData& mail)
{
    mail.Server = edServer->Text();
    mail.Port = static_cast<int>(edPort->Value());
    mail.Username = edUsername->Text();
    mail.Password = edPwd->text().toStdString();
    mail.Sender = edSender->currentText().toStdString();
    mail.ReplyTo = edReply->currentText().toStdString();
    AddToHistory(AddressHistory, mail.Sender, AddressHistoryMax);
    AddToHistory(AddressHistory, mail.ReplyTo, AddressHistoryMax);
    std::vector<std::string> recipients;
    recipients.reserve(static_cast<std::size_t>(lbRecipients->count()));
    for (int i = 0; i < lbRecipients->count(); ++i) {
        recipients.push_back(lbRecipients->item(i)->text().toStdString());
    }
    mail.Recipients = CommaTextOf(recipients);
    mail.AttachLog = cbProt->isChecked();
    mail.ZipLog = cbZip->isChecked();
}

bool TMailDialog::Execute(const std::string& text, TMailData& mail)
{
    ShowData(text, mail);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    TakeData(mail);
    return true;
}

bool TMailDialog::AskAddressAtCursor(const std::string& caption, std::string& text)
{
    std::vector<std::string> choices(
        AddressHistory.begin(),
        AddressHistory.begin() + static_cast<std::ptrdiff_t>(std::min(AddressHistory.size(), AddressChoicesMax)));
    if (!InputText(GetCursorPoint(), caption, TrDefault("Address:"), text, &choices)) {
        return false;
    }
    AddToHistory(AddressHistory, text, AddressHistoryMax);
    return true;
}

void TMailDialog::btnAddClick()
{
    std::string address;
    if (!AskAddress(TrDefault("New mail recipient"), address) || address.empty()) {
        return;
    }
    if (lbRecipients->findItems(QStr(address), Qt::MatchExactly).isEmpty()) {
        lbRecipients->addItem(QStr(address));
        lbRecipients->setCurrentRow(lbRecipients->count() - 1);
    }
}

void TMailDialog::btnEditClick()
{
    QListWidgetItem* item = lbRecipients->currentItem();
    if (!item || !item->isSelected()) {
        return;
    }
    std::string address = item->text().toStdString();
    if (AskAddress(TrDefault("Edit mail recipient"), address)) {
        item->setText(QStr(address));
    }
}

void TMailDialog::btnRemoveClick()
{
    QListWidgetItem* item = lbRecipients->currentItem();
    if (!item || !item->isSelected()) {
        return;
    }
    const std::string question =
        FormatText(TrDefault("Remove recipient:\r\n%s\r\nfrom list?"), item->text().toStdString());
    if (!ConfirmDialog(windowTitle().toStdString(), question)) {
        return;
    }
    const int row = lbRecipients->row(item);
    delete lbRecipients->takeItem(row);
    if (lbRecipients->count() == 0) {
        lbRecipients->setCurrentRow(-1);
    } else {
        lbRecipients->setCurrentRow(std::min(row, lbRecipients->count() - 1));
    }
}

void TMailDialog::accept()
{
    if (edPort->CheckRange()) {
        QDialog::accept();
    }
}
