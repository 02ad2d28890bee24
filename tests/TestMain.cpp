#include "foundation/Translate.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    InitTranslations();
    return RUN_ALL_TESTS();
}
