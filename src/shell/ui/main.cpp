#include "Version.h"
#include "foundation/Translate.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", TESSARO_PRODUCT, TESSARO_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    InitTranslations();
    SetTranslationLanguage({});
    std::printf("%s %s\n", TESSARO_PRODUCT, TESSARO_VERSION);
    return 0;
}
