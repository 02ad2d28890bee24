#pragma once

// The accept/cancel button row that every small dialog ends with.

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QString>

// Two buttons wired to accept and reject; the accept button is the default. Dialogs with a close
// check override accept().
inline QDialogButtonBox* AcceptCancelButtons(QDialog* dialog, const QString& acceptText, const QString& cancelText)
{
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(acceptText, QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(cancelText, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
