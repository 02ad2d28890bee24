#pragma once

// Waits for and takes the lock of the folder a run writes or deletes in
// (platform/FolderLock.h). Meanwhile the message loop keeps turning, so the windows
// answer, and Cancel or a stop signal end the wait.
//
//   LockRunFolder, FtpFolderLock, WaitingForRunText, LockFailureText

#include "platform/FolderLock.h"

#include <functional>
#include <memory>
#include <string>

// The lock, held; nullptr when cancelled() said so while another run held it, and when the
// lock cannot be made at all (the run must not go on unlocked): failed (when given) then
// gets LockFailureText. waiting is called once, when the folder turns out to be busy.
std::unique_ptr<Platform::TFolderLock> LockRunFolder(std::unique_ptr<Platform::TFolderLock> lock,
                                                     const std::function<bool()>& cancelled,
                                                     const std::function<void()>& waiting,
                                                     std::string* failed = nullptr);

// The lock of a folder on an FTP server, shared by every run of the user on this machine.
std::unique_ptr<Platform::TFolderLock> FtpFolderLock(const std::string& host, int port, const std::string& folder);

// "Waiting for another run on %s" with the folder.
std::string WaitingForRunText(const std::string& folder);

// "The run cannot be locked: " and why (the lock folder a link, another user's, ...): for the
// log and the end status.
std::string LockFailureText(const Platform::TFolderLock& lock);
