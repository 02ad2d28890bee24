#pragma once

// The rotation and full-backup scheme of an automatic task as the schedule dialog
// edits it, and the summary the editor shows for it.
//
// TScheduleEdit keeps the values and the state of the dialog's controls; the dialog
// shows that state (with its signals blocked, so showing never edits) and passes the
// user's clicks to the handlers.

#include "foundation/DateUtils.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <string>

// The seven fields of a slot that the dialog copies in and back as one block.
struct TSchedule
{
    int32_t StepMode = StepNone;
    int32_t LastCycle = NoCycleYet;
    int32_t ActCycle = 1;
    int32_t WeekOffset = 0;
    int32_t Cycles = 1;
    int32_t StartDay = 0;
    int32_t SchedMode = 0;

    bool operator==(const TSchedule&) const = default;
};

TSchedule ScheduleOf(const TAutoTask& slot);
void SetSchedule(TAutoTask& slot, const TSchedule& schedule);

// The weekday of the full backup can be chosen only for a daily rotation in whole weeks
// with a scheme of full backups.
bool FullBackupDayUsed(const TSchedule& schedule);

// Item texts of the dialog (translated).
std::string RecurrenceItemText(int stepMode);
std::string SchemeItemText(int schedMode);
std::string WeekdayItemText(int startDay); // 0 Monday

// The summary of the label beside the schedule button; lines separated by "\r".
std::string ScheduleSummary(const TSchedule& schedule);

struct TScheduleControls
{
    int Recurrence = 0;
    int Count = 1;
    int CountMax = 31;
    bool CountEnabled = false;
    int Actual = 1;
    int ActualMax = 1;
    bool ActualEnabled = false;
    int Scheme = 0;
    bool SchemeEnabled = false;
    int FullDay = 0;
    bool FullDayVisible = false;
};

class TScheduleEdit
{
public:
    // today: the day the dialog opens (its weekday fixes the day of a daily rotation).
    TScheduleEdit(const TSchedule& schedule, TDateTime today);

    TSchedule Value;
    TScheduleControls Controls;

    void RecurrenceChosen(int stepMode);
    void CountChanged(int count);
    void ActualChanged(int cycle);
    void SchemeChosen(int schedMode);
    void FullDayChosen(int day);

private:
    void SetCount(int count);
    int todayWeekday;
};
