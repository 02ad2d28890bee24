#include "foundation/StatusView.h"

#include <gtest/gtest.h>

namespace {

class RecordingStatusView : public NullStatusView
{
public:
    void Open(int x, int y, const std::string& caption, int step, bool showCancel, const std::string&) override
    {
        ++Opens;
        X = x;
        Y = y;
        Caption = caption;
        Step = step;
        ShowCancel = showCancel;
        Visible = true;
    }
    bool IsVisible() const override { return Visible; }
    void Close() override
    {
        ++Closes;
        Visible = false;
    }
    int Opens = 0, Closes = 0, X = 0, Y = 0, Step = 0;
    bool ShowCancel = false, Visible = false;
    std::string Caption;
};

struct StatusViewFixture : ::testing::Test
{
    RecordingStatusView view;
    void SetUp() override { RegisterStatusView(&view); }
    void TearDown() override
    {
        RegisterStatusView(nullptr);
        RegisterInTrayQuery({});
    }
};

} // namespace

TEST_F(StatusViewFixture, ShowOpensCentredAndHideClosesOnlyAVisibleWindow)
{
    HideStatusWindow();
    EXPECT_EQ(view.Closes, 0);
    ShowStatusWindow("Scanning directories", "", 5, true);
    EXPECT_EQ(view.Opens, 1);
    EXPECT_LT(view.X, 0);
    EXPECT_EQ(view.Caption, "Scanning directories");
    EXPECT_EQ(view.Step, 5);
    EXPECT_TRUE(view.ShowCancel);
    HideStatusWindow();
    EXPECT_EQ(view.Closes, 1);
}

TEST_F(StatusViewFixture, NothingIsShownWhileInTheTray)
{
    bool inTray = true;
    RegisterInTrayQuery([&] { return inTray; });
    ShowStatusWindow("Scanning directories", "", 5, true);
    EXPECT_EQ(view.Opens, 0);
    inTray = false;
    ShowStatusWindow("Scanning directories", "", 5, true);
    EXPECT_EQ(view.Opens, 1);
}
