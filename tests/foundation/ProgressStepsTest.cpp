#include "foundation/ProgressSteps.h"

#include <gtest/gtest.h>

TEST(ProgressSteps, ClockCompletesCircleIn72TicksThenSwapsColours)
{
    ProgressState clock;
    for (int tick = 1; tick < 72; ++tick) {
        AdvancePosition(clock);
        WrapClock(clock);
        ASSERT_TRUE(clock.Phase) << "tick " << tick;
    }
    AdvancePosition(clock);
    WrapClock(clock);
    EXPECT_EQ(clock.Position, 0);
    EXPECT_FALSE(clock.Phase);
}

TEST(ProgressSteps, BarTurnsAtFarEnd)
{
    ProgressState bar;
    int ticks = 0;
    while (bar.Forward) {
        AdvancePosition(bar);
        WrapBar(bar, 151, 10);
        ++ticks;
        ASSERT_LT(ticks, 100);
    }
    EXPECT_EQ(ticks, 28); // 28 * 5 = 140 is the first position >= 139
    EXPECT_EQ(bar.Position, 0);
    EXPECT_EQ(BarBlockLeft(151, 10, bar), 151 - 10 - 2);
    bar.Position = 135;
    WrapBar(bar, 151, 10);
    EXPECT_EQ(bar.Position, 135);
    bar.Position = 139;
    WrapBar(bar, 151, 10);
    EXPECT_EQ(bar.Position, 0);
    EXPECT_TRUE(bar.Forward);
    EXPECT_EQ(BarBlockLeft(151, 10, bar), 2);
}

TEST(ProgressSteps, StripesCoverTheWidthAndEmptyControlsDrawNothing)
{
    struct Case
    {
        int Width, Height, Stripes;
    };
    for (const Case c : {Case{150, 14, 6}, Case{0, 14, 0}, Case{150, 0, 0}, Case{-3, -3, 0}, Case{1, 1, 2}}) {
        int count = 0;
        ForEachStripe(3, c.Width, c.Height, [&](ProgressPoint a, ProgressPoint b, ProgressPoint, ProgressPoint d) {
            EXPECT_EQ(b.X - a.X, c.Height);
            EXPECT_EQ(a.X - d.X, c.Height);
            ++count;
        });
        EXPECT_EQ(count, c.Stripes) << c.Width << "x" << c.Height;
    }
}

TEST(ProgressSteps, ClockPieEndWalksRoundTheFace)
{
    // Height 26: radius 12; 0 degrees is the start point (0, r), 90 the bottom, 180 the right.
    EXPECT_EQ(ClockRadius(26), 12);
    const ProgressPoint start = ClockPieEnd(26, 0);
    EXPECT_EQ(start.X, 0);
    EXPECT_EQ(start.Y, 12);
    const ProgressPoint quarter = ClockPieEnd(26, 90);
    EXPECT_EQ(quarter.X, 12);
    EXPECT_EQ(quarter.Y, 24);
    const ProgressPoint half = ClockPieEnd(26, 180);
    EXPECT_EQ(half.X, 24);
    EXPECT_EQ(half.Y, 12);
}
