#include "tasks/AutoTaskPage.h"

#include "foundation/Translate.h"
#include "tasks/AutoTasks.h"
#include "tasks/Schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

TAutoTaskView AutoTaskViewOf(TAutoTask& slot)
{
    TAutoTaskView view;
    view.Name = slot.DisplayName;
    if (slot.DisplayName.empty()) {
        slot.Mode = AutoNever;
    }
    view.LastBackup = slot.LastRun <= 0 ? TrDefault("no")
                                        : FormatDateTime(slot.LastRun, "%x") + " " + FormatDateTime(slot.LastRun, "%X");
    int hour = 0, minute = 0, second = 0, ms = 0;
    DecodeTime(slot.NextBackup - std::floor(slot.NextBackup), hour, minute, second, ms);
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", hour % 24, minute);
    view.StartTime = text;
    view.Mode = slot.Mode >= AutoNever && slot.Mode <= AutoWeeklyLogon ? slot.Mode : AutoNever;
    view.Schedule = ScheduleSummary(ScheduleOf(slot));
    view.PriorityIndex = PriorityIndexOf(slot.Priority);
    view.EndIndex = slot.AutoEnd <= EndWaitOnError ? int{slot.AutoEnd} : int{EndCloseAfterDelay};
    return view;
}

void StoreAutoTaskInput(const TAutoTaskInput& input, TAutoTask& slot, TDateTime now)
{
    slot.Mode = input.Mode;
    slot.NextBackup = NextBackupFor(input.Mode, input.StartTime, now);
    slot.AutoEnd = static_cast<uint8_t>(input.EndIndex >= 0 && input.EndIndex <= EndWaitOnError ? input.EndIndex : 0);
    slot.Priority = PriorityOfIndex(input.PriorityIndex);
}

int PriorityIndexOf(int priority)
{
    switch (priority) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 4:
        return 3;
    default:
        return 0;
    }
}

uint8_t PriorityOfIndex(int index)
{
    switch (index) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 4;
    default:
        return 3;
    }
}

uint8_t EndModeForChoice(int mode)
{
    return mode == AutoDailyAt || mode == AutoOnLogoff ? EndCloseAfterDelay : EndWaitForUser;
}

void PutTaskIntoSlot(TAutoTask& slot, const std::string& taskFile)
{
    slot.Name = taskFile;
    slot.DisplayName = TaskDisplayName(taskFile);
    slot.Reset();
}

void ClearSlot(TAutoTask& slot)
{
    slot.Name.clear();
    slot.DisplayName.clear();
    slot.Reset();
}

int SlotOfTask(const TAutoTaskSlots& slots, const std::string& taskFile)
{
    if (taskFile.empty()) {
        return 0;
    }
    const auto found =
        std::find_if(slots.begin(), slots.end(), [&taskFile](const TAutoTask& slot) { return slot.Name == taskFile; });
    return found == slots.end() ? 0 : static_cast<int>(found - slots.begin());
}
