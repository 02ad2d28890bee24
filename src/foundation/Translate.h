#pragma once

#include <string>

// gettext text domains of the program.
inline constexpr const char* DomainDefault = "default";
inline constexpr const char* DomainUnits = "units";
inline constexpr const char* DomainDialogs = "dialogs";

// Binds the program's text domains to the folder that holds <lang>/LC_MESSAGES/<domain>.mo.
// Without a folder the installed catalogues are used, else the build tree's.
void InitTranslations(const std::string& localeDir = {});

// Selects the language of the translations ("de", "en", ...), whatever the process locale is.
// An empty text means the system's language.
void SetTranslationLanguage(const std::string& lang);

// The language the translations are in now, as its two-letter code ("de"; "en" also for
// the untranslated texts of a C or POSIX locale).
std::string TranslationLanguage();

// Translated text of a message id in a domain; the id itself when no translation exists.
std::string Tr(const char* domain, const char* msgid);

inline std::string TrDefault(const char* msgid)
{
    return Tr(DomainDefault, msgid);
}
inline std::string TrUnits(const char* msgid)
{
    return Tr(DomainUnits, msgid);
}
inline std::string TrDialogs(const char* msgid)
{
    return Tr(DomainDialogs, msgid);
}

// Mark a text for scripts/update-po where it reaches the translation later, through a table, a
// variable or the second branch of a "?:"; they return the text unchanged.
constexpr const char* TrNoopDefault(const char* msgid)
{
    return msgid;
}
constexpr const char* TrNoopUnits(const char* msgid)
{
    return msgid;
}
constexpr const char* TrNoopDialogs(const char* msgid)
{
    return msgid;
}
