#include "shell/StartUp.h"

#include "engine/FileTimes.h"
#include "foundation/DateUtils.h"
#include "foundation/PathUtils.h"
#include "platform/FileSystem.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"

namespace {

constexpr std::size_t MigrationBufferSize = std::size_t{16} * 1024;

TProgramInfo theProgramInfo;

std::string FolderOrEmpty(const std::string& folder)
{
    return folder.empty() ? std::string() : AddPathDelimiter(folder);
}

// Copies the file to its new place and removes the old one; false when the copy failed.
bool MoveByCopy(const std::string& oldName, const std::string& newName)
{
    try {
        CopyFileChecked(oldName, newName, MigrationBufferSize);
    } catch (const ECopyError&) {
        return false;
    }
    if (!Platform::FileExists(newName)) {
        return false;
    }
    Platform::DeleteFile(oldName);
    return true;
}

} // namespace

TProgramInfo ProgramFolders(const std::string& programFile, const std::string& documents, const std::string& profile,
                            const std::string& appData)
{
    TProgramInfo info;
    info.ProgramFile = programFile;
    info.ProgramDir = ExtractFilePath(programFile);
    info.BaseName = RemoveExtension(ExtractFileName(programFile));
    info.DocumentsDir = FolderOrEmpty(documents);
    info.ProfileDir = profile.empty() ? info.ProgramDir : AddPathDelimiter(profile);
    info.AppDataDir = appData;
    info.SettingsDir = appData.empty() ? info.ProgramDir : AddPathDelimiter(appData) + ProductName + "\\";
    return info;
}

TProgramInfo ProgramFolders(const std::string& programFile)
{
    return ProgramFolders(programFile, GetSpecialFolder(CSIDL_PERSONAL), GetProfileDir(),
                          GetSpecialFolder(CSIDL_APPDATA));
}

std::string VersionTextOf(const std::string& fileVersion)
{
    const std::size_t dot = fileVersion.rfind('.');
    return "Vers. " + (dot == std::string::npos ? fileVersion : fileVersion.substr(0, dot));
}

void FillVersionTexts(TProgramInfo& info)
{
    if (GetFileVersionStrings(info.ProgramFile, info.Version)) {
        info.VersionText = VersionTextOf(info.Version.FileVersion);
    } else {
        info.Version = {};
        info.Version.InternalName = ProductName;
        info.Version.FileVersion = "4.2.6";
        info.VersionText = "Vers. 4.2.6";
    }
    info.Version.Comments = info.VersionText;
    info.ProductText = info.Version.InternalName;
    info.WindowTitle = info.ProductText + " (" + info.VersionText + ")";
    const Platform::TFileTime written = FindFileWriteTime(info.ProgramFile);
    if (written != 0) {
        const TDateTime local = FileTimeToLocalDateTime(written);
        info.ProgramDate = TaskDateText(local) + " " + TaskTimeText(local).substr(0, 5);
    }
}

std::string LanguageFileName(const TProgramInfo& info)
{
    return info.SettingsDir + info.BaseName + ".cfg";
}

std::string ChooseSettingsFile(const TProgramInfo& info, const std::string& iniOption)
{
    if (!iniOption.empty()) {
        return ExpandFileNameDefaults(ExpandPlaceholders(true, iniOption), info.SettingsDir, "ini");
    }
    std::string newName = info.SettingsDir + info.BaseName + ".ini";
    std::string oldName = info.ProfileDir + info.BaseName + ".ini";
    if (newName == oldName) {
        return newName;
    }
    if (Platform::ForceDirectories(RemovePathDelimiter(info.SettingsDir)) != 0 &&
        !Platform::DirectoryExists(info.SettingsDir)) {
        return oldName;
    }
    if (Platform::FileExists(newName) || !Platform::FileExists(oldName)) {
        return newName;
    }
    if (!MoveByCopy(oldName, newName)) {
        return oldName;
    }
    const std::string oldLog = ReplaceExtension(oldName, "log");
    if (Platform::FileExists(oldLog)) {
        MoveByCopy(oldLog, ReplaceExtension(newName, "log"));
    }
    return newName;
}

const TProgramInfo& TheProgramInfo()
{
    return theProgramInfo;
}

void SetTheProgramInfo(const TProgramInfo& info)
{
    theProgramInfo = info;
}
