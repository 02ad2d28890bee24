#pragma once

#include <QIcon>
#include <string>

// The program's own icons (resources/icons, compiled in).

// The application icon of windows and launchers, from the icon theme when the program
// was installed into it, else the compiled-in sizes.
QIcon ApplicationIcon();

// Tray icon pictures: empty or "SMALLICON" for the waiting program, else letter + "M" +
// frame ("BM0" .. "BM5", "CM0" .., "RM0" ..); an unknown name gives the small icon.
QIcon TrayIconPicture(const std::string& name);
