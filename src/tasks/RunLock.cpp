#include "tasks/RunLock.h"

#include "foundation/MessageLoop.h"
#include "foundation/SysErrors.h"
#include "foundation/Translate.h"
#include "platform/LocalIpc.h"
#include "tasks/IniValues.h"

#include <chrono>
#include <thread>

namespace {

// Short enough that Pause and Cancel answer at once, long enough to cost nothing.
constexpr auto RetryInterval = std::chrono::milliseconds(50);

// What stands where the lock folder belongs, with %s for it.
const char* WhatStandsThere(Platform::TLockFailure failure)
{
    switch (failure) {
    case Platform::TLockFailure::Link:
        return TrNoopDefault("%s is a symbolic link");
    case Platform::TLockFailure::NotAFolder:
        return TrNoopDefault("%s is not a folder");
    case Platform::TLockFailure::OtherOwner:
        return TrNoopDefault("%s belongs to another user");
    default:
        return TrNoopDefault("%s can be written by other users");
    }
}

} // namespace

std::unique_ptr<Platform::TFolderLock> LockRunFolder(std::unique_ptr<Platform::TFolderLock> lock,
                                                     const std::function<bool()>& cancelled,
                                                     const std::function<void()>& waiting, std::string* failed)
{
    bool told = false;
    while (!lock->TryLock()) {
        if (lock->Failure() != Platform::TLockFailure::None) {
            if (failed) {
                *failed = LockFailureText(*lock);
            }
            return nullptr;
        }
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
    return std::make_unique<Platform::TFolderLock>(host, port, folder, Platform::UserLockDir());
}

std::string WaitingForRunText(const std::string& folder)
{
    return FormatText(TrDefault("Waiting for another run on %s"), folder);
}

std::string LockFailureText(const Platform::TFolderLock& lock)
{
    const std::string& folder = lock.LockDir();
    std::string why;
    switch (lock.Failure()) {
    case Platform::TLockFailure::None:
        break;
    case Platform::TLockFailure::NoHome:
        why = TrDefault("there is no home folder to keep the lock in");
        break;
    case Platform::TLockFailure::System:
        why = folder + ": " + SysErrorMessage(lock.FailureError());
        break;
    default:
        why = FormatText(TrDefault(WhatStandsThere(lock.Failure())), folder);
        break;
    }
    return TrDefault("The run cannot be locked: ") + why;
}
