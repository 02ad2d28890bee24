#include "platform/ProgramData.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Installed, the data lie beside the program: <prefix>/bin/tessaro -> <prefix>/share/tessaro.
TEST(ProgramData, InstalledDataAreFoundBesideTheProgram)
{
    TTempFolder root;
    std::filesystem::create_directories(root.Host("usr/bin"));
    root.WriteHostFile("usr/bin/tessaro", "");
    const std::string program = root.Host("usr/bin/tessaro");
    EXPECT_EQ(Platform::InstalledDataDir(program, "locale"), "");
    std::filesystem::create_directories(root.Host("usr/share/tessaro/locale"));
    EXPECT_EQ(std::filesystem::canonical(Platform::InstalledDataDir(program, "locale")),
              std::filesystem::canonical(root.Host("usr/share/tessaro/locale")));
    EXPECT_EQ(Platform::InstalledDataDir(program, "help"), "");
    EXPECT_EQ(Platform::InstalledDataDir("tessaro", "locale"), "");

    // A test program is not installed: the build's catalogues and the source tree's icons.
    EXPECT_FALSE(Platform::ProgramInstalled());
    EXPECT_EQ(Platform::ProgramDataDir("locale"), TESSARO_LOCALE_BUILD_DIR);
    EXPECT_TRUE(std::filesystem::exists(Platform::ProgramIconName())) << Platform::ProgramIconName();
}

} // namespace
