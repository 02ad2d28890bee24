#pragma once

#include "engine/GZipThread.h"

// The backup's worker: shell copy, gzip, encryption or plain copy, each followed by
// its verify pass when Verify is set and the operation succeeded. The gzip worker
// supplies GZipFile and VerifyGZipFile.
class TWinCopyThread : public TGZipThread
{
public:
    TWinCopyThread(const std::string& source, const std::string& destination, TEncryption* encryption, bool gzip,
                   bool verify, int32_t bufferSize, TThreadPriority priority = TThreadPriority::tpNormal);

    uint8_t GZip = 0;
    bool IsBrief() const override;

protected:
    void Execute() override;

private:
    TStatusCode RunOperation();
    TStatusCode RunVerify();
};
