#include "foundation/TrayIconFlags.h"

#include "platform/Utf8.h"

unsigned TrayIconFlags(int callbackMessage, bool hasIcon, const std::string& tip)
{
    unsigned flags = 0;
    if (callbackMessage > 0) {
        flags |= NIF_MESSAGE;
    }
    if (hasIcon) {
        flags |= NIF_ICON;
    }
    if (!tip.empty()) {
        flags |= NIF_TIP;
    }
    return flags;
}

std::string TrayTipText(const std::string& tip)
{
    std::size_t pos = 0;
    for (int n = 0; n < TrayTipMaxLength && pos < tip.size(); ++n) {
        Platform::NextCodePoint(tip, pos);
    }
    return tip.substr(0, pos);
}
