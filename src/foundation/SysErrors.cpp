#include "foundation/SysErrors.h"

#include "foundation/Translate.h"
#include "platform/WinError.h"

#include <string>

std::string SysErrorMessage(int code)
{
    using namespace Platform;
    switch (code) {
    case ErrorSuccess:
        return TrUnits("The operation completed successfully.");
    case ErrorInvalidFunction:
        return TrUnits("Incorrect function.");
    case ErrorFileNotFound:
        return TrUnits("The system cannot find the file specified.");
    case ErrorPathNotFound:
        return TrUnits("The system cannot find the path specified.");
    case ErrorTooManyOpenFiles:
        return TrUnits("The system cannot open the file.");
    case ErrorAccessDenied:
        return TrUnits("Access is denied.");
    case ErrorNotEnoughMemory:
        return TrUnits("Not enough storage is available to process this command.");
    case ErrorNotReady:
        return TrUnits("The device is not ready.");
    case ErrorSharingViolation:
        return TrUnits("The process cannot access the file because it is being used by another process.");
    case ErrorDiskFull:
    case ErrorHandleDiskFull:
        return TrUnits("There is not enough space on the disk.");
    case ErrorInvalidParameter:
        return TrUnits("The parameter is incorrect.");
    case ErrorBadNetPath:
        return TrUnits("The network path was not found.");
    case ErrorInvalidName:
        return TrUnits("The filename, directory name, or volume label syntax is incorrect.");
    case ErrorBadExeFormat:
        return TrUnits("The program is not a valid application.");
    case ErrorWaitTimeout:
        return TrUnits("The wait operation timed out.");
    default:
        return TrUnits("System error ") + std::to_string(code);
    }
}
