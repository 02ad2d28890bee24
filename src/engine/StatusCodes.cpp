#include "engine/StatusCodes.h"

#include "foundation/Translate.h"

#include <cstdio>

namespace {

const char* ErrorText(TStatusCode number)
{
    switch (number) {
    case errCreateFile:
        return TrNoopUnits("Create file failed");
    case errOpenFile:
        return TrNoopUnits("Open file failed");
    case errCloseFile:
        return TrNoopUnits("Close file failed");
    case errReadFile:
        return TrNoopUnits("Read file failed");
    case errWriteFile:
        return TrNoopUnits("Write file failed");
    case errSetAttr:
        return TrNoopUnits("Set file attr. failed");
    case errLowDiskSpace:
        return TrNoopUnits("Low disk space");
    case errGZipHeader:
        return TrNoopUnits("Illegal GZip header");
    case errCorruptFile:
        return TrNoopUnits("Corrupt file");
    case errEncrypt:
        return TrNoopUnits("Encryption failed");
    case errDecrypt:
        return TrNoopUnits("Decryption failed");
    case errVerify:
        return TrNoopUnits("Verify failed");
    case errPathTooLong:
        return TrNoopUnits("Path too long");
    case errFileNotFound:
        return TrNoopUnits("File not found");
    case errSetTimestamp:
        return TrNoopUnits("Setting of file timestamp failed");
    case errChangedWhileCopied:
        return TrNoopUnits("changed while copied");
    case errFtpRead:
        return TrNoopUnits("FTP read failed");
    case errFtpWrite:
        return TrNoopUnits("FTP write failed");
    case errFtpConnect:
        return TrNoopUnits("FTP connection failed");
    case errFtpClosed:
        return TrNoopUnits("FTP connection closed by server");
    case errTerminated:
        return TrNoopUnits("Terminated by user");
    default:
        return nullptr;
    }
}

const char* SeverityPrefix(TStatusCode severity)
{
    switch (severity) {
    case scError:
        return TrNoopUnits("Error: ");
    case scWarning:
        return TrNoopUnits("Warning: ");
    default:
        return TrNoopUnits("Info: ");
    }
}

const char* OperationSuffix(TStatusCode operation)
{
    switch (operation) {
    case opCopy:
        return TrNoopUnits(" (Copy)");
    case opGZip:
        return TrNoopUnits(" (GZip)");
    case opGUnzip:
        return TrNoopUnits(" (GUnzip)");
    case opZip:
        return TrNoopUnits(" (Zip)");
    case opEncrypt:
        return TrNoopUnits(" (Encrypt)");
    case opDecrypt:
        return TrNoopUnits(" (Decrypt)");
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
