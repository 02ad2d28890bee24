#include "tasks/TypeLists.h"

#include "foundation/CommaText.h"
#include "foundation/IniFile.h"
#include "platform/FileSystem.h"
#include "tasks/IniValues.h"

namespace {

const char* const SecFilter = "Filter";

} // namespace

bool WriteTypeListFile(const std::string& fileName, const std::string& name, const TExtensionList& list,
                       const std::string& programText, const std::string& fileVersion)
{
    TIniFile ini(fileName);
    WriteText(ini, "Global", "Program", programText);
    WriteText(ini, "Global", "Version", fileVersion);
    ini.EraseSection(SecFilter);
    WriteText(ini, SecFilter, "Name", name);
    ini.WriteInteger(SecFilter, "Mode", list.Mode);
    if (list.Mode == TypeModeInclude) {
        WriteText(ini, SecFilter, "Include", CommaTextOf(list.IncludeList.Types()));
    } else {
        WriteText(ini, SecFilter, "Exclude", CommaTextOf(list.ExcludeList.Types()));
    }
    return ini.UpdateFile() == 0;
}

std::string ReadTypeListName(const std::string& fileName)
{
    if (!Platform::FileExists(fileName)) {
        return {};
    }
    TIniFile ini(fileName);
    const std::string name = ini.ReadString(SecFilter, "Name", "");
    return name.empty() ? TaskDisplayName(fileName) : name;
}

bool ReadTypeListFile(const std::string& fileName, TExtensionList& list)
{
    if (!Platform::FileExists(fileName)) {
        return false;
    }
    TIniFile ini(fileName);
    list.Clear();
    const int mode = ini.ReadInteger(SecFilter, "Mode", list.Mode);
    list.Mode = mode == TypeModeInclude ? TypeModeInclude : TypeModeExclude;
    if (list.Mode == TypeModeInclude) {
        list.IncludeList.SetTypes(SplitCommaText(ini.ReadString(SecFilter, "Include", "")));
    } else {
        list.ExcludeList.SetTypes(SplitCommaText(ini.ReadString(SecFilter, "Exclude", "")));
    }
    return true;
}
