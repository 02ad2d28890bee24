#include <QLabel>
#include <gtest/gtest.h>

TEST(UiSmoke, WindowShowsOffscreen)
{
    QLabel label("Tessaro");
    label.show();
    EXPECT_TRUE(label.isVisible());
    EXPECT_EQ(label.text(), "Tessaro");
}
