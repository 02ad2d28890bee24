#pragma once

#include <string>

// The system's text for a Windows error code (platform/WinError.h), as shown after
// "Error executing: " or "Error opening log file!". Translated in the domain "units".
std::string SysErrorMessage(int code);
