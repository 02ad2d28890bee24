#include "foundation/Translate.h"

#include <gtest/gtest.h>

TEST(Translate, GermanCatalogueIsUsedWhateverTheLocale)
{
    SetTranslationLanguage("de");
    EXPECT_EQ(TrDefault("Data backup"), "Datensicherung");
    SetTranslationLanguage("en");
    EXPECT_EQ(TrDefault("Data backup"), "Data backup");
    EXPECT_EQ(TrDefault("no such text"), "no such text");
    SetTranslationLanguage({});
}
