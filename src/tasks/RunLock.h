#pragma once

// Waits for and takes the lock of the folder a run writes or deletes in
// (platform/FolderLock.h). Meanwhile the message loop keeps turning, so the windows
// answer, and Cancel or a stop signal end the wait.
//
//   LockRunFolder, WaitingForRunText

#include "platform/FolderLock.h"

#include <functional>
#include <memory>
#include <string>

// The lock, held; nullptr when cancelled() said so while another run held it. waiting is
// called once, when the folder turns out to be busy.
std::unique_ptr<Platform::TFolderLock> LockRunFolder(const std::string& folder, const std::function<bool()>& cancelled,
                                                     const std::function<void()>& waiting);

// "Waiting for another run on %s" with the folder.
std::string WaitingForRunText(const std::string& folder);
