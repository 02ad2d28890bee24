#include "platform/LocalIpc.h"

#include "platform/HostInfo.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace Platform {

namespace {

bool FillAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool IsPrivateFolder(const std::string& dir)
{
    struct stat info
    {
    };
    return lstat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 077) == 0;
}

} // namespace

std::string SessionRuntimeDir()
{
    std::string runtime = HostEnv("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/') {
        return runtime;
    }
    return MachineUserDir();
}

std::string MachineUserDir()
{
    const std::string dir = "/tmp/tessaro-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    return IsPrivateFolder(dir) ? dir : std::string();
}

std::string UserLockDir()
{
    std::string dir = HostHomeDir();
    if (dir.empty() || dir.front() != '/') {
        return {};
    }
    for (const char* level : {"/.local", "/state", "/tessaro"}) {
        dir += level;
        mkdir(dir.c_str(), 0700); // a level that is there stays as it is
    }
    return dir;
}

// ---- TFileLock

TFileLock::TFileLock(std::string hostPath) : path(std::move(hostPath))
{}

TFileLock::~TFileLock()
{
    if (fd >= 0) {
        close(fd);
    }
}

bool TFileLock::Open()
{
    if (fd < 0) {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }
    return fd >= 0;
}

bool TFileLock::TryLock()
{
    if (locked) {
        return true;
    }
    if (!Open()) {
        return false;
    }
    locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
    return locked;
}

bool TFileLock::LockWithin(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!TryLock()) {
        if (fd < 0 || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void TFileLock::Unlock()
{
    if (locked) {
        flock(fd, LOCK_UN);
        locked = false;
    }
}

// ---- TLocalConnection

TLocalConnection::TLocalConnection(int descriptor) : fd(descriptor)
{}

TLocalConnection::~TLocalConnection()
{
    close(fd);
}

bool TLocalConnection::ReadLine(std::string& line, std::size_t maxLength, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const std::size_t end = pending.find('\n'); end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return line.size() <= maxLength;
        }
        if (pending.size() > maxLength) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) {
            return false;
        }
        char buffer[1024];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
}

bool TLocalConnection::WriteAll(const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// ---- TLocalServer

TLocalServer::~TLocalServer()
{
    if (fd >= 0) {
        close(fd);
        unlink(path.c_str());
    }
}

bool TLocalServer::Listen(const std::string& hostPath)
{
    sockaddr_un address{};
    if (fd >= 0 || !FillAddress(hostPath, address)) {
        return false;
    }
    fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    unlink(hostPath.c_str());
    const mode_t previous = umask(077);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    umask(previous);
    if (!bound || listen(fd, 8) != 0) {
        close(fd);
        fd = -1;
        return false;
    }
    path = hostPath;
    return true;
}

std::unique_ptr<TLocalConnection> TLocalServer::Accept()
{
    if (fd < 0) {
        return nullptr;
    }
    const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    return client < 0 ? nullptr : std::make_unique<TLocalConnection>(client);
}

std::unique_ptr<TLocalConnection> ConnectLocal(const std::string& hostPath)
{
    sockaddr_un address{};
    if (!FillAddress(hostPath, address)) {
        return nullptr;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return nullptr;
    }
    return std::make_unique<TLocalConnection>(fd);
}

} // namespace Platform
