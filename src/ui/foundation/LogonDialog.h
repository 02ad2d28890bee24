#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class THistoryCombo;

// Asks for the user name and password of a network share. Results: MrOk (Logon),
// MrCancel, MrIgnore (Skip).
class TLogonDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TLogonDialog(QWidget* parent = nullptr);

    // Shows the dialog modally for the share; user and password are filled in with what
    // was entered when the result is MrOk.
    int Execute(const std::string& remoteName, std::string& user, std::string& password);

    THistoryCombo* UserName() const { return userName; }
    QLineEdit* Password() const { return password; }
    QLabel* RemoteName() const { return remoteName; }
    QPushButton* LogonButton() const { return logonBtn; }
    QPushButton* SkipButton() const { return skipBtn; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FocusFirstField();

    QLabel* remoteName;
    THistoryCombo* userName;
    QLineEdit* password;
    QPushButton* logonBtn;
    QPushButton* cancelBtn;
    QPushButton* skipBtn;
};

// Makes the dialog the prompt for share credentials (see NetConnect.h).
void InstallLogonPrompt(TLogonDialog* dialog);
