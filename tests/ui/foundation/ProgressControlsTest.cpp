#include "ui/foundation/ProgressControls.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

qsizetype TimerCount(const QWidget& control)
{
    return control.findChildren<QTimer*>().size();
}

} // namespace

TEST(ProgressControls, StatusOnTwiceKeepsOneTimerAndOffFreesIt)
{
    TClkProgress clock;
    EXPECT_EQ(TimerCount(clock), 0);
    clock.SetStatus(TProgressStatus::psOn);
    clock.SetStatus(TProgressStatus::psOn);
    EXPECT_EQ(TimerCount(clock), 1);
    EXPECT_TRUE(clock.TimerRunning());
    clock.SetStatus(TProgressStatus::psOff);
    EXPECT_EQ(TimerCount(clock), 0);
    clock.SetStatus(TProgressStatus::psNudge);
    EXPECT_EQ(TimerCount(clock), 0);
}

TEST(ProgressControls, PauseStopsAndRestartsOnlyAnExistingTimer)
{
    TBarProgress bar;
    bar.Pause(false);
    EXPECT_FALSE(bar.TimerRunning());
    bar.SetStatus(TProgressStatus::psOn);
    bar.Pause(true);
    EXPECT_FALSE(bar.TimerRunning());
    EXPECT_EQ(TimerCount(bar), 1);
    bar.SetInterval(10);
    bar.Pause(false);
    EXPECT_TRUE(bar.TimerRunning());
    EXPECT_EQ(bar.findChild<QTimer*>()->interval(), 10);
}

TEST(ProgressControls, NudgedStepsMoveAndReportTheSender)
{
    TClkProgress clock;
    clock.SetStatus(TProgressStatus::psNudge);
    int increments = 0;
    TCustomProgress* sender = nullptr;
    QObject::connect(&clock, &TCustomProgress::OnIncrement, [&](TCustomProgress* from) {
        ++increments;
        sender = from;
    });
    for (int i = 0; i < 72; ++i) {
        clock.StepIt();
    }
    EXPECT_EQ(increments, 72);
    EXPECT_EQ(sender, &clock);
    EXPECT_EQ(clock.Steps().Position, 0);
    EXPECT_FALSE(clock.Steps().Phase);
    EXPECT_EQ(clock.Steps().NudgeCount, 72);
    clock.Reset();
    EXPECT_TRUE(clock.Steps().Phase);
}
