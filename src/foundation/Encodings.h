#pragma once

// Byte encodings that file formats demand; everything else is UTF-8.
//   Utf8ToCp1252, Cp1252ToUtf8, WindowsTextToUtf8 (UTF-8 else cp1252),
//   Utf8ToDos, DosToUtf8, IsDosRepresentable (zip names, DOS code page 850).
// Validity, case mapping and comparison of UTF-8 text: platform/Utf8.h (namespace Platform).

#include <string>
#include <string_view>

// Characters without a cp1252 byte become '?'.
std::string Utf8ToCp1252(std::string_view utf8);
std::string Cp1252ToUtf8(std::string_view bytes);

// Text from a file that Windows may have written: kept when it is valid UTF-8 (a byte
// order mark is dropped), else read as cp1252.
std::string WindowsTextToUtf8(std::string_view bytes);

// Code page 850, the DOS code page of zip entry names. Characters without a byte become '?'.
std::string Utf8ToDos(std::string_view utf8);
std::string DosToUtf8(std::string_view bytes);
bool IsDosRepresentable(std::string_view utf8);
