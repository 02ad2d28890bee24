#pragma once

// Runs a Python snippet on Debian's python3 with the file name as its argument and
// returns what it printed (stdout and stderr).

#include "TempFolder.h"

#include <cstdio>
#include <string>

inline std::string RunPython(const std::string& script, const std::string& file)
{
    TTempFolder scripts;
    scripts.WriteHostFile("s.py", script);
    const std::string command = "/usr/bin/python3 " + scripts.Host("s.py") + " '" + file + "' 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) {
            output += buffer;
        }
        pclose(pipe);
    }
    return output;
}

// The INI file as Python's configparser reads it: a "section|key|value" line per key.
inline std::string ConfigparserLines(const std::string& file)
{
    return RunPython(R"(
import configparser, sys
c = configparser.RawConfigParser()
c.optionxform = str
c.read(sys.argv[1], encoding='utf-8')
for s in c.sections():
    for k, v in c.items(s):
        print(f'{s}|{k}|{v}')
)",
                     file);
}
