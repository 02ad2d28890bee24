#pragma once

// Running the format peers (gzip, unzip, 7zz, bsdtar, python3) from tests.

#include "engine/CopyThread.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>

inline bool HaveTool(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Exit code of a shell command (its output is dropped unless it redirects it itself).
inline int RunQuiet(const std::string& command)
{
    const int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Quote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Starts a worker, waits for its end and returns its status code.
inline TStatusCode RunToEnd(TCopyThread& worker)
{
    worker.Start();
    WaitForWorkerEnd(worker);
    return worker.StatusCode;
}
