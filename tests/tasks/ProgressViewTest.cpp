#include "tasks/ProgressView.h"

#include <gtest/gtest.h>

TEST(ProgressView, PercentagesAreClamped)
{
    EXPECT_EQ(ClampPercent(-5), 0);
    EXPECT_EQ(ClampPercent(0), 0);
    EXPECT_EQ(ClampPercent(42), 42);
    EXPECT_EQ(ClampPercent(250), 100);
    EXPECT_EQ(ClampPercent(INT64_MIN), 0);
    EXPECT_EQ(ClampPercent(INT64_MAX), 100);
}

TEST(ProgressView, CloseDelay)
{
    struct Case
    {
        int Status, Delay;
        bool Hidden;
        int IntervalMs;
    };
    const Case cases[] = {
        {FinishWarnings, DelayWaitOnError + 5, false, 0},  // waits for the user after warnings
        {FinishCancelled, DelayWaitOnError + 5, false, 0}, // and after a cancel
        {FinishOk, DelayWaitOnError + 5, false, 5000},     // closes after 5 s when all went well
        {FinishWarnings, 5, false, 5000},
        {FinishOk, 0, false, 0},                // never closes by itself
        {FinishOk, DelayWaitOnError, false, 0}, // a zero interval must not close at once
        {FinishOk, -1, true, 0},                // quiet runs stay hidden
        {FinishOk, 0xFFF, false, 0xFFF * 1000},
    };
    for (const Case& c : cases) {
        const FinishClose close = FinishCloseInterval(c.Status, c.Delay);
        EXPECT_EQ(close.Hidden, c.Hidden) << c.Status << "/" << c.Delay;
        EXPECT_EQ(close.IntervalMs, c.IntervalMs) << c.Status << "/" << c.Delay;
    }
}

TEST(ProgressView, ItemAndActionTexts)
{
    EXPECT_EQ(ItemKindText(7), "");
    EXPECT_EQ(ActionText(7, "is being copied"), "is being copied and verified");
    EXPECT_EQ(ActionText(0, "x"), "");
    EXPECT_EQ(ActionText(10, "x"), "");
}
