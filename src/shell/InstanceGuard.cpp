#include "shell/InstanceGuard.h"

#include "foundation/PathUtils.h"
#include "shell/CommandLine.h"

namespace {

constexpr const char* RunningLockName = "/Tessaro.lock";
constexpr const char* StartingLockName = "/Tessaro.start.lock";
constexpr const char* SocketName = "/Tessaro.socket";
constexpr const char* HandOverPrefix = "TASK ";
constexpr const char* ActivateLine = "ACTIVATE";
constexpr const char* CloseLine = "CLOSE";
constexpr std::size_t MaxRequestLine = MaxHandOverName + 5;
constexpr int RequestTimeoutMs = 2000;
constexpr int AnswerTimeoutMs = 10000;

} // namespace

std::string InstanceRequestLine(const TInstanceRequest& request)
{
    switch (request.Kind) {
    case TInstanceRequestKind::HandOver:
        return HandOverPrefix + request.TaskName;
    case TInstanceRequestKind::Close:
        return CloseLine;
    case TInstanceRequestKind::Activate:
        break;
    }
    return ActivateLine;
}

std::optional<TInstanceRequest> ParseInstanceRequest(const std::string& line)
{
    if (line == ActivateLine) {
        return TInstanceRequest{TInstanceRequestKind::Activate, {}};
    }
    if (line == CloseLine) {
        return TInstanceRequest{TInstanceRequestKind::Close, {}};
    }
    const std::string prefix = HandOverPrefix;
    if (line.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    std::string name = line.substr(prefix.size());
    if (name.empty() || name.size() > MaxHandOverName || name.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return TInstanceRequest{TInstanceRequestKind::HandOver, std::move(name)};
}

bool SendInstanceRequest(const std::string& runtimeDir, const TInstanceRequest& request)
{
    const std::string line = InstanceRequestLine(request);
    if (line.find('\n') != std::string::npos) {
        return false;
    }
    auto connection = Platform::ConnectLocal(runtimeDir + SocketName);
    if (!connection || !connection->WriteAll(line + "\n")) {
        return false;
    }
    std::string answer;
    return connection->ReadLine(answer, 16, AnswerTimeoutMs) && answer == "1";
}

bool TInstanceServer::Listen(const std::string& runtimeDir)
{
    return server.Listen(runtimeDir + SocketName);
}

std::optional<TInstanceRequest> TInstanceServer::ReadRequest()
{
    auto connection = server.Accept();
    if (!connection) {
        return std::nullopt;
    }
    std::string line;
    std::optional<TInstanceRequest> request;
    if (connection->ReadLine(line, MaxRequestLine, RequestTimeoutMs)) {
        request = ParseInstanceRequest(line);
    }
    connection->WriteAll(request ? "1\n" : "0\n");
    return request;
}

TInstanceGuard::TInstanceGuard(std::string runtimeDir)
    : dir(std::move(runtimeDir)), running(dir + RunningLockName), starting(dir + StartingLockName)
{}

bool TInstanceGuard::BecomeFirst()
{
    if (dir.empty() || !running.TryLock()) {
        return false;
    }
    // Second starts wait for this lock; they find the socket listening once it is free.
    const bool wasStarting = starting.Locked();
    starting.LockWithin(SecondStartWaitMs);
    server = std::make_unique<TInstanceServer>();
    if (!server->Listen(dir)) {
        server.reset();
    }
    if (!wasStarting) {
        starting.Unlock();
    }
    return true;
}

TGuardOutcome TInstanceGuard::Run(const std::vector<std::string>& params, uint8_t& flags, const std::string& caption,
                                  const TStartNote& startNote)
{
    if (flags & (StartFlagBatch | StartFlagOwnIni)) {
        if (flags & StartFlagEnd) {
            SendInstanceRequest(dir, {TInstanceRequestKind::Close, {}});
        }
        return TGuardOutcome::BesideOther;
    }
    if (dir.empty() || BecomeFirst()) {
        return TGuardOutcome::FirstInstance;
    }
    return SecondStart(params, flags, caption, startNote);
}

TGuardOutcome TInstanceGuard::SecondStart(const std::vector<std::string>& params, uint8_t& flags,
                                          const std::string& caption, const TStartNote& startNote)
{
    const std::string task = FirstTaskParam(params);
    if (!task.empty() && starting.LockWithin(SecondStartWaitMs)) {
        const int answer = startNote ? startNote(caption, ReplaceExtension(task, "buj")) : 6;
        if (answer == 1) {
            starting.Unlock();
            flags = StartFlagRunHere;
        } else if (answer != 6) {
            starting.Unlock();
            return TGuardOutcome::Exit;
        } else if (!SendInstanceRequest(dir, {TInstanceRequestKind::HandOver, task}) && BecomeFirst()) {
            starting.Unlock();
            return TGuardOutcome::FirstInstance;
        }
    }
    if (flags & StartFlagRunHere) {
        return TGuardOutcome::RunHere;
    }
    const bool activated = flags == 0 && SendInstanceRequest(dir, {TInstanceRequestKind::Activate, {}});
    if (!activated && BecomeFirst()) {
        starting.Unlock();
        return TGuardOutcome::FirstInstance;
    }
    starting.Unlock();
    return TGuardOutcome::Exit;
}
