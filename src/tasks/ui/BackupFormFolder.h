#pragma once

#include <string>

class QWidget;

// Lets the user choose a folder. folder: Windows text in and out (the start folder and
// the choice); the dialog shows host paths. False when nothing was chosen.
bool SelectFolder(QWidget* parent, const std::string& caption, std::string& folder);

// Windows text <-> the host path shown in the window; text that names no known drive
// (a folder with placeholders in front) stays as it is.
std::string ShownPath(const std::string& winPath);
std::string StoredPath(const std::string& shownPath);
