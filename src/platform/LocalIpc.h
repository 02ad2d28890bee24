#pragma once

// Session-local locks and sockets for the single-instance guard: an advisory lock on a
// file (released by the kernel when the process ends, however it ends) and a
// Unix-domain stream socket. Paths are host paths.

#include <cstddef>
#include <memory>
#include <string>

namespace Platform {

// $XDG_RUNTIME_DIR; without it MachineUserDir. Empty when neither can be used.
std::string SessionRuntimeDir();
// The user's private folder /tmp/tessaro-<uid>, the same whatever the environment says
// (cron, ssh, a desktop session); made 0700. Empty when it is a link, not the user's own,
// or open to others.
std::string MachineUserDir();
// The user's folder for the locks of runs on FTP folders, <home>/.local/state/tessaro: in the
// home folder, where no other user can put anything, and the same for cron, ssh and the
// desktop (XDG_STATE_HOME is not asked: a desktop may set it, cron does not). Made 0700 with
// the levels missing above it; whether it is the user's alone is for its user to check
// (platform/FolderLock.h). Empty when there is no home folder.
std::string UserLockDir();

class TFileLock
{
public:
    explicit TFileLock(std::string hostPath);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    // Takes the lock when nobody holds it; true when this object holds it afterwards.
    bool TryLock();
    // Waits up to timeoutMs for the lock.
    bool LockWithin(int timeoutMs);
    void Unlock();
    bool Locked() const { return locked; }

private:
    bool Open();

    std::string path;
    int fd = -1;
    bool locked = false;
};

class TLocalConnection
{
public:
    explicit TLocalConnection(int fd);
    ~TLocalConnection();
    TLocalConnection(const TLocalConnection&) = delete;
    TLocalConnection& operator=(const TLocalConnection&) = delete;

    // One line without its "\n". False at the end of the stream, after timeoutMs without
    // data, or when more than maxLength bytes come before the line end.
    bool ReadLine(std::string& line, std::size_t maxLength, int timeoutMs);
    bool WriteAll(const std::string& text);

private:
    int fd;
    std::string pending;
};

class TLocalServer
{
public:
    TLocalServer() = default;
    ~TLocalServer();
    TLocalServer(const TLocalServer&) = delete;
    TLocalServer& operator=(const TLocalServer&) = delete;

    // Listens at the path, removing a socket left there (the caller owns the name).
    bool Listen(const std::string& hostPath);
    // The listening descriptor, for the event loop to watch; -1 when not listening.
    int Fd() const { return fd; }
    // A waiting connection; nullptr when none.
    std::unique_ptr<TLocalConnection> Accept();

private:
    int fd = -1;
    std::string path;
};

// nullptr when nobody listens at the path.
std::unique_ptr<TLocalConnection> ConnectLocal(const std::string& hostPath);

} // namespace Platform
