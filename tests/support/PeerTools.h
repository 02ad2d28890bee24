#pragma once

// Running the format peers (gzip, unzip, 7zz, bsdtar, python3) from tests.

#include "engine/CopyThread.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

inline bool HaveTool(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// True when the peer program is there. Without it the test fails under CI, whose machine
// must have every peer, and is reported as skipped elsewhere: a check never passes unseen.
inline bool RequirePeer(const std::string& tool)
{
    if (HaveTool(tool)) {
        return true;
    }
    const char* ci = std::getenv("CI");
    if (ci && *ci) {
        ADD_FAILURE() << "peer '" << tool << "' is missing; add its package to scripts/packages.d/";
    } else {
        [&] { GTEST_SKIP() << "peer '" << tool << "' is missing"; }();
    }
    return false;
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
