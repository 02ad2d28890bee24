#pragma once

#include <string>
#include <string_view>
#include <vector>

// Lists kept as one line of comma text, the form the program's INI files use:
// items joined by ",", an item holding a blank, a control character, a comma or
// a double quote is put in double quotes with inner quotes doubled.

std::string CommaTextOf(const std::vector<std::string>& items);

// Splits comma text. Outside quotes a blank or a control character also ends an
// item; white space around the separators is skipped; a trailing "," gives a
// final empty item.
std::vector<std::string> SplitCommaText(std::string_view text);
