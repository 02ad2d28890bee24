#include "tasks/RunLock.h"

#include "foundation/MessageLoop.h"
#include "foundation/Translate.h"
#include "platform/LocalIpc.h"
#include "tasks/IniValues.h"

#include <chrono>
#include <thread>

namespace {

// Short enough that Pause and Cancel answer at once, long enough to cost nothing.
constexpr auto RetryInterval = std::chrono::milliseconds(50);

} // namespace

std::unique_ptr<Platform::TFolderLock> LockRunFolder(std::unique_ptr<Platform::TFolderLock> lock,
                                                     const std::function<bool()>& cancelled,
                                                     const std::function<void()>& waiting)
{
    bool told = false;
    while (!lock->TryLock()) {
        if (!told) {
            told = true;
            waiting();
        }
        if (cancelled()) {
            return nullptr;
        }
        ProcessMessages();
        std::this_thread::sleep_for(RetryInterval);
    }
    return lock;
}

std::unique_ptr<Platform::TFolderLock> FtpFolderLock(const std::string& host, int port, const std::string& folder)
{
    return std::make_unique<Platform::TFolderLock>(host, port, folder, Platform::MachineUserDir());
}

std::string WaitingForRunText(const std::string& folder)
{
    return FormatText(TrDefault("Waiting for another run on %s"), folder);
}
