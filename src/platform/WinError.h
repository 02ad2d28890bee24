#pragma once

// Windows error codes reported by the platform layer, and the per-thread last error.
//   LastError(), SetLastError(code), ErrorFromErrno(errno, hostPath)

#include <string>

namespace Platform {

inline constexpr int ErrorSuccess = 0;
inline constexpr int ErrorInvalidFunction = 1;
inline constexpr int ErrorFileNotFound = 2;
inline constexpr int ErrorPathNotFound = 3;
inline constexpr int ErrorTooManyOpenFiles = 4;
inline constexpr int ErrorAccessDenied = 5;
inline constexpr int ErrorInvalidHandle = 6;
inline constexpr int ErrorNotEnoughMemory = 8;
inline constexpr int ErrorNotSameDevice = 17;
inline constexpr int ErrorNoMoreFiles = 18;
inline constexpr int ErrorWriteProtect = 19;
inline constexpr int ErrorNotReady = 21;
inline constexpr int ErrorGenFailure = 31;
inline constexpr int ErrorSharingViolation = 32;
inline constexpr int ErrorHandleEof = 38;
inline constexpr int ErrorHandleDiskFull = 39;
inline constexpr int ErrorBadNetPath = 53;
inline constexpr int ErrorBadNetName = 67;
inline constexpr int ErrorFileExists = 80;
inline constexpr int ErrorInvalidParameter = 87;
inline constexpr int ErrorDiskFull = 112;
inline constexpr int ErrorInvalidName = 123;
inline constexpr int ErrorNegativeSeek = 131;
inline constexpr int ErrorDirNotEmpty = 145;
inline constexpr int ErrorAlreadyExists = 183;
inline constexpr int ErrorBadExeFormat = 193;
inline constexpr int ErrorFilenameExcedRange = 206;
inline constexpr int ErrorWaitTimeout = 258;
inline constexpr int StillActive = 259; // exit code of a program that has not ended
inline constexpr int ErrorDirectory = 267;
inline constexpr int ErrorStoppedOnSymlink = 681; // a link stands where a file or folder was expected
inline constexpr int ErrorIoDevice = 1117;

// Error of the last failing platform call on this thread (0 after success is not promised).
int LastError();
void SetLastError(int code);

// Windows code for an errno value; hostPath tells "file not found" from "path not found".
int ErrorFromErrno(int err, const std::string& hostPath = {});

} // namespace Platform
