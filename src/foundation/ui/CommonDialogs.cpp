#include "foundation/ui/CommonDialogs.h"

TCommonDialogs& CommonDialogs()
{
    static TCommonDialogs dialogs;
    return dialogs;
}
