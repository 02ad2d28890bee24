#include "engine/WriteFtpThread.h"

#include "engine/Encryption.h"
#include "foundation/FileStream.h"
#include "platform/FileSystem.h"

TWriteFtpThread::TWriteFtpThread(TExtFtp* ftp, const std::string& source, const std::string& remoteName,
                                 TEncryption* encryption, bool gzip, int32_t bufferSize, TThreadPriority priority)
    : TGZipThread(source, remoteName, encryption, bufferSize, priority), Ftp(ftp), GZip(gzip ? 1 : 0)
{
    Operation = encryption ? opEncrypt : gzip ? opGZip : opCopy;
    Ftp->ClearAbort(); // an abort meant for an earlier worker must not hit this one
    Ftp->OnWork = [this](TFtpWorkMode mode, int64_t bytes) { UploadProgress(mode, bytes); };
}

TWriteFtpThread::~TWriteFtpThread()
{
    WaitFor();
    Ftp->OnWork = nullptr;
    Ftp->ClearAbort(); // a cancel that came after the transfer must not hit the next one
}

void TWriteFtpThread::Cancel()
{
    TGZipThread::Cancel();
    Ftp->Abort();
}

void TWriteFtpThread::UploadProgress(TFtpWorkMode mode, int64_t bytes)
{
    if (mode != TFtpWorkMode::Write) {
        return;
    }
    DoProgress(pkUpload, bytes);
    ShouldStop(); // the pause gate; a cancel reaches the transfer through the client's abort
}

void TWriteFtpThread::Execute()
{
    Done(UploadFile());
}

TStatusCode TWriteFtpThread::UploadFile()
{
    if (!Platform::FileExists(Source)) {
        return ecOpenFile;
    }
    if (Destination.empty()) {
        return ecCreateFile;
    }
    SourceStream = TFileStream::OpenFound(Source);
    if (!SourceStream) {
        return ecOpenFile;
    }
    const int64_t sourceSize = SourceStream->Size();
    TStatusCode code = 0;
    if (GZip) {
        code = UploadGZipped(sourceSize);
    } else if (Encryption) {
        code = UploadEncrypted(sourceSize);
    } else {
        code = Send(*SourceStream, sourceSize);
    }
    if (code == 0 && SourceChanged()) {
        code = wcChangedWhileCopied;
    }
    SourceStream.reset();
    return code;
}

TStatusCode TWriteFtpThread::UploadGZipped(int64_t sourceSize)
{
    TIntermediate packed = MakeIntermediate(sourceSize, "gzip.tmp");
    if (!packed.Stream) {
        return ecWriteFile;
    }
    const TStatusCode code = WriteGzStream(*packed.Stream, sourceSize);
    return code != 0 ? code : Send(*packed.Stream, packed.Stream->Size());
}

TStatusCode TWriteFtpThread::UploadEncrypted(int64_t sourceSize)
{
    TIntermediate sealed = MakeIntermediate(sourceSize, "encrypt.tmp");
    if (!sealed.Stream) {
        return ecWriteFile;
    }
    DoProgress(pkEncrypt, -sourceSize);
    if (!Encryption->Encrypt(*SourceStream, *sealed.Stream)) {
        return ecEncrypt;
    }
    Count = sourceSize;
    return ShouldStop() ? icTerminated : Send(*sealed.Stream, sealed.Stream->Size());
}

// Uploads the whole stream from its start. A cancel wins over whatever the transfer reported:
// an aborted transfer is no write failure.
TStatusCode TWriteFtpThread::Send(TStream& stream, int64_t size)
{
    if (Abort) {
        return icTerminated;
    }
    DoProgress(pkUpload, -size);
    if (!stream.Seek(0)) {
        return ecReadFile;
    }
    const TStatusCode code = Ftp->Upload(stream, Destination, false);
    return Abort ? icTerminated : code;
}
