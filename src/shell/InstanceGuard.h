#pragma once

// One interactive or tray instance per session. The running instance holds a lock file
// in the session's runtime folder for its whole life and listens on a socket there;
// a second start hands its task file over, asks it to show itself, or ends. Batch starts
// and starts with their own settings file run beside it (a batch start with an end
// action asks it to close first). A second lock serialises second starts, so only one
// of them shows the start note at a time.
//
// Requests are single lines, answered with "1" (taken) or "0" (refused):
//   TASK <task file as Windows text>   hand-over; names over 4096 bytes are refused
//   ACTIVATE                           show the window, or open the task editor
//   CLOSE                              end the program (after a run in progress)

#include "platform/LocalIpc.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::size_t MaxHandOverName = 4096;
inline constexpr int SecondStartWaitMs = 5000;

enum class TInstanceRequestKind
{
    HandOver,
    Activate,
    Close
};

struct TInstanceRequest
{
    TInstanceRequestKind Kind = TInstanceRequestKind::Activate;
    std::string TaskName; // HandOver only
};

// The request line of a request, and back (nullopt for a line that is no request).
std::string InstanceRequestLine(const TInstanceRequest& request);
std::optional<TInstanceRequest> ParseInstanceRequest(const std::string& line);

// Sends a request to the running instance; false when none answered or it refused.
bool SendInstanceRequest(const std::string& runtimeDir, const TInstanceRequest& request);

// The running instance's end of the socket.
class TInstanceServer
{
public:
    bool Listen(const std::string& runtimeDir);
    int Fd() const { return server.Fd(); }
    // Takes one waiting connection and answers it; the request when it was valid.
    std::optional<TInstanceRequest> ReadRequest();

private:
    Platform::TLocalServer server;
};

// Answer of the start note: edit the task (6), start the backup (1), cancel (2).
using TStartNote = std::function<int(const std::string& caption, const std::string& taskFile)>;

enum class TGuardOutcome
{
    FirstInstance, // listening; go on starting
    BesideOther,   // batch or own settings file: go on starting without the guard
    RunHere,       // the start note said start: run the task here (start flag 8)
    Exit           // the running instance took over; end now
};

class TInstanceGuard
{
public:
    explicit TInstanceGuard(std::string runtimeDir);

    // Decides this start. flags are the start flags (ScanStartFlags), changed to
    // StartFlagRunHere alone when the start note says start.
    TGuardOutcome Run(const std::vector<std::string>& params, uint8_t& flags, const std::string& caption,
                      const TStartNote& startNote);

    // The socket of the first instance; nullptr otherwise.
    TInstanceServer* Server() const { return server.get(); }
    const std::string& RuntimeDir() const { return dir; }

private:
    bool BecomeFirst();
    TGuardOutcome SecondStart(const std::vector<std::string>& params, uint8_t& flags, const std::string& caption,
                              const TStartNote& startNote);

    std::string dir;
    Platform::TFileLock running;
    Platform::TFileLock starting;
    std::unique_ptr<TInstanceServer> server;
};
