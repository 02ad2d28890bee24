#include "tasks/ExecuteCommand.h"

#include "foundation/DriveUtils.h"
#include "foundation/ExternalProgram.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "foundation/StringUtils.h"
#include "foundation/SysErrors.h"
#include "foundation/Translate.h"
#include "foundation/WinServices.h"
#include "platform/FileSystem.h"
#include "tasks/BackupLog.h"
#include "tasks/Placeholders.h"
#include "tasks/TaskModel.h"

#include <cstdio>
#include <vector>

namespace {

constexpr const char* CommandLogPrefix = "  ## ";

std::string Format(const std::string& pattern, const std::string& value)
{
    return ReplaceText(pattern, "%s", value);
}

// ":LABEL:\rest" -> the root of the drive labelled LABEL + rest; false for an unknown label.
bool ResolveVolumeLabel(const std::string& destination, std::string& resolved)
{
    if (destination.empty() || destination.front() != ':') {
        resolved = destination;
        return true;
    }
    const std::size_t delim = destination.find('\\');
    const std::string head = destination.substr(0, delim);
    std::string label = head.substr(1);
    if (!label.empty() && label.back() == ':') {
        label.pop_back();
    }
    std::string root;
    if (label.empty() || !FindVolumeDrive(label, root)) {
        return false;
    }
    const std::string rest = delim == std::string::npos ? std::string() : destination.substr(delim + 1);
    resolved = AddPathDelimiter(root) + rest;
    return true;
}

std::string FirstItem(std::string text)
{
    return ReadNextQuotedItem(text, ' ');
}

std::string CommandProgram(const std::string& expanded)
{
    const std::vector<std::string> items = SplitWindowsCommandLine(expanded);
    return items.empty() ? std::string() : items.front();
}

void Log(const TCommandContext& context, const std::string& line)
{
    if (context.Log != nullptr) {
        context.Log->WriteLog(CommandLogPrefix + line);
    }
}

void LogProblem(const TCommandContext& context, const std::string& line)
{
    if (context.Log != nullptr) {
        context.Log->WriteProblem(CommandLogPrefix + line);
    }
}

bool ShowsDialogs(int endMode)
{
    return endMode == EndWaitForUser || endMode == EndWaitOnError;
}

void LogOutput(const TCommandContext& context, const std::string& text)
{
    if (context.Log == nullptr || context.Log->LogMode == LogOff) {
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        context.Log->WriteLogVerbatim(LogFilePrefix + line);
        start = end + 1;
    }
}

std::string ReturnedErrorText(int result)
{
    if (result > 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(result));
        return ReplaceText(TrDefault("Returned errorlevel = %u"), "%u", number);
    }
    return SysErrorMessage(-result);
}

} // namespace

bool ExpandCommand(const std::string& command, const std::string& destination, std::string& expanded)
{
    std::string text = ExpandPlaceholders(false, command);
    if (TextPos("%dest%", text) != 0) {
        std::string dest;
        if (!ResolveVolumeLabel(ExpandPlaceholders(false, destination), dest)) {
            expanded = text;
            return false;
        }
        text = ReplaceTextIgnoringCase(text, "%dest%", ShownFolderText(dest));
    }
    expanded = ReplaceTextIgnoringCase(text, "%sysdir%", ShownFolderText(GetSystemDir()));
    return true;
}

bool CommandProgramExists(const std::string& expanded, const std::string& workDir)
{
    if (StartsWithIgnoringCase(expanded, "cmd")) {
        const std::size_t switchPos = TextPos("/c ", expanded);
        if (switchPos == 0) {
            return true;
        }
        const std::string program = FirstItem(expanded.substr(switchPos - 1 + 3));
        return !program.empty() && Platform::AnyExists(program);
    }
    return !FindProgram(CommandProgram(expanded), workDir).empty();
}

std::string CommandFolder(const std::string& taskDir)
{
    return !taskDir.empty() && Platform::DirectoryExists(taskDir) ? taskDir : GetProfileDir();
}

TCommandOutcome ExecuteCommand(const std::string& command, int32_t wait, int endMode, const TCommandContext& context)
{
    if (command.empty() || (wait & CommandEnabledBit) == 0) {
        return TCommandOutcome::Done;
    }
    std::string expanded;
    const bool labelFound = ExpandCommand(command, context.Destination, expanded);
    const std::string workDir = CommandFolder(context.TaskDir);
    if (!labelFound || !CommandProgramExists(expanded, workDir)) {
        const std::string text = Format(TrDefault("External program not found: %s"), expanded);
        LogProblem(context, text);
        if (ShowsDialogs(endMode)) {
            ErrorDialog("", text);
        }
        return TCommandOutcome::NotFound;
    }
    const int timeout = -(wait & CommandWaitMask);
    const int result = RunProgramWithOutput(expanded, RemovePathDelimiter(workDir), timeout, false,
                                            [&context](const std::string& text) { LogOutput(context, text); });
    if (result == 0) {
        Log(context, Format(TrDefault("External program succeeded: %s"), expanded));
        return TCommandOutcome::Done;
    }
    if (result == ProgramStopped) {
        // The program runs on; the run ends as cancelled.
        LogProblem(context, Format(TrDefault("The run was stopped while waiting for: %s"), expanded));
        return TCommandOutcome::Failed;
    }
    const std::string failed = Format(TrDefault("Error executing: %s"), expanded);
    LogProblem(context, failed + " -> " + ReturnedErrorText(result));
    if (ShowsDialogs(endMode)) {
        ErrorDialog("", failed + "\r\n" + ReturnedErrorText(result));
    }
    return TCommandOutcome::Failed;
}
