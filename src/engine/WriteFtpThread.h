#pragma once

#include "engine/ExtFtp.h"
#include "engine/GZipThread.h"

#include <string>

// Uploads one local file into the current remote folder of the run's connected client:
// plain, as a ".gz" file (GZip) or encrypted (an encryption object), under the remote name
// the run chose. Compression and encryption are finished before the transfer starts, in
// memory up to 10 MiB and in a private temporary file above.
//
// Source is the local file (Windows path text), Destination the remote name. The client is
// borrowed: while the worker lives it owns the client's work event and may abort its
// transfer from Cancel. Statuses: those of TExtFtp::Upload or-ed with the operation, 0x80
// after a cancel, 0x102 for a missing local file, 0x101 for an empty remote name.
class TWriteFtpThread : public TGZipThread
{
public:
    TWriteFtpThread(TExtFtp* ftp, const std::string& source, const std::string& remoteName, TEncryption* encryption,
                    bool gzip, int32_t bufferSize, TThreadPriority priority = TThreadPriority::tpNormal);
    ~TWriteFtpThread() override;

    // Stops after the current buffer and breaks off a running transfer at once.
    void Cancel() override;

    TExtFtp* Ftp;
    uint8_t GZip = 0;

protected:
    void Execute() override;

private:
    TStatusCode UploadFile();
    TStatusCode UploadGZipped(int64_t sourceSize);
    TStatusCode UploadEncrypted(int64_t sourceSize);
    TStatusCode Send(TStream& stream, int64_t size);
    void UploadProgress(TFtpWorkMode mode, int64_t bytes);
};
