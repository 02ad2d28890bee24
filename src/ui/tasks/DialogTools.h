#pragma once

// Small helpers shared by the task dialogs.

#include "foundation/Translate.h"
#include "ui/foundation/DialogButtons.h"
#include "ui/foundation/QtText.h"

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

// OK and Cancel, wired to accept and reject (dialogs with a close check override accept).
inline QDialogButtonBox* OkCancelButtons(QDialog* dialog)
{
    return AcceptCancelButtons(dialog, TrQ("OK"), TrQ("Cancel"));
}
