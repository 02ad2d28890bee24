#include "shell/CommandLine.h"

#include "foundation/FileUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/HostInfo.h"

#include <array>
#include <optional>

namespace {

constexpr std::array<const char*, 17> OptionKeywords = {"end",  "speed",    "ini",   "taskdir", "wait",    "lang",
                                                        "log",  "narrow",   "quiet", "hide",    "disable", "user",
                                                        "auto", "protocol", "force", "clean",   "restore"};

bool AbbreviatesAnyKeyword(const std::string& name)
{
    for (const char* keyword : OptionKeywords) {
        if (MatchesKeyword(name, keyword)) {
            return true;
        }
    }
    return false;
}

// The option's number: leading blanks skipped, read up to the first blank, low 32 bits kept.
int32_t OptionNumber(const std::string& value, int32_t otherwise)
{
    std::string rest = value;
    bool error = false;
    const std::int64_t number = ReadNextInt64(rest, ' ', error, otherwise);
    return error ? otherwise : static_cast<int32_t>(static_cast<uint32_t>(number));
}

bool ReadEndAction(const std::string& value, uint8_t& action)
{
    static constexpr std::array<std::pair<const char*, uint8_t>, 4> actions = {{{"shutdown", EndActionShutdown},
                                                                                {"logoff", EndActionLogoff},
                                                                                {"restart", EndActionRestart},
                                                                                {"poweroff", EndActionPowerOff}}};
    for (const auto& [keyword, code] : actions) {
        if (MatchesKeyword(value, keyword)) {
            action = code;
            return true;
        }
    }
    return false;
}

bool ReadStartMode(const std::string& text, TStartMode& mode)
{
    static constexpr std::array<std::pair<const char*, TStartMode>, 5> modes = {{{"auto", TStartMode::Auto},
                                                                                 {"protocol", TStartMode::Protocol},
                                                                                 {"force", TStartMode::Force},
                                                                                 {"clean", TStartMode::Clean},
                                                                                 {"restore", TStartMode::Restore}}};
    for (const auto& [keyword, value] : modes) {
        if (MatchesKeyword(text, keyword)) {
            mode = value;
            return true;
        }
    }
    return false;
}

bool ReadValueOption(const std::string& text, const char* keyword, std::string& value)
{
    value = text;
    return ReadOptionValue(value, keyword);
}

bool ParseValueOption(const std::string& text, TStartSwitches& s)
{
    std::string value;
    if (ReadValueOption(text, "end", value)) {
        ReadEndAction(value, s.EndAction);
    } else if (ReadValueOption(text, "speed", value)) {
        if (MatchesKeyword(value, "fast")) {
            s.Speed = 4;
        } else if (MatchesKeyword(value, "slow")) {
            s.Speed = 1;
        }
    } else if (ReadValueOption(text, "ini", value)) {
        s.IniFile = CommandLinePathToWin(value);
    } else if (ReadValueOption(text, "taskdir", value)) {
        s.TaskDir = CommandLinePathToWin(value);
    } else if (ReadValueOption(text, "wait", value)) {
        s.Wait = OptionNumber(value, 5);
    } else if (ReadValueOption(text, "lang", value)) {
        // chosen before the windows exist (ReadLanguage)
    } else if (ReadValueOption(text, "log", value)) {
        s.Log = OptionNumber(value, 0);
    } else {
        return false;
    }
    return true;
}

bool ParseFlagOption(const std::string& text, TStartSwitches& s)
{
    if (MatchesKeyword(text, "narrow")) {
        s.Narrow = true;
    } else if (MatchesKeyword(text, "quiet")) {
        s.Quiet = true;
    } else if (MatchesKeyword(text, "hide")) {
        s.Hide = true;
    } else if (MatchesKeyword(text, "disable")) {
        s.Disable = true;
    } else {
        return false;
    }
    return true;
}

// The parameters one after another, response files read item by item.
template <typename Visit> void ForEachItem(const std::vector<std::string>& params, Visit visit)
{
    for (const std::string& param : params) {
        if (!param.empty() && param.front() == '@') {
            std::string items = ReadResponseFile(CommandLinePathToWin(param.substr(1)));
            while (!items.empty()) {
                visit(ReadNextItem(items, '|'));
            }
        } else {
            visit(param);
        }
    }
}

} // namespace

bool IsOptionParameter(const std::string& param)
{
    if (param.empty()) {
        return false;
    }
    if (param.front() == '-') {
        return true;
    }
    if (param.front() != '/') {
        return false;
    }
    const std::string name =
        param.substr(1, param.find(':') == std::string::npos ? std::string::npos : param.find(':') - 1);
    return !name.empty() && name.find('/') == std::string::npos && AbbreviatesAnyKeyword(name);
}

namespace {

// A plain name of the working folder: a folder, or a file as given or with a task file's extension.
bool InWorkingFolder(const std::string& winPath)
{
    if (Platform::DirectoryExists(winPath)) {
        return true;
    }
    for (const char* extension : {"", ".buj", ".rsj", ".cuj"}) {
        if (Platform::FileExists(winPath + extension)) {
            return true;
        }
    }
    return false;
}

std::string ItemPathToWin(const std::string& item)
{
    if (item.empty()) {
        return item;
    }
    if (item.front() == '/') {
        return Platform::HostToWin(item).value_or(item);
    }
    // Placeholders and Windows text ("%perspath%\x.buj") are read by the run.
    if (item.find_first_of("%\\") != std::string::npos) {
        return item;
    }
    const std::optional<std::string> win = Platform::HostToWin(Platform::HostCurrentDir() + "/" + item);
    if (!win) {
        return item;
    }
    const bool path = item.find('/') != std::string::npos || item == "." || item == "..";
    return path || InWorkingFolder(*win) ? *win : item;
}

} // namespace

std::string CommandLinePathToWin(const std::string& param)
{
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = param.find(',', start);
        out += ItemPathToWin(param.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) {
            return out;
        }
        out += ',';
        start = comma + 1;
    }
}

bool ParseOption(const std::string& param, TStartSwitches& switches)
{
    if (param.empty()) {
        return true;
    }
    if (!IsOptionParameter(param)) {
        if (!switches.TaskList.empty()) {
            switches.TaskList += ',';
        }
        switches.TaskList += CommandLinePathToWin(param);
        return true;
    }
    const std::string text = param.substr(1);
    if (ParseValueOption(text, switches) || ParseFlagOption(text, switches)) {
        return true;
    }
    std::string value;
    if (ReadValueOption(text, "user", value)) {
        const std::size_t colon = value.find(':');
        if (colon != std::string::npos) {
            switches.AccountName = value.substr(0, colon);
            switches.AccountPassword = value.substr(colon + 1);
        }
        return true;
    }
    return ReadStartMode(text, switches.Mode);
}

void ParseCommandLine(const std::vector<std::string>& params, TStartSwitches& switches)
{
    ForEachItem(params, [&](const std::string& item) {
        if (!ParseOption(item, switches)) {
            switches.Ignored.push_back(item);
        }
    });
}

void ClassifyOption(const std::string& text, uint8_t& flags)
{
    for (const char* keyword : {"force", "clean", "restore", "protocol"}) {
        if (MatchesKeyword(text, keyword)) {
            flags |= StartFlagBatch;
            break;
        }
    }
    std::string value;
    if (MatchesKeyword(text, "auto")) {
        flags |= StartFlagAuto;
    } else if (ReadValueOption(text, "ini", value)) {
        flags |= StartFlagOwnIni;
    } else if (ReadValueOption(text, "end", value)) {
        flags |= StartFlagEnd;
    }
}

uint8_t ScanStartFlags(const std::vector<std::string>& params)
{
    uint8_t flags = 0;
    ForEachItem(params, [&](const std::string& item) {
        if (IsOptionParameter(item)) {
            ClassifyOption(item.substr(1), flags);
        }
    });
    return flags;
}

std::string FirstTaskParam(const std::vector<std::string>& params)
{
    for (const std::string& param : params) {
        if (!param.empty() && param.front() != '@' && !IsOptionParameter(param)) {
            return CommandLinePathToWin(param);
        }
    }
    return {};
}
