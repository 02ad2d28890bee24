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

// The file types of the lines of a list editor: a line may hold several types as
// comma text; blanks and a leading "." are dropped, empty items left out.
std::vector<std::string> FileTypesOfLines(const std::vector<std::string>& lines);
