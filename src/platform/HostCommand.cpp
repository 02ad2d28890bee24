#include "platform/HostCommand.h"

#include "platform/HostInfo.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
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

} // namespace

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
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
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

bool HostCommandExists(const std::string& program)
{
    if (program.find('/') != std::string::npos) {
        return ::access(program.c_str(), X_OK) == 0;
    }
    std::string path = HostEnv("PATH");
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find(':', start);
        const std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

} // namespace Platform
