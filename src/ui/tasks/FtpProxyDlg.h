#pragma once

#include "tasks/TaskModel.h"

#include <QDialog>

class TRangeEdit;
class QButtonGroup;
class QLineEdit;
class QToolButton;

// The proxy part of an FTP destination.
class TFtpProxyDialog : public QDialog
{
    Q_OBJECT
public:
    // OK with a port out of range brings the range error and keeps the dialog open.
    void accept() override;
    explicit TFtpProxyDialog(QWidget* parent = nullptr);

    bool Execute(TFtpProxyParams& proxy, bool showPassword);
    void ShowProxy(const TFtpProxyParams& proxy, bool showPassword);
    void TakeProxy(TFtpProxyParams& proxy) const;

    QLineEdit* edProxy = nullptr;
    QLineEdit* edUser = nullptr;
    QLineEdit* edProxyPwd = nullptr;
    TRangeEdit* edtPort = nullptr;
    QButtonGroup* rgMethod = nullptr;
    QToolButton* btnShow = nullptr;
};

// The show-password toggle of the FTP dialogs: while down the field shows its text.
QToolButton* ShowPasswordButton(QWidget* parent, QLineEdit* field);
