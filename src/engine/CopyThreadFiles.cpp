#include "engine/CopyThread.h"

// The file steps run on the platform file layer, which is not in the tree yet.

TStatusCode TCopyThread::OpenFiles()
{
    return ecOpenFile;
}

TStatusCode TCopyThread::FinishFiles(TStatusCode code)
{
    return code;
}

TStatusCode TCopyThread::PlainCopy()
{
    return ecOpenFile;
}

TStatusCode TCopyThread::ShellCopy()
{
    return ecOpenFile;
}

TStatusCode TCopyThread::EncryptFile()
{
    return ecOpenFile;
}

TStatusCode TCopyThread::DecryptFile()
{
    return ecOpenFile;
}

TStatusCode TCopyThread::VerifyCopy()
{
    return ecVerify;
}

TStatusCode TCopyThread::VerifyEncrypted()
{
    return ecVerify;
}
