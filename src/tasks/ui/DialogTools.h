#pragma once

// Small helpers shared by the task dialogs.

#include "foundation/Translate.h"
#include "foundation/ui/QtText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QString>

// A text of the default domain as a QString.
inline QString TrQ(const char* msgid)
{
    return QStr(TrDefault(msgid));
}

// Logic texts break lines with "\r\n" or "\r"; Qt wants "\n".
inline QString QLines(const std::string& text)
{
    QString lines = QStr(text);
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    return lines;
}

// OK and Cancel, wired to accept and reject; OK runs `check` first when given (the
// dialog closes only when it returns true).
template <typename Check> QDialogButtonBox* OkCancelButtons(QDialog* dialog, Check check)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(TrQ("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(TrQ("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, check] {
        if (check()) {
            dialog->accept();
        }
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

inline QDialogButtonBox* OkCancelButtons(QDialog* dialog)
{
    return OkCancelButtons(dialog, [] { return true; });
}
