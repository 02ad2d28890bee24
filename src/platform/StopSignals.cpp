#include "platform/StopSignals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace Platform {

namespace {

std::atomic<int> stopSignal{0};
std::atomic<int> wakeWrite{-1};
int wakeRead = -1;

static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");

void Wake()
{
    const int fd = wakeWrite.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
}

extern "C" void OnStopSignal(int signal)
{
    const int saved = errno;
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal);
    Wake();
    errno = saved;
}

} // namespace

void InstallStopSignals()
{
    if (wakeWrite.load() >= 0) {
        return;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    wakeRead = fds[0];
    wakeWrite = fds[1];
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

bool StopRequested()
{
    return stopSignal.load() != 0;
}

int StopSignal()
{
    return stopSignal.load();
}

int StopSignalFd()
{
    return wakeRead;
}

void RequestStop(int signal)
{
    stopSignal = signal;
    if (signal != 0) {
        Wake();
    }
}

} // namespace Platform
