#include "ui/foundation/CommonDialogs.h"

TCommonDialogs& CommonDialogs()
{
    static TCommonDialogs dialogs;
    return dialogs;
}
