#include "foundation/StatusView.h"

#include <gtest/gtest.h>

namespace {

struct RecordingStatusView : NullStatusView
{
    void Open(int x, int, const std::string&, int, bool, const std::string&) override
    {
        ++Opens;
        X = x;
        Visible = true;
    }
    bool IsVisible() const override { return Visible; }
    void Close() override
    {
        ++Closes;
        Visible = false;
    }
    int Opens = 0, Closes = 0, X = 0;
    bool Visible = false;
};

} // namespace

TEST(StatusView, ShownCentredOutsideTheTrayAndClosedOnlyWhenVisible)
{
    RecordingStatusView view;
    RegisterStatusView(&view);
    bool inTray = true;
    RegisterInTrayQuery([&] { return inTray; });
    ShowStatusWindow("Scanning directories", "", 5, true);
    EXPECT_EQ(view.Opens, 0);
    HideStatusWindow();
    EXPECT_EQ(view.Closes, 0);
    inTray = false;
    ShowStatusWindow("Scanning directories", "", 5, true);
    EXPECT_EQ(view.Opens, 1);
    EXPECT_LT(view.X, 0);
    HideStatusWindow();
    EXPECT_EQ(view.Closes, 1);
    RegisterStatusView(nullptr);
    RegisterInTrayQuery({});
}
