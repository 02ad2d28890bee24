#pragma once

// The values of the editor's automatic-task page for one slot: what the page shows and
// how its controls are stored back into the slot.

#include "foundation/DateUtils.h"
#include "tasks/TaskModel.h"

#include <string>

struct TAutoTaskView
{
    std::string Name;       // the slot's display name
    std::string LastBackup; // date and time of the last run, or "no"
    std::string StartTime;  // "hh:nn" of the next due time
    int Mode = AutoNever;
    std::string Schedule; // summary of the rotation ("\r" between lines)
    int PriorityIndex = 0;
    int EndIndex = EndCloseAfterDelay;
};

// The page's view of a slot; a slot without a display name is switched off (Mode 0).
TAutoTaskView AutoTaskViewOf(TAutoTask& slot);

struct TAutoTaskInput
{
    int Mode = AutoNever;
    std::string StartTime;
    int PriorityIndex = 0;
    int EndIndex = EndCloseAfterDelay;
};

// Stores the page's controls into the slot; the next due time follows from the mode and
// the start time (see NextBackupFor).
void StoreAutoTaskInput(const TAutoTaskInput& input, TAutoTask& slot, TDateTime now);

// Priority list: 0 normal, 1 very low, 2 low, 3 high.
int PriorityIndexOf(int priority);
uint8_t PriorityOfIndex(int index);

// The end of the progress window that suits a newly chosen mode: close after the delay
// for runs at a set time or at logoff, else wait for the user.
uint8_t EndModeForChoice(int mode);

// The slot runs this task file from now on: name and display name set, all else reset.
void PutTaskIntoSlot(TAutoTask& slot, const std::string& taskFile);
// The slot is freed.
void ClearSlot(TAutoTask& slot);
// The first slot that runs the task file; 0 when none does or there is no file.
int SlotOfTask(const TAutoTaskSlots& slots, const std::string& taskFile);
