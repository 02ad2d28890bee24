#include "engine/StatusCodes.h"

#include "foundation/Translate.h"

#include <gtest/gtest.h>

namespace {

struct TextCase
{
    TStatusCode code;
    const char* text;
};

TEST(StatusCodeText, BuildsPrefixTextAndSuffix)
{
    const TextCase cases[] = {
        {0x2107, "Error: Low disk space (GZip)"},
        {0x1080, "Info: Terminated by user (Copy)"},
        {0x520F, "Warning: Setting of file timestamp failed (Encrypt)"},
        {0x6206, "Warning: Set file attr. failed (Decrypt)"},
        {0x310C, "Error: Verify failed (GUnzip)"},
        {0x410D, "Error: Path too long (Zip)"},
        {0x011B, "Error: FTP connection closed by server"},
        {0x0118, "Error: FTP read failed"},
        {0x0119, "Error: FTP write failed"},
        {0x011A, "Error: FTP connection failed"},
        {0x0101, "Error: Create file failed"},
        {0x1102, "Error: Open file failed (Copy)"},
        {0x0103, "Error: Close file failed"},
        {0x0104, "Error: Read file failed"},
        {0x0105, "Error: Write file failed"},
        {0x0108, "Error: Illegal GZip header"},
        {0x0109, "Error: Corrupt file"},
        {0x010A, "Error: Encryption failed"},
        {0x010B, "Error: Decryption failed"},
        {0x010E, "Error: File not found"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusCodeText(c.code), c.text) << std::hex << c.code;
    }
}

TEST(StatusCodeText, UnknownNumbersShowTheWholeCode)
{
    const TextCase cases[] = {
        {0, "Info: Unknown error (00000000)"},         {0x1110, "Error: Unknown error (00001110) (Copy)"},
        {0x011D, "Error: Unknown error (0000011D)"},   {0x61FF, "Error: Unknown error (000061FF) (Decrypt)"},
        {0x0281, "Warning: Unknown error (00000281)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusCodeText(c.code), c.text) << std::hex << c.code;
    }
}

TEST(StatusCodeText, OnlyKnownOperationsAndSeveritiesShow)
{
    for (TStatusCode op = 0x7000; op <= 0xF000; op += 0x1000) {
        EXPECT_EQ(StatusCodeText(op | 0x107), "Error: Low disk space") << std::hex << op;
    }
    EXPECT_EQ(StatusCodeText(0x0307), "Info: Low disk space");
    EXPECT_EQ(StatusCodeText(0x0007), "Info: Low disk space");
}

TEST(StatusCodeText, TranslatesEachPiece)
{
    SetTranslationLanguage("de");
    EXPECT_EQ(StatusCodeText(0x2107), "Fehler: Zu wenig Speicherplatz (GZip)");
    EXPECT_EQ(StatusCodeText(0x5110), "Fehler: Unbekannter Fehler (00005110) (Verschlüsseln)");
    SetTranslationLanguage({});
}

TEST(EZipError, CarriesTheZipOperation)
{
    const EZipError error("Error verifying x.zip", ecVerify);
    EXPECT_EQ(error.Code, 0x410Cu);
    EXPECT_STREQ(error.what(), "Error verifying x.zip");
}

} // namespace
