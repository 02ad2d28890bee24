#include "foundation/Translate.h"
#include "foundation/ui/QtTranslation.h"

#include <QApplication>
#include <QTranslator>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    InitTranslations();
    // tests/ui/screenshots.sh pictures the windows in the language LANGUAGE names (LANGUAGE=de).
    QTranslator qtTranslator;
    const char* lang = std::getenv("TESSARO_SCREENSHOT_DIR") ? std::getenv("LANGUAGE") : nullptr;
    if (lang && *lang) {
        SetTranslationLanguage(lang);
        InstallQtTranslation(qtTranslator, lang);
    }
    return RUN_ALL_TESTS();
}
