#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// A worker's result: 0 is success. Bits 0-7 hold the error number, bits 8-11 the
// severity, bits 12-15 the operation that the worker or-s in when it ends.
using TStatusCode = uint32_t;

// Severity bits.
inline constexpr TStatusCode scError = 0x100;
inline constexpr TStatusCode scWarning = 0x200;

// Operation bits.
inline constexpr TStatusCode opCopy = 0x1000;
inline constexpr TStatusCode opGZip = 0x2000;
inline constexpr TStatusCode opGUnzip = 0x3000;
inline constexpr TStatusCode opZip = 0x4000;
inline constexpr TStatusCode opEncrypt = 0x5000;
inline constexpr TStatusCode opDecrypt = 0x6000;

// Error numbers (bits 0-7).
inline constexpr TStatusCode errCreateFile = 1;
inline constexpr TStatusCode errOpenFile = 2;
inline constexpr TStatusCode errCloseFile = 3;
inline constexpr TStatusCode errReadFile = 4;
inline constexpr TStatusCode errWriteFile = 5;
inline constexpr TStatusCode errSetAttr = 6;
inline constexpr TStatusCode errLowDiskSpace = 7;
inline constexpr TStatusCode errGZipHeader = 8;
inline constexpr TStatusCode errCorruptFile = 9;
inline constexpr TStatusCode errEncrypt = 10;
inline constexpr TStatusCode errDecrypt = 11;
inline constexpr TStatusCode errVerify = 12;
inline constexpr TStatusCode errPathTooLong = 13;
inline constexpr TStatusCode errFileNotFound = 14;
inline constexpr TStatusCode errSetTimestamp = 15;
inline constexpr TStatusCode errChangedWhileCopied = 16;
inline constexpr TStatusCode errFtpRead = 24;
inline constexpr TStatusCode errFtpWrite = 25;
inline constexpr TStatusCode errFtpConnect = 26;
inline constexpr TStatusCode errFtpClosed = 27;
inline constexpr TStatusCode errTerminated = 128;

// The codes the engine builds (before a worker adds its operation).
inline constexpr TStatusCode ecCreateFile = scError | errCreateFile;       // 0x101
inline constexpr TStatusCode ecOpenFile = scError | errOpenFile;           // 0x102
inline constexpr TStatusCode ecCloseFile = scError | errCloseFile;         // 0x103
inline constexpr TStatusCode ecReadFile = scError | errReadFile;           // 0x104
inline constexpr TStatusCode ecWriteFile = scError | errWriteFile;         // 0x105
inline constexpr TStatusCode ecSetAttr = scError | errSetAttr;             // 0x106
inline constexpr TStatusCode ecLowDiskSpace = scError | errLowDiskSpace;   // 0x107
inline constexpr TStatusCode ecGZipHeader = scError | errGZipHeader;       // 0x108
inline constexpr TStatusCode ecCorruptFile = scError | errCorruptFile;     // 0x109
inline constexpr TStatusCode ecEncrypt = scError | errEncrypt;             // 0x10A
inline constexpr TStatusCode ecDecrypt = scError | errDecrypt;             // 0x10B
inline constexpr TStatusCode ecVerify = scError | errVerify;               // 0x10C
inline constexpr TStatusCode ecPathTooLong = scError | errPathTooLong;     // 0x10D
inline constexpr TStatusCode ecFileNotFound = scError | errFileNotFound;   // 0x10E
inline constexpr TStatusCode ecFtpRead = scError | errFtpRead;             // 0x118
inline constexpr TStatusCode ecFtpWrite = scError | errFtpWrite;           // 0x119
inline constexpr TStatusCode ecFtpConnect = scError | errFtpConnect;       // 0x11A
inline constexpr TStatusCode ecFtpClosed = scError | errFtpClosed;         // 0x11B
inline constexpr TStatusCode wcSetAttr = scWarning | errSetAttr;           // 0x206
inline constexpr TStatusCode wcSetTimestamp = scWarning | errSetTimestamp; // 0x20F
// The source was written while it was read: the copy may match no state of it.
inline constexpr TStatusCode wcChangedWhileCopied = scWarning | errChangedWhileCopied; // 0x210
inline constexpr TStatusCode icTerminated = errTerminated;                             // 0x080

inline constexpr TStatusCode ErrorNumber(TStatusCode code)
{
    return code & 0xFF;
}
inline constexpr TStatusCode Severity(TStatusCode code)
{
    return code & 0xF00;
}
// A copy that stands: done, or only a time or an attribute is missing.
inline constexpr bool CopyStands(TStatusCode status)
{
    return status == 0 || ((Severity(status) & scError) == 0 && ErrorNumber(status) != errTerminated);
}
inline constexpr TStatusCode OperationOf(TStatusCode code)
{
    return code & 0xF000;
}

// The logged text of a code: severity prefix, error text, operation suffix, all
// translated in the "units" domain. Unknown numbers show the whole code in hex.
std::string StatusCodeText(TStatusCode code);

// Raised by the zip writer; the code always carries the zip operation.
class EZipError : public std::runtime_error
{
public:
    EZipError(const std::string& message, TStatusCode code) : std::runtime_error(message), Code(code | opZip) {}
    TStatusCode Code;
};
