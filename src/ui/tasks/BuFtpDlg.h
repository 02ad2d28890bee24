#pragma once

#include "tasks/TaskModel.h"

#include <QDialog>
#include <functional>
#include <string>

class TRangeEdit;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TFtpProxyDialog;
class THistoryCombo;

// The FTP destination settings: server, port, user, password, remote folder, passive
// mode, case of file names and the proxy.
class TFtpDialog : public QDialog
{
    Q_OBJECT
public:
    // OK with a port out of range brings the range error and keeps the dialog open.
    void accept() override;
    explicit TFtpDialog(QWidget* parent = nullptr);

    // placeholderMode: the folder button inserts a date placeholder (the task editor),
    // else it chooses a subfolder on the server (restore and clean-up).
    bool Execute(TFtpParams& params, bool showPassword, bool placeholderMode);
    // Loads the histories once, from the settings file or, when that is missing, the fall-back.
    void LoadFromIni(const std::string& iniName, const std::string& fallbackName);

    // The two halves of Execute around the modal loop.
    void ShowParams(const TFtpParams& params, bool showPassword, bool placeholderMode);
    void TakeParams(TFtpParams& params) const;

    // What the buttons open; tests replace them.
    std::function<bool(TFtpProxyParams& proxy)> EditProxy;
    std::function<int()> ChoosePlaceholder; // index of a date token, -1 none
    std::function<bool(const TFtpParams& current, std::string& subDir)> ChooseSubDir;

    void cbProxyClick();
    void btProxyClick();
    void btnPhDirClick();

    THistoryCombo* hcbServer = nullptr;
    THistoryCombo* hcbUser = nullptr;
    THistoryCombo* hcbDir = nullptr;
    QLineEdit* edtFtpPwd = nullptr;
    TRangeEdit* edtPort = nullptr;
    QComboBox* cbxCase = nullptr;
    QCheckBox* cbPassive = nullptr;
    QCheckBox* cbProxy = nullptr;
    QLineEdit* edProxy = nullptr;
    QPushButton* btProxy = nullptr;
    QToolButton* btnShow = nullptr;
    QToolButton* btnPhDir = nullptr;

    // The proxy part while the dialog is open.
    TFtpProxyParams Proxy;

private:
    void ShowProxyState();
    void OpenProxyDialog();
    TFtpProxyDialog* proxyDialog = nullptr;
    std::string iniName;
    bool placeholders = true;
    bool showPasswords = true;
};

// "Server:Port" as the FTP dialog shows a proxy; empty without a server.
std::string ProxyDisplayText(const TFtpProxyParams& proxy);
