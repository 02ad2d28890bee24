#include "platform/HostCommand.h"

#include "platform/HostInfo.h"
#include "platform/StopSignals.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace Platform {

namespace {

class TPipe
{
public:
    TPipe()
    {
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            fds[0] = fds[1] = -1;
        }
    }
    ~TPipe()
    {
        CloseRead();
        CloseWrite();
    }
    TPipe(const TPipe&) = delete;
    TPipe& operator=(const TPipe&) = delete;
    bool Ok() const { return fds[0] >= 0; }
    int Read() const { return fds[0]; }
    int Write() const { return fds[1]; }
    void CloseRead() { Close(fds[0]); }
    void CloseWrite() { Close(fds[1]); }
    // Hands the reading end to the caller, who closes it.
    int TakeRead()
    {
        const int fd = fds[0];
        fds[0] = -1;
        return fd;
    }

private:
    static void Close(int& fd)
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    int fds[2] = {-1, -1};
};

void WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string ReadAll(int fd)
{
    std::string out;
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return out;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

void CloseFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

int ExitCodeOfStatus(int status)
{
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int OpenPidFd(int pid)
{
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

// One read of the output pipe; false at its end (or on an error).
bool ReadOutputOnce(int fd, const std::function<void(std::string_view)>& onOutput)
{
    char buffer[16384];
    ssize_t n = 0;
    do {
        n = ::read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return true;
    }
    if (n <= 0) {
        return false;
    }
    if (onOutput) {
        onOutput(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    return true;
}

// After the program ended everything it wrote is in the pipe; output of programs it left
// running is not waited for.
void DrainOutput(int fd, const std::function<void(std::string_view)>& onOutput)
{
    while (true) {
        char buffer[16384];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        if (onOutput) {
            onOutput(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
    }
}

// Starts argv[0] found on PATH with the given file actions, which it destroys.
// Returns 0 or the error number.
int SpawnAndRelease(const std::vector<std::string>& argv, posix_spawn_file_actions_t& actions, pid_t& pid)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned;
}

} // namespace

int StartHostProcess(const std::vector<std::string>& argv, const std::string& workDir, bool captureOutput,
                     THostProcess& process)
{
    process = {};
    if (argv.empty() || argv[0].empty()) {
        return ENOENT;
    }
    TPipe out;
    if (captureOutput && !out.Ok()) {
        return errno != 0 ? errno : EMFILE;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, out.Write(), STDOUT_FILENO);
    }
    if (!workDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    }
    pid_t pid = 0;
    const int spawned = SpawnAndRelease(argv, actions, pid);
    out.CloseWrite();
    if (spawned != 0) {
        return spawned;
    }
    process.Pid = pid;
    process.PidFd = OpenPidFd(pid);
    if (captureOutput) {
        process.OutputFd = out.TakeRead();
        ::fcntl(process.OutputFd, F_SETFL, ::fcntl(process.OutputFd, F_GETFL) | O_NONBLOCK);
    }
    return 0;
}

bool HostProcessEnded(THostProcess& process, int& exitCode)
{
    if (process.Pid <= 0) {
        return false;
    }
    int status = 0;
    pid_t done = 0;
    do {
        done = ::waitpid(process.Pid, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == 0) {
        return false;
    }
    exitCode = done > 0 ? ExitCodeOfStatus(status) : -1;
    process.Pid = -1;
    CloseFd(process.PidFd);
    return true;
}

bool WaitHostProcess(THostProcess& process, int timeoutMs, const std::function<void(std::string_view)>& onOutput,
                     const std::function<void()>& onIdle, int& exitCode)
{
    using Clock = std::chrono::steady_clock;
    constexpr int IdleMs = 100;
    const auto start = Clock::now();
    auto lastIdle = start;
    bool outputOpen = process.OutputFd >= 0;
    while (true) {
        if (HostProcessEnded(process, exitCode)) {
            if (outputOpen) {
                DrainOutput(process.OutputFd, onOutput);
            }
            return true;
        }
        if (StopRequested()) {
            return false;
        }
        const auto now = Clock::now();
        int slice = IdleMs;
        if (timeoutMs >= 0) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
            if (spent >= timeoutMs) {
                return false;
            }
            slice = static_cast<int>(std::min<long long>(slice, timeoutMs - spent));
        }
        pollfd fds[2];
        nfds_t count = 0;
        if (outputOpen) {
            fds[count++] = {process.OutputFd, POLLIN, 0};
        }
        if (process.PidFd >= 0) {
            fds[count++] = {process.PidFd, POLLIN, 0};
        } else {
            slice = std::min(slice, 10); // no end notice from the kernel: look often
        }
        ::poll(fds, count, slice);
        if (outputOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            outputOpen = ReadOutputOnce(process.OutputFd, onOutput);
        }
        if (onIdle && Clock::now() - lastIdle >= std::chrono::milliseconds(IdleMs)) {
            lastIdle = Clock::now();
            onIdle();
        }
    }
}

void ReleaseHostProcess(THostProcess& process)
{
    CloseFd(process.OutputFd);
    CloseFd(process.PidFd);
    int exitCode = 0;
    if (process.Pid > 0 && !HostProcessEnded(process, exitCode)) {
        const pid_t pid = process.Pid;
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    process = {};
}

THostCommandResult RunHostCommand(const std::vector<std::string>& argv, const std::string& input)
{
    THostCommandResult result;
    if (argv.empty()) {
        return result;
    }
    TPipe in;
    TPipe out;
    if (!in.Ok() || !out.Ok()) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.Read(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.Write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.Write(), STDERR_FILENO);
    pid_t pid = 0;
    const int spawned = SpawnAndRelease(argv, actions, pid);
    in.CloseRead();
    out.CloseWrite();
    if (spawned != 0) {
        return result;
    }
    // A program that does not read its input must not kill us with SIGPIPE: the signal is
    // blocked for this thread only and a pending one is taken away again.
    sigset_t pipeSet, previous;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &previous);
    WriteAll(in.Write(), input);
    const timespec noWait{0, 0};
    while (sigtimedwait(&pipeSet, nullptr, &noWait) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    in.CloseWrite();
    result.Output = ReadAll(out.Read());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string FindHostCommand(const std::string& program)
{
    if (program.find('/') != std::string::npos) {
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    }
    const std::string path = HostEnv("PATH");
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find(':', start);
        const std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string file = dir;
        file.append("/").append(program);
        if (!dir.empty() && ::access(file.c_str(), X_OK) == 0) {
            return file;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return {};
}

bool HostCommandExists(const std::string& program)
{
    return !FindHostCommand(program).empty();
}

} // namespace Platform
