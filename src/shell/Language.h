#pragma once

// The language of the user interface: a "lang" option given directly on the command
// line, else the language file ("<base name>.cfg" in the settings folder, section
// "Language", key "LangID"), else the system's language. A change applies from the
// next start.

#include <string>
#include <vector>

inline constexpr int LanguageCount = 3;

// "" (the system's language), "de", "en".
std::string LanguageCode(int index);
// The index of a code, compared lower-cased; -1 when the table has none.
int LanguageIndexOf(const std::string& code);

// The language file that ReadLanguage reads and WriteLanguage writes.
void SetLanguageFile(const std::string& fileName);
const std::string& LanguageFile();

// The index chosen for this start; also kept as the program's language index.
int ReadLanguage(const std::vector<std::string>& params);
int LanguageIndex();

// Keeps the index and writes it into the language file; false when that fails.
bool WriteLanguage(int index);

// Switches the translations, and the formats of dates and numbers for people, to the
// language of the index.
void ApplyLanguage(int index);

// Dates and numbers as the language writes them ("de": "09.12.2026 17:27:48", "1,5");
// other languages keep the session locale's formats.
void ApplyPeopleFormats(const std::string& language);

// The language set-up of a start: binds the catalogues, reads the language with this
// language file and applies it. Returns the index.
int SetUpLanguage(const std::string& languageFile, const std::vector<std::string>& params);
