#include "platform/WinError.h"

#include <cerrno>
#include <sys/stat.h>

namespace Platform {

namespace {

thread_local int lastError = 0;

bool ParentFolderExists(const std::string& hostPath)
{
    const auto slash = hostPath.find_last_of('/');
    const std::string parent =
        slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : hostPath.substr(0, slash));
    struct stat st = {};
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int LastError()
{
    return lastError;
}

void SetLastError(int code)
{
    lastError = code;
}

int ErrorFromErrno(int err, const std::string& hostPath)
{
    switch (err) {
    case 0:
        return ErrorSuccess;
    case ENOENT:
        return hostPath.empty() || ParentFolderExists(hostPath) ? ErrorFileNotFound : ErrorPathNotFound;
    case ENOTDIR:
    case ELOOP:
        return ErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return ErrorAccessDenied;
    case EEXIST:
        return ErrorAlreadyExists;
    case ENOTEMPTY:
        return ErrorDirNotEmpty;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorDiskFull;
    case ENAMETOOLONG:
        return ErrorFilenameExcedRange;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
        return ErrorSharingViolation;
    case EXDEV:
        return ErrorNotSameDevice;
    case EMFILE:
    case ENFILE:
        return ErrorTooManyOpenFiles;
    case ENOMEM:
        return ErrorNotEnoughMemory;
    case EBADF:
        return ErrorInvalidHandle;
    case EINVAL:
        return ErrorInvalidParameter;
    case EIO:
        return ErrorIoDevice;
    case ENOEXEC:
        return ErrorBadExeFormat;
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ETIMEDOUT:
        return ErrorBadNetPath;
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
        return ErrorNotReady;
    default:
        return ErrorGenFailure;
    }
}

} // namespace Platform
