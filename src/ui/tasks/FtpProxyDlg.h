#pragma once

#include "tasks/TaskModel.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QSpinBox;
class QToolButton;

// The proxy part of an FTP destination.
class TFtpProxyDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFtpProxyDialog(QWidget* parent = nullptr);

    bool Execute(TFtpProxyParams& proxy, bool showPassword);
    void ShowProxy(const TFtpProxyParams& proxy, bool showPassword);
    void TakeProxy(TFtpProxyParams& proxy) const;

    QLineEdit* edProxy = nullptr;
    QLineEdit* edUser = nullptr;
    QLineEdit* edProxyPwd = nullptr;
    QSpinBox* edtPort = nullptr;
    QButtonGroup* rgMethod = nullptr;
    QToolButton* btnShow = nullptr;
};

// The show-password toggle of the FTP dialogs: while down the field shows its text.
QToolButton* ShowPasswordButton(QWidget* parent, QLineEdit* field);
