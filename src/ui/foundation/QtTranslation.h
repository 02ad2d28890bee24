#pragma once

#include <string>

class QTranslator;

// Installs Qt's own translation (buttons of message boxes, file dialogs) for a language of the
// program ("de", "en"; empty: the system's), and makes that language's locale the default of
// Qt's date and number formats. False when Qt has no catalogue for it.
bool InstallQtTranslation(QTranslator& translator, const std::string& lang);
