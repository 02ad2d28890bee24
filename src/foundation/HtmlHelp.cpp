#include "foundation/HtmlHelp.h"

#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "foundation/WinServices.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/HostInfo.h"

namespace {

constexpr std::string_view SystemRootToken = "%SYSTEMROOT%";

struct THelpState
{
    bool Loaded = false;
    std::string Folder;
    std::string Language = "en";
    THelpViewer Viewer;
    std::function<void()> CloseAll;
};

THelpState& State()
{
    static THelpState state;
    return state;
}

std::vector<std::string> DefaultFallbacks()
{
    std::vector<std::string> folders;
    const std::string program = Platform::HostProgramPath();
    if (const auto win = Platform::HostToWin(program); win && !program.empty()) {
        const std::string programDir = ExtractFilePath(*win);
        folders.push_back(programDir + "..\\share\\tessaro\\help");
        folders.push_back(programDir + "help");
    }
    if (const auto source = Platform::HostToWin(std::string(TESSARO_SOURCE_DIR) + "/resources/help")) {
        folders.push_back(*source);
    }
    return folders;
}

} // namespace

std::string ExpandSystemRoot(const std::string& value, const std::string& windowsDir)
{
    if (value.size() >= SystemRootToken.size() && StartsWithIgnoringCase(value, SystemRootToken)) {
        return RemovePathDelimiter(windowsDir) + value.substr(SystemRootToken.size());
    }
    return value;
}

std::string FindHelpFolder(const std::string& configured, const std::string& windowsDir,
                           const std::vector<std::string>& fallbacks)
{
    std::string expanded = ExpandSystemRoot(configured, windowsDir);
    if (!expanded.empty() && Platform::DirectoryExists(expanded)) {
        return expanded;
    }
    for (const std::string& folder : fallbacks) {
        if (!folder.empty() && Platform::DirectoryExists(folder)) {
            return folder;
        }
    }
    return {};
}

std::string HelpPageFile(const std::string& folder, const std::string& lang, const std::string& topic)
{
    if (folder.empty() || topic.empty() || !IsValidFileName(topic)) {
        return {};
    }
    for (const std::string& language : {lang, std::string("en")}) {
        if (language.empty() || !IsValidFileName(language)) {
            continue;
        }
        std::string page = AddPathDelimiter(folder);
        page.append(language).append("\\").append(topic).append(".html");
        if (Platform::FileExists(page)) {
            return page;
        }
    }
    return {};
}

bool LoadHtmlHelp()
{
    THelpState& state = State();
    if (!state.Loaded) {
        state.Folder = FindHelpFolder(InstalledHelpFolder, GetWindowsDir(), DefaultFallbacks());
        state.Loaded = !state.Folder.empty();
    }
    return state.Loaded;
}

void UnloadHtmlHelp()
{
    State().Loaded = false;
    State().Folder.clear();
}

bool HtmlHelpLoaded()
{
    return State().Loaded;
}

std::string HtmlHelpFolder()
{
    return State().Folder;
}

void SetHelpViewer(THelpViewer viewer, std::function<void()> closeAll)
{
    State().Viewer = std::move(viewer);
    State().CloseAll = std::move(closeAll);
}

void SetHelpLanguage(const std::string& lang)
{
    State().Language = lang.empty() ? "en" : lang.substr(0, 2);
}

bool HtmlHelp(const std::string& topic)
{
    THelpState& state = State();
    const std::string page = LoadHtmlHelp() ? HelpPageFile(state.Folder, state.Language, topic) : std::string();
    if (page.empty() || !state.Viewer) {
        ErrorDialog({}, TrDialogs("Help is not available on this system!"));
        return false;
    }
    state.Viewer(page);
    return true;
}

void CloseAllHelp()
{
    if (State().CloseAll) {
        State().CloseAll();
    }
}
