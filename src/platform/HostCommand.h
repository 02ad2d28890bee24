#pragma once

// Runs a host program and waits for it (for the few services that only a command offers:
// gio mounts, logind session end).

#include <string>
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

} // namespace Platform
