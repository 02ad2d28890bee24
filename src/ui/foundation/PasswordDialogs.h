#pragma once

// Password dialogs: a new password typed twice with a minimum length (created once at
// start-up), and a prompt for a known password with an optional Skip (on demand).
// Entries are limited to the 128 bytes the encryption accepts.

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TNewPwdDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TNewPwdDialog(QWidget* parent = nullptr);

    bool Execute(const std::string& caption, std::string& password, bool showToggle = true, bool withRepeat = true,
                 int minLength = 0);
    void accept() override;

    QLineEdit* PwdEdit() const { return edtPwd; }
    QLineEdit* RepPwdEdit() const { return edtRepPwd; }
    QToolButton* ShowButton() const { return btnShow; }

private:
    QLineEdit* edtPwd;
    QLabel* repLabel;
    QLineEdit* edtRepPwd;
    QToolButton* btnShow;
    bool repeat = true;
    int minimum = 0;
};

class TPasswordDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TPasswordDialog(QWidget* parent = nullptr);

    // The modal result: MrOk (password set), MrCancel or MrIgnore (Skip).
    int Execute(const std::string& caption, const std::string& prompt, bool showSkip, std::string& password);

    QLineEdit* PwdEdit() const { return edtPwd; }
    QPushButton* SkipButton() const { return btnSkip; }

private:
    QLabel* prompt;
    QLineEdit* edtPwd;
    QPushButton* btnSkip;
};

// Keeps a password edit within the bytes the encryption accepts.
void LimitPasswordEdit(QLineEdit* edit);
