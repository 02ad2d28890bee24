#pragma once

#include <string>

// Windows text <-> the host path shown in the window; text that names no known drive
// (a folder with placeholders in front) stays as it is.
std::string ShownPath(const std::string& winPath);
std::string StoredPath(const std::string& shownPath);
