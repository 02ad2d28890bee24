#include "ui/tasks/BuFtpDlg.h"

#include "platform/FileSystem.h"
#include "tasks/FtpDirTree.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/NumberEdits.h"
#include "ui/tasks/DialogTools.h"
#include "ui/tasks/FtpDirDlg.h"
#include "ui/tasks/FtpProxyDlg.h"
#include "ui/tasks/PhDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

std::string ProxyDisplayText(const TFtpProxyParams& proxy)
{
    return proxy.Server.empty() ? std::string() : proxy.Server + ":" + std::to_string(proxy.Port);
}

TFtpDialog::TFtpDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("FTP Connection"));
    hcbServer = new THistoryCombo(this);
    hcbUser = new THistoryCombo(this);
    hcbDir = new THistoryCombo(this);
    for (THistoryCombo* combo : {hcbServer, hcbUser, hcbDir}) {
        combo->SetMaxItems(15);
        combo->setMinimumWidth(260);
    }
    edtFtpPwd = new QLineEdit(this);
    edtFtpPwd->setEchoMode(QLineEdit::Password);
    btnShow = ShowPasswordButton(this, edtFtpPwd);
    edtPort = NewPortEdit(this, 65535, 21);
    cbxCase = new QComboBox(this);
    cbxCase->addItems({TrQ(" no changes"), TrQ(" lower case"), TrQ(" UPPER CASE")});
    cbPassive = new QCheckBox(TrQ("Use passive mode"), this);
    cbProxy = new QCheckBox(TrQ("use Proxy-Server"), this);
    edProxy = new QLineEdit(this);
    edProxy->setReadOnly(true);
    btProxy = new QPushButton(TrQ("Proxy settings"), this);
    btnPhDir = new QToolButton(this);
    proxyDialog = new TFtpProxyDialog(this);

    auto* pwdRow = new QHBoxLayout;
    pwdRow->addWidget(edtFtpPwd, 1);
    pwdRow->addWidget(btnShow);
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(hcbDir, 1);
    dirRow->addWidget(btnPhDir);
    auto* form = new QFormLayout;
    form->addRow(TrQ("Server name:"), hcbServer);
    form->addRow(TrQ("Port:"), edtPort);
    form->addRow(TrQ("User name:"), hcbUser);
    form->addRow(TrQ("Password:"), pwdRow);
    form->addRow(TrQ("Remote directory:"), dirRow);
    form->addRow(TrQ("Filenames"), cbxCase);
    auto* proxyRow = new QHBoxLayout;
    proxyRow->addWidget(cbProxy);
    proxyRow->addWidget(edProxy, 1);
    proxyRow->addWidget(btProxy);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(cbPassive);
    layout->addLayout(proxyRow);
    layout->addWidget(OkCancelButtons(this));

    connect(cbProxy, &QCheckBox::clicked, this, &TFtpDialog::cbProxyClick);
    connect(btProxy, &QPushButton::clicked, this, &TFtpDialog::btProxyClick);
    connect(btnPhDir, &QToolButton::clicked, this, &TFtpDialog::btnPhDirClick);

    EditProxy = [this](TFtpProxyParams& proxy) { return proxyDialog->Execute(proxy, showPasswords); };
    ChoosePlaceholder = [] { return PlaceHolderDialog().Execute(0); };
    ChooseSubDir = [this](const TFtpParams& current, std::string& subDir) {
        TFtpDirDialog dialog(this);
        return dialog.Execute(current.Host, current.Username, subDir, static_cast<unsigned>(current.Port),
                              current.SubDir, current.Password);
    };
}

void TFtpDialog::LoadFromIni(const std::string& settingsName, const std::string& fallbackName)
{
    if (!iniName.empty() || (settingsName.empty() && fallbackName.empty())) {
        return;
    }
    iniName = settingsName.empty() ? fallbackName : settingsName;
    std::string source = settingsName;
    if (source.empty() || !Platform::FileExists(source)) {
        source = !fallbackName.empty() && Platform::FileExists(fallbackName) ? fallbackName : std::string();
    }
    if (source.empty()) {
        return;
    }
    hcbServer->LoadHistory(source, "FtpServer");
    hcbUser->LoadHistory(source, "Usernames");
    hcbDir->LoadHistory(source, "FtpDirs");
    // New entries go into the settings file, even when the fall-back filled the lists.
    for (THistoryCombo* combo : {hcbServer, hcbUser, hcbDir}) {
        combo->IniFileName = iniName;
    }
}

void TFtpDialog::ShowProxyState()
{
    const bool on = cbProxy->isChecked();
    edProxy->setText(on ? QStr(ProxyDisplayText(Proxy)) : QString());
    edProxy->setEnabled(on);
    btProxy->setEnabled(on);
}

void TFtpDialog::ShowParams(const TFtpParams& params, bool showPassword, bool placeholderMode)
{
    showPasswords = showPassword;
    placeholders = placeholderMode;
    btnShow->setVisible(showPassword);
    btnShow->setChecked(false);
    btnPhDir->setIcon(style()->standardIcon(placeholderMode ? QStyle::SP_MessageBoxQuestion : QStyle::SP_DirIcon));
    btnPhDir->setToolTip(placeholderMode ? TrQ("Insert placeholder") : TrQ("Select subdirectory"));
    hcbServer->SetText(params.Host);
    edtPort->SetValue(params.Port);
    hcbUser->SetText(params.Username);
    edtFtpPwd->setText(QStr(params.Password));
    hcbDir->SetText(params.SubDir);
    cbPassive->setChecked(params.Passive);
    cbxCase->setCurrentIndex(params.NameCase <= NameCaseUpper ? params.NameCase : 0);
    Proxy = params.Proxy;
    cbProxy->setChecked(Proxy.ProxyType != 0);
    ShowProxyState();
}

void TFtpDialog::TakeParams(TFtpParams& params) const
{
    params.Host = hcbServer->Text();
    params.Port = static_cast<int>(edtPort->Value());
    params.Username = hcbUser->Text();
    params.Password = edtFtpPwd->text().toStdString();
    params.SubDir = hcbDir->Text();
    params.Passive = cbPassive->isChecked();
    params.NameCase = static_cast<uint8_t>(cbxCase->currentIndex());
    params.Proxy = Proxy;
    if (!cbProxy->isChecked()) {
        params.Proxy.ProxyType = 0; // the other proxy fields stay for the next time
    }
}

bool TFtpDialog::Execute(TFtpParams& params, bool showPassword, bool placeholderMode)
{
    ShowParams(params, showPassword, placeholderMode);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    TakeParams(params);
    for (THistoryCombo* combo : {hcbServer, hcbUser, hcbDir}) {
        combo->AddItem(combo->Text());
    }
    return true;
}

void TFtpDialog::OpenProxyDialog()
{
    EditProxy(Proxy);
    cbProxy->setChecked(Proxy.ProxyType != 0);
    ShowProxyState();
}

void TFtpDialog::cbProxyClick()
{
    if (cbProxy->isChecked()) {
        OpenProxyDialog();
    } else {
        ShowProxyState();
    }
}

void TFtpDialog::btProxyClick()
{
    OpenProxyDialog();
}

void TFtpDialog::btnPhDirClick()
{
    if (placeholders) {
        const int index = ChoosePlaceholder();
        if (index >= 0) {
            hcbDir->SetText(hcbDir->Text() + TPlaceHolderDialog::TokenOf(0, index));
        }
        return;
    }
    TFtpParams current;
    TakeParams(current);
    std::string subDir;
    if (ChooseSubDir(current, subDir)) {
        hcbDir->SetText(FtpFolderWithSubDir(current.SubDir, subDir));
    }
}

void TFtpDialog::accept()
{
    if (edtPort->CheckRange()) {
        QDialog::accept();
    }
}
