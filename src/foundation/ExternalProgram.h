#pragma once

// Runs another program (the commands a task runs before and after a backup) and waits
// for it: RunProgramWithOutput, SplitWindowsCommandLine, SetProgramOutputWindow.
//
// Command lines are split by the quoting rules of Windows programs; no shell takes part.
// The program may be a host path ("/home/ann/bin/dump.sh") or Windows text; arguments that
// are absolute Windows paths are mapped to host paths. See FindProgram for the program.

#include <functional>
#include <string>
#include <vector>

// Results besides the exit code.
inline constexpr int ProgramTimedOut = -258;   // the time-out passed before the program ended
inline constexpr int ProgramStopped = -1223;   // a stop signal ended the wait (the program runs on)
inline constexpr int ProgramStillActive = 259; // forced exit code of a program still running
inline constexpr int ProgramPipeFailed = -1;   // the output pipe could not be set up

// Receives the captured standard output, in one piece, after the program ended.
using TProgramOutput = std::function<void(const std::string& text)>;

// workDir is Windows text (empty: our own folder). timeout 0: the program shares our standard output and is waited for
// without limit, the message loop running between checks. Otherwise it runs with its standard output captured and is
// waited for at most |timeout| seconds; the output goes to `output` when given, else to the output window for a
// positive time-out (shown for timeout seconds), and is dropped for a negative one. Output is read while the program
// runs. Result: the exit code; ProgramTimedOut after the time-out and ProgramStopped after a stop signal
// (platform/StopSignals.h; then no output is handed on), unless forceExitCode
// asks for the exit code anyway (ProgramStillActive while it runs); minus the Windows error code when the program
// cannot be started (-2 missing program). A program still running after the time-out is left running and reaped when it
// ends.
int RunProgramWithOutput(const std::string& commandLine, const std::string& workDir, int timeout, bool forceExitCode,
                         const TProgramOutput& output = {});

// The host path of a command's program: an absolute host path or Windows path as it stands,
// a relative one ("dump.sh", "bin/dump.sh") inside workDir (Windows text) when it is there,
// else a bare name found in PATH. Empty when no such file exists.
std::string FindProgram(const std::string& program, const std::string& workDir);

// Where the program of a command line ends (the blank after it, or the end): the rest are
// its arguments.
std::size_t ProgramNameEnd(const std::string& commandLine);

// Splits a command line as Windows programs do (unlike SplitCommandLine of shortcuts,
// backslashes before quotes count): the program name runs to the next blank
// outside double quotes (quotes removed); in the arguments 2n backslashes before a quote
// give n backslashes and toggle quoting, 2n+1 give n and a literal quote, "" inside
// quotes is a literal quote, other backslashes stay.
std::vector<std::string> SplitWindowsCommandLine(const std::string& commandLine);

// The output window: shows a program's captured text for displaySeconds. The window layer
// registers it; without one the text is dropped. Returns the previous one.
using TProgramOutputWindow = std::function<void(const std::string& text, int displaySeconds)>;
TProgramOutputWindow SetProgramOutputWindow(TProgramOutputWindow window);
