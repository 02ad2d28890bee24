#include "engine/StatusCodes.h"

#include "foundation/Translate.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusCodeText, BuildsPrefixTextAndSuffix)
{
    const struct
    {
        TStatusCode code;
        const char* text;
    } cases[] = {
        {0x2107, "Error: Low disk space (GZip)"},
        {0x1080, "Info: Terminated by user (Copy)"},
        {0x520F, "Warning: Setting of file timestamp failed (Encrypt)"},
        {0x310C, "Error: Verify failed (GUnzip)"},
        {0x011B, "Error: FTP connection closed by server"},
        {0x0307, "Info: Low disk space"},
        {0x7107, "Error: Low disk space"},
        {0xF107, "Error: Low disk space"},
        {0, "Info: Unknown error (00000000)"},
        {0x1111, "Error: Unknown error (00001111) (Copy)"},
        {0x61FF, "Error: Unknown error (000061FF) (Decrypt)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusCodeText(c.code), c.text) << std::hex << c.code;
    }
}

TEST(StatusCodeText, TranslatesEachPiece)
{
    SetTranslationLanguage("de");
    EXPECT_EQ(StatusCodeText(0x2107), "Fehler: Zu wenig Speicherplatz (GZip)");
    EXPECT_EQ(StatusCodeText(0x5111), "Fehler: Unbekannter Fehler (00005111) (Verschlüsseln)");
    SetTranslationLanguage({});
}

TEST(EZipError, CarriesTheZipOperation)
{
    EXPECT_EQ(EZipError("Error verifying x.zip", ecVerify).Code, 0x410Cu);
}

} // namespace
