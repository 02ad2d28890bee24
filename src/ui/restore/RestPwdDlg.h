#pragma once

#include "restore/Restore.h"

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the password of encrypted backup files, with an optional Skip button.
class TRestorePwdDialog : public QDialog, public IRestorePrompts
{
    Q_OBJECT
public:
    explicit TRestorePwdDialog(QWidget* parent = nullptr);

    // MrOk, MrYes (Skip, only when shown) or MrCancel; on OK the password is the field's text.
    int Execute(const std::string& caption, const std::string& prompt, bool showSkip, std::string& password);
    int AskPassword(const std::string& caption, const std::string& prompt, std::string& password) override;

    QLabel* lblPrompt = nullptr;
    QLineEdit* edtPwd = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* btnSkip = nullptr;
    QPushButton* CancelBtn = nullptr;
};
