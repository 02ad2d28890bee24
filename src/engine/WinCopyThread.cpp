#include "engine/WinCopyThread.h"

TWinCopyThread::TWinCopyThread(const std::string& source, const std::string& destination, TEncryption* encryption,
                               bool gzip, bool verify, int32_t bufferSize, TThreadPriority priority)
    : TGZipThread(source, destination, encryption, bufferSize, priority)
{
    GZip = gzip ? 1 : 0;
    Verify = verify ? 1 : 0;
    if (encryption) {
        Operation = opEncrypt;
    } else if (gzip) {
        Operation = opGZip;
    } else {
        Operation = opCopy;
    }
}

bool TWinCopyThread::IsBrief() const
{
    // A compressed stream of more than one block deflates on the pool itself.
    return SourceListing && SourceListing->Size <= BriefLimit(Operation == opEncrypt && GZip == 0);
}

TStatusCode TWinCopyThread::RunOperation()
{
    if (CopyFlags & cfShellCopy) {
        return ShellCopy();
    }
    if (GZip) {
        return GZipFile();
    }
    if (Encryption) {
        return EncryptFile();
    }
    return PlainCopy();
}

TStatusCode TWinCopyThread::RunVerify()
{
    if (CopyFlags & cfShellCopy) {
        return VerifyCopy();
    }
    if (GZip) {
        return VerifyGZipFile();
    }
    if (Encryption) {
        return VerifyEncrypted();
    }
    return VerifyCopy();
}

void TWinCopyThread::Execute()
{
    TStatusCode code = RunOperation();
    // A copy of a source that changed meanwhile is still what was read: it is verified too.
    if ((code == 0 || code == wcChangedWhileCopied) && Verify) {
        if (const TStatusCode verified = RunVerify(); verified != 0) {
            code = verified;
        }
    }
    Done(code);
}
