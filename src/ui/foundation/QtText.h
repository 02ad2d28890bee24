#pragma once

#include <QString>
#include <string>

// The program's texts are UTF-8 std::string; Qt wants QString.
inline QString QStr(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
