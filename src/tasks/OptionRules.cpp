#include "tasks/OptionRules.h"

#include "foundation/IniFile.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "tasks/TaskChecks.h"
#include "tasks/TaskModel.h"

#include <algorithm>

namespace {

bool CountDigit(char ch)
{
    return ch >= '1' && ch <= '9';
}

} // namespace

int SplitSuffixCounter(std::string& suffix)
{
    const size_t hash = suffix.find('#');
    if (hash == std::string::npos) {
        return 0;
    }
    if (hash + 1 < suffix.size() && CountDigit(suffix[hash + 1])) {
        const int count = suffix[hash + 1] - '0';
        suffix.erase(hash + 1, 1);
        return count;
    }
    suffix.erase(hash, 1);
    return 0;
}

TSuffixParts SplitSuffix(const std::string& suffix)
{
    TSuffixParts parts;
    const size_t hash = suffix.find('#');
    if (hash == std::string::npos) {
        parts.Text = suffix;
        return parts;
    }
    if (hash + 1 < suffix.size() && CountDigit(suffix[hash + 1])) {
        parts.Count = suffix[hash + 1] - '0';
    }
    parts.Text = suffix.substr(0, hash > 0 && suffix[hash - 1] == '-' ? hash - 1 : hash);
    return parts;
}

std::string JoinSuffix(const TSuffixParts& parts)
{
    std::string suffix = parts.Text;
    if (parts.Count > 0) {
        if (!suffix.empty() && suffix.back() != '-') {
            suffix += '-';
        }
        suffix += '#' + std::to_string(std::min(parts.Count, 9));
    }
    return suffix;
}

bool ValidSuffixText(const std::string& text)
{
    return !text.empty() && IsValidFileName(text);
}

uint32_t LogSettingOf(int mode, bool restores, bool cleanups, bool print)
{
    uint32_t setting = static_cast<uint32_t>(std::clamp(mode, 0, 3));
    setting |= restores ? 16u : 0u;
    setting |= cleanups ? 32u : 0u;
    setting |= print ? 64u : 0u;
    return setting;
}

std::string LogLabelText(uint32_t setting)
{
    const uint32_t mode = setting & 0x0F;
    if (mode == 0) {
        return TrDefault("off");
    }
    static const char* const modes[] = {TrNoopDefault("short"), TrNoopDefault("long"), TrNoopDefault("extended")};
    std::string text = TrDefault(modes[std::min<uint32_t>(mode, 3) - 1]) + TrDefault(" on ") + "B";
    text += (setting & 16) ? "+R" : "";
    text += (setting & 32) ? "+C" : "";
    text += (setting & 64) ? "+P" : "";
    return text;
}

std::string ReadTaskNote(const std::string& taskFile)
{
    if (taskFile.empty() || !Platform::FileExists(taskFile)) {
        return {};
    }
    const TIniFile ini(taskFile);
    return ReplaceChar(ini.ReadString("Global", "Note"), '#', '"');
}

std::string CommandProgram(const std::string& command)
{
    if (!command.empty() && command.front() == '"') {
        const size_t end = command.find('"', 1);
        return command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return command.substr(0, command.find(' '));
}

TCommandControls CommandControlsOf(const std::string& command, int32_t wait, int seconds)
{
    TCommandControls controls;
    controls.Text = command;
    controls.Active = (wait & CommandEnabledBit) != 0;
    const int waitSeconds = wait & CommandWaitMask;
    controls.WaitForEnd = waitSeconds == 0;
    controls.Seconds = waitSeconds != 0 ? waitSeconds : seconds;
    return controls;
}

void CommitCommand(const TCommandControls& controls, std::string& command, int32_t& wait)
{
    command = controls.Text;
    const bool active = controls.Active && !command.empty();
    wait = controls.WaitForEnd ? 0 : std::clamp(controls.Seconds, 1, CommandWaitMask);
    if (active) {
        wait |= CommandEnabledBit;
    }
}

TBrowseStart ProgramBrowseStart(bool post, const std::string& command, const std::string& preCommand,
                                const std::string& defaultFolder)
{
    TBrowseStart start;
    std::string program = CommandProgram(command);
    bool withName = true;
    if (command.empty()) {
        withName = false;
        program = post ? CommandProgram(preCommand) : std::string();
    }
    if (program.empty()) {
        start.Folder = defaultFolder;
        return start;
    }
    start.Folder = ExtractFilePath(program);
    if (withName) {
        start.FileName = ExtractFileName(program);
    }
    std::string ext = ExtractFileName(program);
    const size_t dot = ext.rfind('.');
    ext = dot == std::string::npos ? std::string() : ext.substr(dot + 1);
    start.FilterIndex = ext.empty() ? 1 : GetFilterIndex(ProgramFilter, ext);
    return start;
}

bool LayoutNeedsPlainCopy(const TBackupTask& task)
{
    return task.IsZipDestination() || (task.DestMode == DestOneDirectory && task.Sources.size() >= 2);
}

TOptionEnabling OptionEnablingOf(const TBackupTask& task)
{
    TOptionEnabling on;
    const bool zip = task.IsZipDestination();
    const bool copying = task.BackupMethod() == MethodCopy;
    on.Method = !LayoutNeedsPlainCopy(task);
    on.ArchiveBits = copying;
    on.Sync = on.Method && copying;
    const bool security = on.Sync && !task.FtpBackup;
    on.NoBak = security;
    on.KeepBak = security && !task.NoBaks;
    on.BakName = on.KeepBak && task.BakFiles;
    on.Verify = !task.FtpBackup;
    on.DelDir = task.DestMode != DestZipFile && !task.FtpBackup;
    // Shell copy and gzip files exclude each other; a zip file compresses by itself.
    on.Compression = !zip && !task.ShellCopy;
    on.CompTypes = on.Compression && task.Compress;
    on.ShellCopy = !zip && !task.Compress;
    on.CreationTime = !zip;
    on.ZipName = zip;
    on.Encrypt = !task.ShellCopy;
    on.FixPassword = on.Encrypt && task.Encrypt;
    on.CryptPassword = task.Encrypt && task.FixPassword;
    on.TimeCompare = !task.FtpBackup;
    return on;
}

bool LimitToLayout(TBackupTask& task)
{
    if (!LayoutNeedsPlainCopy(task) || (task.SyncMode == SyncOff && !task.ClearDest)) {
        return false;
    }
    // The archive-bit options stay: a copy may still use and reset the bit.
    task.SyncMode = SyncOff;
    task.ClearDest = false;
    return true;
}

bool ChangeDestMode(TBackupTask& task, int destMode, bool sourceSelected)
{
    task.DestMode = destMode;
    const bool accepted = SourcesOnOneDrive(task, {}, sourceSelected);
    if (!accepted) {
        task.DestMode = task.IsZipDestination() ? DestZipPerDirectory : DestDrivesSeparated;
    }
    LimitToLayout(task);
    if (task.IsZipDestination()) {
        task.ShellCopy = false;
    }
    return accepted;
}
