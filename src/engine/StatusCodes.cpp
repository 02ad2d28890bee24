#include "engine/StatusCodes.h"

#include "foundation/Translate.h"

#include <cstdio>

namespace {

const char* ErrorText(TStatusCode number)
{
    switch (number) {
    case errCreateFile:
        return "Create file failed";
    case errOpenFile:
        return "Open file failed";
    case errCloseFile:
        return "Close file failed";
    case errReadFile:
        return "Read file failed";
    case errWriteFile:
        return "Write file failed";
    case errSetAttr:
        return "Set file attr. failed";
    case errLowDiskSpace:
        return "Low disk space";
    case errGZipHeader:
        return "Illegal GZip header";
    case errCorruptFile:
        return "Corrupt file";
    case errEncrypt:
        return "Encryption failed";
    case errDecrypt:
        return "Decryption failed";
    case errVerify:
        return "Verify failed";
    case errPathTooLong:
        return "Path too long";
    case errFileNotFound:
        return "File not found";
    case errSetTimestamp:
        return "Setting of file timestamp failed";
    case errFtpRead:
        return "FTP read failed";
    case errFtpWrite:
        return "FTP write failed";
    case errFtpConnect:
        return "FTP connection failed";
    case errFtpClosed:
        return "FTP connection closed by server";
    case errTerminated:
        return "Terminated by user";
    default:
        return nullptr;
    }
}

const char* SeverityPrefix(TStatusCode severity)
{
    switch (severity) {
    case scError:
        return "Error: ";
    case scWarning:
        return "Warning: ";
    default:
        return "Info: ";
    }
}

const char* OperationSuffix(TStatusCode operation)
{
    switch (operation) {
    case opCopy:
        return " (Copy)";
    case opGZip:
        return " (GZip)";
    case opGUnzip:
        return " (GUnzip)";
    case opZip:
        return " (Zip)";
    case opEncrypt:
        return " (Encrypt)";
    case opDecrypt:
        return " (Decrypt)";
    default:
        return nullptr;
    }
}

std::string UnknownErrorText(TStatusCode code)
{
    const std::string format = TrUnits("Unknown error (%s)");
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(code));
    std::string text = format;
    if (const auto at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, hex);
    }
    return text;
}

} // namespace

std::string StatusCodeText(TStatusCode code)
{
    std::string text = TrUnits(SeverityPrefix(Severity(code)));
    if (const char* error = ErrorText(ErrorNumber(code))) {
        text += TrUnits(error);
    } else {
        text += UnknownErrorText(code);
    }
    if (const char* suffix = OperationSuffix(OperationOf(code))) {
        text += TrUnits(suffix);
    }
    return text;
}
