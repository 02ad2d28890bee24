#include "ui/shell/ProgramIcons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Every picture the tray asks for is there at tray sizes, and the frames differ.
TEST(ProgramIcons, TrayPicturesAndTheApplicationIcon)
{
    for (const char* letter : {"B", "C", "R"}) {
        for (int frame = 0; frame < 6; ++frame) {
            const std::string name = std::string(letter) + "M" + std::to_string(frame);
            EXPECT_EQ(TrayIconPicture(name).availableSizes().size(), 6u) << name;
        }
    }
    const QImage small = TrayIconPicture({}).pixmap(32, 32).toImage();
    EXPECT_FALSE(small.isNull());
    EXPECT_NE(TrayIconPicture("BM1").pixmap(32, 32).toImage(), TrayIconPicture("BM2").pixmap(32, 32).toImage());
    EXPECT_NE(TrayIconPicture("CM1").pixmap(32, 32).toImage(), TrayIconPicture("BM1").pixmap(32, 32).toImage());
    EXPECT_EQ(TrayIconPicture("XM9").pixmap(32, 32).toImage(), small);
    EXPECT_FALSE(ApplicationIcon().pixmap(256, 256).isNull());
}

} // namespace
