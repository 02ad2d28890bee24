#include "shell/Language.h"

#include "foundation/DateUtils.h"
#include "foundation/IniFile.h"
#include "foundation/NumberText.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "shell/CommandLine.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, LanguageCount> LanguageTable = {"", "de", "en"};
constexpr const char* LanguageSection = "Language";
constexpr const char* LanguageKey = "LangID";

int languageIndex = 0;
std::string languageFile;

// The index of a "lang" option given directly (response files do not count).
int LanguageOfOptions(const std::vector<std::string>& params)
{
    for (const std::string& param : params) {
        if (!IsOptionParameter(param)) {
            continue;
        }
        std::string value = param.substr(1);
        if (ReadOptionValue(value, "lang")) {
            if (const int index = LanguageIndexOf(value); index >= 0) {
                return index;
            }
        }
    }
    return -1;
}

} // namespace

int LanguageIndexOf(const std::string& code)
{
    const std::string lower = AnsiLowerCase(code);
    for (int i = 0; i < LanguageCount; ++i) {
        if (lower == LanguageTable[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    return -1;
}

std::string LanguageCode(int index)
{
    return index >= 0 && index < LanguageCount ? LanguageTable[static_cast<std::size_t>(index)] : "";
}

void SetLanguageFile(const std::string& fileName)
{
    languageFile = fileName;
}

const std::string& LanguageFile()
{
    return languageFile;
}

int ReadLanguage(const std::vector<std::string>& params)
{
    int index = LanguageOfOptions(params);
    if (index < 0) {
        TIniFile ini(languageFile);
        index = std::max(0, LanguageIndexOf(ini.ReadString(LanguageSection, LanguageKey, "")));
    }
    languageIndex = index;
    return index;
}

int LanguageIndex()
{
    return languageIndex;
}

bool WriteLanguage(int index)
{
    if (index < 0 || index >= LanguageCount) {
        return false;
    }
    languageIndex = index;
    TIniFile ini(languageFile);
    ini.WriteString(LanguageSection, LanguageKey, LanguageCode(index));
    return ini.UpdateFile() == 0;
}

void ApplyLanguage(int index)
{
    SetTranslationLanguage(LanguageCode(index));
    ApplyPeopleFormats(TranslationLanguage());
}

void ApplyPeopleFormats(const std::string& language)
{
    // A German program writes German dates and numbers even in a session whose locale is C.
    if (language == "de") {
        SetPeopleDateFormats("%d.%m.%Y", "%H:%M:%S");
        SetDecimalSeparator(',');
    } else {
        SetPeopleDateFormats("%x", "%X");
        SetDecimalSeparator(SessionDecimalSeparator());
    }
}

int SetUpLanguage(const std::string& fileName, const std::vector<std::string>& params)
{
    InitTranslations();
    SetLanguageFile(fileName);
    const int index = ReadLanguage(params);
    ApplyLanguage(index);
    return index;
}
