#include "foundation/Translate.h"
#include "shell/Language.h"
#include "ui/foundation/QtTranslation.h"

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
    // The picture tests run in the language that LANGUAGE names when it is one of the
    // program's ("LANGUAGE=de"), set up as a start with that "lang" option sets it up.
    QTranslator qtTranslator;
    const char* lang = std::getenv("LANGUAGE");
    if (lang && LanguageIndexOf(lang) > 0) {
        const int index = SetUpLanguage({}, {std::string("/lang:") + lang});
        InstallQtTranslation(qtTranslator, LanguageCode(index));
    }
    return RUN_ALL_TESTS();
}
