#include "foundation/Translate.h"

#include "platform/ProgramData.h"

#include <clocale>
#include <cstdlib>
#include <libintl.h>
#include <mutex>
#include <optional>

extern "C" int _nl_msg_cat_cntr; // glibc: bumping it drops gettext's cache

namespace {

std::mutex translateMutex;

// The desktop's language list ("de:en") as the program inherited it: the system
// language goes back to it. Read before the program first sets a language of its own.
const std::optional<std::string>& InheritedLanguage()
{
    static const std::optional<std::string> inherited = []() -> std::optional<std::string> {
        const char* value = std::getenv("LANGUAGE");
        return value ? std::optional<std::string>(value) : std::nullopt;
    }();
    return inherited;
}

std::string DefaultLocaleDir()
{
    if (const char* env = std::getenv("TESSARO_LOCALE_DIR"); env && *env) {
        return env;
    }
    return Platform::ProgramDataDir("locale");
}

} // namespace

void InitTranslations(const std::string& localeDir)
{
    std::lock_guard lock(translateMutex);
    const std::string dir = localeDir.empty() ? DefaultLocaleDir() : localeDir;
    for (const char* domain : {DomainDefault, DomainUnits, DomainDialogs}) {
        bindtextdomain(domain, dir.c_str());
        bind_textdomain_codeset(domain, "UTF-8");
    }
}

void SetTranslationLanguage(const std::string& lang)
{
    std::lock_guard lock(translateMutex);
    // glibc ignores LANGUAGE under the "C" locale, so a UTF-8 locale is selected for
    // messages first; C.UTF-8 exists on every current glibc system.
    if (!std::setlocale(LC_MESSAGES, "")) {
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current && (std::string(current) == "C" || std::string(current) == "POSIX")) {
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    const std::optional<std::string>& inherited = InheritedLanguage();
    if (lang.empty() && !inherited) {
        unsetenv("LANGUAGE");
    } else if (lang.empty()) {
        setenv("LANGUAGE", inherited->c_str(), 1);
    } else {
        setenv("LANGUAGE", lang.c_str(), 1);
    }
    ++_nl_msg_cat_cntr;
}

std::string TranslationLanguage()
{
    std::lock_guard lock(translateMutex);
    std::string name;
    if (const char* language = std::getenv("LANGUAGE"); language && *language) {
        name = language;
    } else if (const char* current = std::setlocale(LC_MESSAGES, nullptr)) {
        name = current;
    }
    name = name.substr(0, name.find_first_of(":_.@"));
    return name.empty() || name == "C" || name == "POSIX" ? "en" : name;
}

std::string Tr(const char* domain, const char* msgid)
{
    if (!msgid || !*msgid) {
        return {};
    }
    return dgettext(domain, msgid);
}
