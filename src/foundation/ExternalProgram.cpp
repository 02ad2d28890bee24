#include "foundation/ExternalProgram.h"

#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/HostCommand.h"
#include "platform/StopSignals.h"
#include "platform/WinError.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <mutex>

namespace {

std::mutex windowMutex;
TProgramOutputWindow outputWindow;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos)
{
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

std::string ReadProgramName(const std::string& text, std::size_t& pos)
{
    std::string name;
    bool quoted = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            name += c;
        }
    }
    return name;
}

std::string ReadArgument(const std::string& text, std::size_t& pos)
{
    std::string arg;
    bool quoted = false;
    while (pos < text.size() && (quoted || !IsBlank(text[pos]))) {
        std::size_t slashes = 0;
        while (pos < text.size() && text[pos] == '\\') {
            ++slashes;
            ++pos;
        }
        if (pos < text.size() && text[pos] == '"') {
            arg.append(slashes / 2, '\\');
            if (slashes % 2 == 1) {
                arg += '"';
            } else if (quoted && pos + 1 < text.size() && text[pos + 1] == '"') {
                arg += '"';
                ++pos;
            } else {
                quoted = !quoted;
            }
            ++pos;
            continue;
        }
        arg.append(slashes, '\\');
        if (slashes == 0 && pos < text.size()) {
            arg += text[pos++];
        }
    }
    return arg;
}

bool IsAbsoluteWindowsPath(const std::string& text)
{
    const bool drive =
        text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' && text[2] == '\\';
    return drive || text.rfind("\\\\", 0) == 0;
}

// Absolute Windows paths among the arguments become host paths, so that "%dest%" and
// folders of the task reach the program in a form it can open.
std::string HostArgument(const std::string& arg)
{
    if (!IsAbsoluteWindowsPath(arg)) {
        return arg;
    }
    return Platform::WinToHost(arg).value_or(arg);
}

std::string ExistingHostFile(const std::string& winPath)
{
    return Platform::FileExists(winPath) ? Platform::WinToHost(winPath).value_or(std::string()) : std::string();
}

int StartError(int err)
{
    return -Platform::ErrorFromErrno(err);
}

} // namespace

std::string FindProgram(const std::string& program, const std::string& workDir)
{
    if (program.empty()) {
        return {};
    }
    if (program.front() == '/') {
        return ExistingHostFile(Platform::HostToWin(program).value_or(std::string()));
    }
    if (IsAbsolutePath(program)) {
        return ExistingHostFile(program);
    }
    if (!workDir.empty()) {
        if (std::string inWorkDir = ExistingHostFile(AddPathDelimiter(workDir) + ReplaceChar(program, '/', '\\'));
            !inWorkDir.empty()) {
            return inWorkDir;
        }
    }
    const bool hasFolder = program.find_first_of("/\\") != std::string::npos;
    return hasFolder ? std::string() : Platform::FindHostCommand(program);
}

std::size_t ProgramNameEnd(const std::string& commandLine)
{
    std::size_t pos = SkipBlanks(commandLine, 0);
    ReadProgramName(commandLine, pos);
    return pos;
}

std::vector<std::string> SplitWindowsCommandLine(const std::string& commandLine)
{
    std::vector<std::string> items;
    std::size_t pos = SkipBlanks(commandLine, 0);
    if (pos >= commandLine.size()) {
        return items;
    }
    items.push_back(ReadProgramName(commandLine, pos));
    while ((pos = SkipBlanks(commandLine, pos)) < commandLine.size()) {
        items.push_back(ReadArgument(commandLine, pos));
    }
    return items;
}

TProgramOutputWindow SetProgramOutputWindow(TProgramOutputWindow window)
{
    std::lock_guard lock(windowMutex);
    std::swap(outputWindow, window);
    return window;
}

int RunProgramWithOutput(const std::string& commandLine, const std::string& workDir, int timeout, bool forceExitCode,
                         const TProgramOutput& output)
{
    std::vector<std::string> argv = SplitWindowsCommandLine(commandLine);
    if (argv.empty()) {
        return -Platform::ErrorFileNotFound;
    }
    argv[0] = FindProgram(argv[0], workDir);
    if (argv[0].empty()) {
        return -Platform::ErrorFileNotFound;
    }
    for (std::size_t i = 1; i < argv.size(); ++i) {
        argv[i] = HostArgument(argv[i]);
    }
    std::string hostDir;
    if (!workDir.empty()) {
        hostDir = Platform::WinToHost(workDir).value_or(std::string());
        if (hostDir.empty()) {
            return -Platform::ErrorPathNotFound;
        }
    }
    const bool capture = timeout != 0;
    Platform::THostProcess process;
    const int started = Platform::StartHostProcess(argv, hostDir, capture, process);
    if (started != 0) {
        if (capture && (started == EMFILE || started == ENFILE)) {
            ErrorDialog(TrUnits("Execute Error"), TrUnits("Stdout pipe creation failed"));
            return ProgramPipeFailed;
        }
        return StartError(started);
    }
    std::string text;
    const auto collect = [&text](std::string_view chunk) { text.append(chunk); };
    const int limitMs =
        timeout == 0 ? -1 : static_cast<int>(std::min<long long>(std::llabs(timeout) * 1000LL, INT_MAX));
    int exitCode = 0;
    int result = 0;
    if (Platform::WaitHostProcess(process, limitMs, collect, ProcessMessages, exitCode)) {
        result = exitCode;
    } else if (forceExitCode) {
        result = Platform::HostProcessEnded(process, exitCode) ? exitCode : ProgramStillActive;
    } else {
        result = Platform::StopRequested() ? ProgramStopped : ProgramTimedOut;
    }
    Platform::ReleaseHostProcess(process);
    if (!capture || result < 0) {
        return result;
    }
    if (output) {
        output(text);
    } else if (timeout > 0) {
        TProgramOutputWindow window;
        {
            std::lock_guard lock(windowMutex);
            window = outputWindow;
        }
        if (window) {
            window(text, timeout);
        }
    }
    return result;
}
