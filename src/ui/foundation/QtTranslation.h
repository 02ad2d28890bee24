#pragma once

#include <string>

class QString;
class QTranslator;

// Installs Qt's own translation (buttons of message boxes, file dialogs) for a language of the
// program ("de", "en"; empty: the system's), and makes that language's locale the default of
// Qt's date and number formats. False when Qt has no catalogue for it.
bool InstallQtTranslation(QTranslator& translator, const std::string& lang);

// The display format of date fields: the default locale's short date with the whole year,
// as the program's own dates show it ("09.12.2026" in German).
QString DateFieldFormat();
