#pragma once

#include <functional>
#include <string>
#include <vector>

// Network shares ("\\server\share") made writable before a run writes to them. The
// connections service is replaceable: the real one uses the share's existing mount or
// mounts it with gio; tests register TRecordingNetConnections.

inline constexpr int ErrorLogonFailure = 1326;
inline constexpr int ErrorSessionCredentialConflict = 1219;
inline constexpr int ErrorCancelled = 1223;
inline constexpr int ErrorNotConnected = 2250;

inline constexpr unsigned ConnectInteractive = 8;
inline constexpr unsigned ConnectPrompt = 16;

class INetConnections
{
public:
    virtual ~INetConnections() = default;
    // 0 or a Windows error code. With ConnectPrompt the user is asked for name and password.
    virtual int AddConnection(const std::string& remoteName, const std::string& user, const std::string& password,
                              unsigned flags) = 0;
    virtual int CancelConnection(const std::string& remoteName, unsigned flags, bool force) = 0;
    // The share a drive letter ("E:") is connected to; empty when none.
    virtual std::string ConnectionOfDrive(const std::string& drive) = 0;
};

// Registers the service (not owned); nullptr restores the real one.
void SetNetConnections(INetConnections* connections);
INetConnections& NetConnections();

// Asks the user for the credentials of a share; false when cancelled. The Qt layer
// registers its logon dialog; without a prompt every prompt counts as cancelled.
using TNetCredentialPrompt =
    std::function<bool(const std::string& remoteName, std::string& user, std::string& password)>;
void SetNetCredentialPrompt(TNetCredentialPrompt prompt);

// The program-wide credentials tried when a connection with the task's user fails.
void SetNetCredentials(const std::string& user, const std::string& password);

// True when the folder can be written, connecting its share when needed: with the given
// user, then with the stored credentials, then (interactive) asking the user until the
// connection works or the user cancels.
bool ConnectNetShare(const std::string& path, const std::string& user, bool interactive);

// "smb://server/share" of "\\server\share\..."; empty for other paths.
std::string SmbUrlOfShare(const std::string& remoteName);
// The lines gio mount reads: user, domain, password ("DOMAIN\user" gives the domain).
std::string GioMountAnswers(const std::string& user, const std::string& password);
// Windows error for a failed gio mount from its output.
int GioMountError(const std::string& output);

// Answers connection requests from queues (0 when a queue is empty) and records them;
// registers itself while it lives.
class TRecordingNetConnections : public INetConnections
{
public:
    TRecordingNetConnections();
    ~TRecordingNetConnections() override;
    TRecordingNetConnections(const TRecordingNetConnections&) = delete;
    TRecordingNetConnections& operator=(const TRecordingNetConnections&) = delete;

    struct TCall
    {
        std::string Kind; // "add" or "cancel"
        std::string RemoteName;
        std::string User;
        std::string Password;
        unsigned Flags = 0;
    };
    std::vector<TCall> Calls;
    std::vector<int> AddResults;
    std::vector<int> CancelResults;
    std::string DriveConnection;
    // Runs after each successful add (tests make the share writable here).
    std::function<void(const TCall&)> OnConnected;

    int AddConnection(const std::string& remoteName, const std::string& user, const std::string& password,
                      unsigned flags) override;
    int CancelConnection(const std::string& remoteName, unsigned flags, bool force) override;
    std::string ConnectionOfDrive(const std::string& drive) override;

private:
    INetConnections* previous;
};
