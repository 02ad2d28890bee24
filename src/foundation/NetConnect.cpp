#include "foundation/NetConnect.h"

#include "foundation/DriveUtils.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"
#include "platform/HostCommand.h"
#include "platform/MountInfo.h"
#include "platform/WinError.h"

#include <atomic>
#include <mutex>

namespace {

std::mutex credentialsMutex;
std::string storedUser;
std::string storedPassword;
TNetCredentialPrompt credentialPrompt;

bool ShareIsMounted(const std::string& share)
{
    Platform::ReloadDriveTable();
    return Platform::WinToHost(share).has_value();
}

class TGioNetConnections : public INetConnections
{
public:
    int AddConnection(const std::string& remoteName, const std::string& user, const std::string& password,
                      unsigned flags) override
    {
        const std::string share = Platform::ExtractFileDrive(remoteName);
        const std::string url = SmbUrlOfShare(remoteName);
        if (url.empty()) {
            return Platform::ErrorBadNetName;
        }
        if (ShareIsMounted(share)) {
            return 0;
        }
        std::string name = user;
        std::string secret = password;
        if (flags & ConnectPrompt) {
            TNetCredentialPrompt prompt;
            {
                std::lock_guard lock(credentialsMutex);
                prompt = credentialPrompt;
            }
            if (!prompt || !prompt(share, name, secret)) {
                return ErrorCancelled;
            }
        }
        const auto result = Platform::RunHostCommand({"gio", "mount", url}, GioMountAnswers(name, secret));
        if (result.ExitCode != 0) {
            return GioMountError(result.Output);
        }
        Platform::ReloadDriveTable();
        return 0;
    }

    int CancelConnection(const std::string& remoteName, unsigned, bool) override
    {
        const std::string share = Platform::ExtractFileDrive(remoteName);
        if (share.empty() || !ShareIsMounted(share)) {
            return ErrorNotConnected;
        }
        const auto result = Platform::RunHostCommand({"gio", "mount", "-u", SmbUrlOfShare(share)});
        Platform::ReloadDriveTable();
        return result.ExitCode == 0 ? 0 : Platform::ErrorAccessDenied;
    }

    std::string ConnectionOfDrive(const std::string& drive) override
    {
        for (const Platform::TDriveEntry& entry : Platform::DriveTable()) {
            if (!SameTextIgnoringCase(entry.Name, drive)) {
                continue;
            }
            if (const auto gvfs = Platform::GvfsShareOfPath(entry.HostDir)) {
                return gvfs->Share;
            }
            const auto mount = Platform::MountHolding(Platform::ReadMounts(), entry.HostDir);
            return mount ? Platform::ShareOfMount(*mount) : std::string();
        }
        return {};
    }
};

TGioNetConnections gioConnections;
std::atomic<INetConnections*> registered{nullptr};

bool IsLogonRetry(int outcome)
{
    return outcome == ErrorSessionCredentialConflict || outcome == ErrorLogonFailure;
}

// Asks the user until the connection works, the user cancels or another error ends it.
int PromptUntilConnected(INetConnections& net, const std::string& remote, int outcome)
{
    while (IsLogonRetry(outcome)) {
        if (outcome == ErrorSessionCredentialConflict) {
            const int cancelled = net.CancelConnection(remote, 0, false);
            if (cancelled != 0 && cancelled != ErrorNotConnected) {
                return ErrorCancelled;
            }
        }
        outcome = net.AddConnection(remote, {}, {}, ConnectInteractive | ConnectPrompt);
    }
    return outcome;
}

} // namespace

void SetNetConnections(INetConnections* connections)
{
    registered.store(connections);
}

INetConnections& NetConnections()
{
    INetConnections* net = registered.load();
    return net ? *net : gioConnections;
}

void SetNetCredentialPrompt(TNetCredentialPrompt prompt)
{
    std::lock_guard lock(credentialsMutex);
    credentialPrompt = std::move(prompt);
}

void SetNetCredentials(const std::string& user, const std::string& password)
{
    std::lock_guard lock(credentialsMutex);
    storedUser = user;
    storedPassword = password;
}

bool ConnectNetShare(const std::string& path, const std::string& user, bool interactive)
{
    if (IsWritableFolder(path)) {
        return true;
    }
    INetConnections& net = NetConnections();
    const std::string remote = path.compare(0, 2, "\\\\") == 0
                                   ? RemovePathDelimiter(path)
                                   : net.ConnectionOfDrive(Platform::ExtractFileDrive(path));
    int outcome = ErrorLogonFailure;
    if (!user.empty()) {
        outcome = net.AddConnection(remote, user, {}, 0);
    }
    if (outcome == 0 && !IsWritableFolder(remote)) {
        outcome = ErrorSessionCredentialConflict;
    }
    std::string savedUser, savedPassword;
    {
        std::lock_guard lock(credentialsMutex);
        savedUser = storedUser;
        savedPassword = storedPassword;
    }
    if (outcome != 0 && !savedUser.empty()) {
        const int cancelled = net.CancelConnection(remote, 0, false);
        if (cancelled == 0 || cancelled == ErrorNotConnected) {
            outcome = net.AddConnection(remote, savedUser, savedPassword, 0);
        }
    }
    if (interactive && IsLogonRetry(outcome)) {
        outcome = PromptUntilConnected(net, remote, outcome);
    }
    return outcome == 0;
}

std::string SmbUrlOfShare(const std::string& remoteName)
{
    const std::string share = Platform::ExtractFileDrive(remoteName);
    if (share.compare(0, 2, "\\\\") != 0) {
        return {};
    }
    return "smb://" + ReplaceChar(share.substr(2), '\\', '/');
}

std::string GioMountAnswers(const std::string& user, const std::string& password)
{
    std::string domain;
    std::string name = user;
    if (const std::size_t slash = user.find('\\'); slash != std::string::npos) {
        domain = user.substr(0, slash);
        name = user.substr(slash + 1);
    }
    return name + "\n" + domain + "\n" + password + "\n";
}

int GioMountError(const std::string& output)
{
    const std::string text = AnsiLowerCase(output);
    for (const char* hint : {"denied", "password", "authenticat", "logon", "login"}) {
        if (text.find(hint) != std::string::npos) {
            return ErrorLogonFailure;
        }
    }
    return Platform::ErrorBadNetPath;
}

TRecordingNetConnections::TRecordingNetConnections() : previous(registered.exchange(this))
{}

TRecordingNetConnections::~TRecordingNetConnections()
{
    registered.store(previous);
}

int TRecordingNetConnections::AddConnection(const std::string& remoteName, const std::string& user,
                                            const std::string& password, unsigned flags)
{
    Calls.push_back({"add", remoteName, user, password, flags});
    int result = 0;
    if (!AddResults.empty()) {
        result = AddResults.front();
        AddResults.erase(AddResults.begin());
    }
    if (result == 0 && OnConnected) {
        OnConnected(Calls.back());
    }
    return result;
}

int TRecordingNetConnections::CancelConnection(const std::string& remoteName, unsigned flags, bool)
{
    Calls.push_back({"cancel", remoteName, {}, {}, flags});
    int result = 0;
    if (!CancelResults.empty()) {
        result = CancelResults.front();
        CancelResults.erase(CancelResults.begin());
    }
    return result;
}

std::string TRecordingNetConnections::ConnectionOfDrive(const std::string&)
{
    return DriveConnection;
}
