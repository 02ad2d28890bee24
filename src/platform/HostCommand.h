#pragma once

// Runs a host program and waits for it (for the few services that only a command offers:
// gio mounts, logind session end).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

struct THostCommandResult
{
    int ExitCode = -1;  // -1 when the program could not be started or did not exit normally
    std::string Output; // standard output and standard error together
};

// argv[0] is looked up in PATH; input is written to the program's standard input, which is
// closed afterwards.
THostCommandResult RunHostCommand(const std::vector<std::string>& argv, const std::string& input = {});

// True when the program can be found in PATH.
bool HostCommandExists(const std::string& program);
// The executable a name stands for: itself when it holds a "/", else the first one found in
// PATH; empty when there is none.
std::string FindHostCommand(const std::string& program);

// A program started with StartHostProcess. Pid -1: nothing runs.
struct THostProcess
{
    int Pid = -1;
    int OutputFd = -1; // reading end of the captured standard output, -1 when not captured
    int PidFd = -1;    // becomes readable when the program ends, -1 where the kernel has none
};

// Starts argv[0] (a host path, or a name looked up in PATH) in workDir (host path; empty:
// our own folder), with normal priority and our environment. With captureOutput its
// standard output goes into a pipe (read it through WaitHostProcess); otherwise it shares
// ours. 0, or the errno of the failed start (ENOENT for a missing program or folder).
int StartHostProcess(const std::vector<std::string>& argv, const std::string& workDir, bool captureOutput,
                     THostProcess& process);

// Waits at most timeoutMs (negative: without limit) for the program to end. Captured output
// is read all the while, so a talkative program never blocks on a full pipe, and handed to
// onOutput in arrival order; after the end the rest is read to the end of the pipe.
// onIdle (may be empty) runs about every 100 ms. True when the program ended: exitCode is
// its exit status (128 + signal number after a signal). A stop signal (StopSignals.h) ends
// the wait as the time limit does: the program is left to run on.
bool WaitHostProcess(THostProcess& process, int timeoutMs, const std::function<void(std::string_view)>& onOutput,
                     const std::function<void()>& onIdle, int& exitCode);

// True when the program has ended (exitCode as above); never waits.
bool HostProcessEnded(THostProcess& process, int& exitCode);

// Closes the pipe and lets the program run on: a program that has not ended yet is reaped
// in the background when it does, so it never stays a zombie. process becomes empty.
void ReleaseHostProcess(THostProcess& process);

} // namespace Platform
