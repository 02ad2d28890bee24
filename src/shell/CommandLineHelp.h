#pragma once

// What "--help" prints, and the notes on parameters that the command line ignores
// (a mistyped option, an unknown language), written to the error output so that a
// typo in a cron line or a launcher is seen.

#include "shell/CommandLine.h"

#include <string>
#include <vector>

// True when a parameter is "--help".
bool HelpRequested(const std::vector<std::string>& params);

// The options with what each does, the response-file form and the exit statuses.
std::string CommandLineHelpText(const std::string& programName);

// "Unknown option ignored: -frce" for each option the parse ignored, then "Unknown
// language ignored: fr" for each lang option given directly with an unknown value.
std::vector<std::string> IgnoredParameterNotes(const std::vector<std::string>& params, const TStartSwitches& switches);
