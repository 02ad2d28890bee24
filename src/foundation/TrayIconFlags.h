#pragma once

#include <string>

// What a tray-icon request carries (the Qt side in ui/TrayIcon.h acts on it).
inline constexpr unsigned NIF_MESSAGE = 1;
inline constexpr unsigned NIF_ICON = 2;
inline constexpr unsigned NIF_TIP = 4;
inline constexpr int TrayIconId = 1;
inline constexpr int TrayTipMaxLength = 63;

// "message" for a callback message above 0, "icon" when an icon is given, "tip" for a
// non-empty tip.
unsigned TrayIconFlags(int callbackMessage, bool hasIcon, const std::string& tip);
// The tip cut to 63 characters.
std::string TrayTipText(const std::string& tip);
