#include "tasks/Schedule.h"

#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "tasks/IniValues.h"

#include <algorithm>
#include <array>

namespace {

constexpr int MaxDailyCycles = 366;
constexpr int MaxWeeklyCycles = 52;

bool WholeWeeks(int cycles)
{
    return cycles > 0 && cycles % 7 == 0;
}

std::string WithNumber(const std::string& format, int value)
{
    return ReplaceText(format, "%u", std::to_string(value));
}

} // namespace

TSchedule ScheduleOf(const TAutoTask& slot)
{
    return {slot.StepMode, slot.LastCycle, slot.ActCycle, slot.WeekOffset, slot.Cycles, slot.StartDay, slot.SchedMode};
}

void SetSchedule(TAutoTask& slot, const TSchedule& schedule)
{
    slot.StepMode = schedule.StepMode;
    slot.LastCycle = schedule.LastCycle;
    slot.ActCycle = schedule.ActCycle;
    slot.WeekOffset = schedule.WeekOffset;
    slot.Cycles = schedule.Cycles;
    slot.StartDay = schedule.StartDay;
    slot.SchedMode = static_cast<uint8_t>(schedule.SchedMode);
}

bool FullBackupDayUsed(const TSchedule& schedule)
{
    return schedule.SchedMode != 0 && schedule.StepMode == StepDaily && WholeWeeks(schedule.Cycles);
}

std::string RecurrenceItemText(int stepMode)
{
    static const std::array<const char*, 4> items = {TrNoopDefault("no"), TrNoopDefault("daily"),
                                                     TrNoopDefault("weekly"), TrNoopDefault("1 per week")};
    return TrDefault(items[static_cast<size_t>(std::clamp(stepMode, 0, 3))]);
}

std::string SchemeItemText(int schedMode)
{
    static const std::array<const char*, 5> items = {
        TrNoopDefault("as defined in task"), TrNoopDefault("1x full + differential"),
        TrNoopDefault("1x full + incremental"), TrNoopDefault("2x full + differential"),
        TrNoopDefault("2x full + incremental")};
    return TrDefault(items[static_cast<size_t>(std::clamp(schedMode, 0, 4))]);
}

std::string WeekdayItemText(int startDay)
{
    static const std::array<const char*, 7> items = {
        TrNoopDefault("Monday"), TrNoopDefault("Tuesday"),  TrNoopDefault("Wednesday"), TrNoopDefault("Thursday"),
        TrNoopDefault("Friday"), TrNoopDefault("Saturday"), TrNoopDefault("Sunday")};
    return TrDefault(items[static_cast<size_t>(std::clamp(startDay, 0, 6))]);
}

std::string ScheduleSummary(const TSchedule& schedule)
{
    if (schedule.StepMode <= StepNone) {
        return TrDefault("No configured schedule");
    }
    const std::string mode = TrDefault("Mode: ") + SchemeItemText(schedule.SchedMode) + "\r";
    if (FullBackupDayUsed(schedule)) {
        const std::string line = WithNumber(TrDefault("%u Week cycle, start on %s"), schedule.Cycles / 7);
        return mode + FormatText(line, WeekdayItemText(schedule.StartDay));
    }
    const std::string actual = WithNumber(TrDefault("Actual cycle: %u"), schedule.ActCycle);
    switch (schedule.StepMode) {
    case StepWeekly:
        return mode + WithNumber(TrDefault("Dayly - weekly change (%u weeks)"), schedule.Cycles) + "\r" + actual +
               TrDefault(".week");
    case StepDaily:
        return mode + WithNumber(TrDefault("Dayly change (%u days)"), schedule.Cycles) + "\r" + actual +
               TrDefault(".day");
    default:
        return mode + WithNumber(TrDefault("Weekly change (%u weeks)"), schedule.Cycles) + "\r" + actual +
               TrDefault(".week");
    }
}

TScheduleEdit::TScheduleEdit(const TSchedule& schedule, TDateTime today)
    : Value(schedule), todayWeekday(DayOfTheWeek(today))
{
    Value.StepMode = std::clamp(Value.StepMode, 0, 3);
    Value.SchedMode = std::clamp(Value.SchedMode, 0, 4);
    Value.StartDay = std::clamp(Value.StartDay, 0, 6);
    Value.Cycles = std::max(Value.Cycles, 1);
    TScheduleControls& c = Controls;
    c.Recurrence = Value.StepMode;
    c.Count = Value.Cycles;
    c.ActualMax = Value.Cycles;
    c.Actual = std::clamp(Value.ActCycle, 1, Value.Cycles);
    c.Scheme = Value.SchedMode;
    c.FullDay = Value.StartDay;
    if (Value.StepMode == StepNone) {
        c.CountEnabled = c.ActualEnabled = c.SchemeEnabled = false;
    } else {
        c.CountEnabled = c.SchemeEnabled = true;
        c.CountMax = Value.StepMode == StepDaily ? MaxDailyCycles : MaxWeeklyCycles;
        c.Count = std::min(c.Count, c.CountMax);
        c.ActualEnabled = !(Value.StepMode == StepDaily && WholeWeeks(Value.Cycles));
    }
    c.FullDayVisible = FullBackupDayUsed(Value);
}

void TScheduleEdit::RecurrenceChosen(int stepMode)
{
    if (stepMode == Value.StepMode || stepMode < 0 || stepMode > 3) {
        return;
    }
    TScheduleControls& c = Controls;
    Value.LastCycle = NoCycleYet;
    Value.StepMode = stepMode;
    c.Recurrence = stepMode;
    if (stepMode == StepNone) {
        c.CountEnabled = c.ActualEnabled = c.SchemeEnabled = false;
        c.Scheme = 0;
        Value.SchedMode = 0;
    } else if (stepMode == StepDaily) {
        c.CountEnabled = c.SchemeEnabled = true;
        c.CountMax = MaxDailyCycles;
        SetCount(7);
    } else {
        c.CountEnabled = c.SchemeEnabled = true;
        c.CountMax = MaxWeeklyCycles;
        SetCount(4);
        c.ActualEnabled = true;
        c.Actual = Value.ActCycle = 1;
    }
    c.FullDayVisible = FullBackupDayUsed(Value);
}

void TScheduleEdit::SetCount(int count)
{
    TScheduleControls& c = Controls;
    count = std::clamp(count, 1, c.CountMax);
    Value.Cycles = c.Count = c.ActualMax = count;
    if (Value.StepMode == StepDaily && WholeWeeks(count)) {
        c.Actual = Value.ActCycle = todayWeekday;
        c.ActualEnabled = false;
    } else {
        c.ActualEnabled = Value.StepMode != StepNone;
        c.Actual = Value.ActCycle = std::clamp(Value.ActCycle, 1, count);
    }
}

void TScheduleEdit::CountChanged(int count)
{
    SetCount(count);
    Controls.FullDayVisible = FullBackupDayUsed(Value);
}

void TScheduleEdit::ActualChanged(int cycle)
{
    Value.ActCycle = Controls.Actual = std::clamp(cycle, 1, Controls.ActualMax);
}

void TScheduleEdit::SchemeChosen(int schedMode)
{
    Value.SchedMode = Controls.Scheme = std::clamp(schedMode, 0, 4);
    Controls.FullDayVisible = FullBackupDayUsed(Value);
}

void TScheduleEdit::FullDayChosen(int day)
{
    Value.StartDay = Controls.FullDay = std::clamp(day, 0, 6);
}
