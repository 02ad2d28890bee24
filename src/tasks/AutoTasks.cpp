#include "tasks/AutoTasks.h"

#include "engine/CopyThread.h"
#include "foundation/DriveUtils.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "platform/StopSignals.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupRun.h"
#include "tasks/ExecuteCommand.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"
#include "tasks/ZipDest.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* TaskExtension = "buj";

TDateTime DayOf(TDateTime time)
{
    return std::trunc(time);
}

TDateTime TimeOfDay(TDateTime time)
{
    return time - std::trunc(time);
}

// A cycle count of 0 (a hand-edited settings file) would divide by zero.
int32_t CyclesOf(const TAutoTask& slot)
{
    return slot.Cycles > 0 ? slot.Cycles : 1;
}

// Translated in parts: catalogues keep no line breaks inside a message.
std::string FileNotFoundText(const std::string& name)
{
    return TrDefault("File") + "\r\n\"" + name + "\"\r\n" + TrDefault("not found!");
}

// Ends the tray animation however the run ends.
class TAnimationScope
{
public:
    TAnimationScope(const TAutoTaskHost& host, bool animate) : host_(host), animate_(animate)
    {
        if (animate_ && host_.StartAnimation) {
            host_.StartAnimation('B');
        }
    }
    ~TAnimationScope()
    {
        if (animate_ && host_.StopAnimation) {
            host_.StopAnimation();
        }
    }
    TAnimationScope(const TAnimationScope&) = delete;
    TAnimationScope& operator=(const TAnimationScope&) = delete;

private:
    const TAutoTaskHost& host_;
    bool animate_;
};

std::string FormatNumber(const std::string& pattern, unsigned value)
{
    return ReplaceText(pattern, "%u", std::to_string(value));
}

std::string ModeText(const TAutoTask& slot)
{
    switch (slot.Mode) {
    case AutoEveryLogon:
        return TrDefault("At logon");
    case AutoDailyLogon:
        return TrDefault("Once per day on logon");
    case AutoDailyAt:
        return DateTimeToStr(slot.NextBackup);
    case AutoOnLogoff:
        return TrDefault("At logoff or shutdown");
    case AutoWeeklyLogon:
        return FormatNumber(TrDefault("At first logon in week %u"),
                            static_cast<unsigned>(IsoWeekOfYear(slot.NextBackup)));
    default:
        return TrDefault("Deactivated");
    }
}

} // namespace

// A slot's priority: 1 very low, 2 low, 3 normal, 4 high.
TThreadPriority ThreadPriorityOf(int priority)
{
    switch (priority) {
    case 1:
        return TThreadPriority::tpLowest;
    case 2:
        return TThreadPriority::tpLower;
    case 4:
        return TThreadPriority::tpHigher;
    default:
        return TThreadPriority::tpNormal;
    }
}

void ConnectBackupRun(TAutoTasks& tasks, TBackupRun& run)
{
    tasks.Host.RunBackup = [&tasks, &run](int index, const std::string& taskFile, int endMode, int priority) {
        run.Priority = ThreadPriorityOf(priority);
        run.ZipName = MakeZipName(tasks.Task().ZipName);
        run.NetUserName = tasks.NetUserName;
        return run.RunBackup(index, taskFile, endMode);
    };
    tasks.Host.RunOutcome = [&run](bool ok) { return run.Outcome(ok); };
    tasks.Host.MailUsable = [&run] { return run.MailUsable; };
}

int WeekNumber(TDateTime date)
{
    return static_cast<int>((static_cast<long long>(DayOf(date)) - 2) / 7);
}

TDateTime StartOfWeek(TDateTime date)
{
    return DayOf(date) - (DayOfTheWeek(date) - 1);
}

bool ParseStartTime(const std::string& text, TDateTime& time)
{
    const std::string trimmed = TrimText(text);
    int hour = -1;
    int minute = -1;
    char tail = 0;
    if (std::sscanf(trimmed.c_str(), "%d:%d%c", &hour, &minute, &tail) != 2 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59) {
        return false;
    }
    time = EncodeTime(hour, minute, 0, 0);
    return true;
}

TDateTime NextBackupFor(int mode, const std::string& startTime, TDateTime now)
{
    if (mode == AutoWeeklyLogon) {
        return StartOfWeek(now + 7);
    }
    TDateTime time = 0;
    if (!ParseStartTime(startTime, time)) {
        return DayOf(now) + 1.5;
    }
    const TDateTime due = DayOf(now) + time;
    return now >= due ? due + 1 : due;
}

TAutoTasks::TAutoTasks(TProgramSettings& settings_, TBackupTask& task_, TBackupLog& log_, const TTaskFileEnv& taskEnv_)
    : settings(settings_), task(task_), log(log_), taskEnv(taskEnv_)
{}

// ---- rotation ---------------------------------------------------------------------------

int TAutoTasks::RotationCounter(int slot, TDateTime date)
{
    TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
    const int32_t cycles = CyclesOf(t);
    if (t.StepMode <= StepNone) {
        return 0;
    }
    if (t.StepMode == StepDaily) {
        if (!(DayOf(t.LastRun) < DayOf(date) || t.Mode == AutoOnLogoff || t.Mode == AutoEveryLogon)) {
            return RotationSkip;
        }
        if (cycles % 7 != 0) {
            return t.ActCycle % cycles + 1;
        }
        const int weekday = DayOfTheWeek(date);
        const int value = weekday + 7 * t.WeekOffset;
        if (value >= t.ActCycle) {
            return value + RotationStoreFirst;
        }
        t.WeekOffset = (t.WeekOffset + 1) % (cycles / 7);
        return weekday + 7 * t.WeekOffset + RotationStoreFirst;
    }
    if (t.StepMode == StepWeekly) {
        if (t.LastCycle != NoCycleYet && WeekNumber(date) <= WeekNumber(t.LastRun)) {
            t.ActCycle = t.LastCycle;
        }
        return t.ActCycle % cycles + 1;
    }
    return WeekNumber(date) > WeekNumber(t.LastRun) ? t.ActCycle % cycles + 1 : RotationSkip;
}

void TAutoTasks::StoreCycle(int slot, int value)
{
    TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
    if (value > 0 && t.StepMode > StepNone) {
        t.ActCycle = value & RotationCycleMask;
    }
}

void TAutoTasks::WriteRunDates(int slot)
{
    ::WriteRunDates(settings.FileName, settings.AutoTasks[static_cast<size_t>(slot)], Now());
}

// ---- names and texts -----------------------------------------------------------------------

std::string TAutoTasks::ExpandTaskName(const std::string& name) const
{
    std::string full = ExpandPlaceholders(true, name);
    // Only the name part decides: a folder called "john.doe" is no extension.
    if (ExtractFileName(full).find('.') == std::string::npos) {
        full += std::string(".") + TaskExtension;
    }
    return ExpandFileNameDefaults(full, settings.JobDir, "");
}

std::string TAutoTasks::AutoTaskInfoText() const
{
    std::string text;
    for (int i = 0; i < AutoTaskSlots; ++i) {
        const TAutoTask& t = settings.AutoTasks[static_cast<size_t>(i)];
        if (t.Free()) {
            continue;
        }
        if (!text.empty()) {
            text += "\r";
        }
        text += std::to_string(i + 1) + ": " + TrDefault("Backup task: ") + t.DisplayName + "\r   - " +
                TrDefault("Next backup: ") + ModeText(t);
    }
    return text;
}

void TAutoTasks::UpdateAutoFlags()
{
    settings.AutoFlags = ComputeAutoFlags(settings.AutoTasks);
}

void TAutoTasks::SetTimer(bool on)
{
    if (timerOn == on) {
        return;
    }
    timerOn = on;
    if (Host.TimerChanged) {
        Host.TimerChanged(on);
    }
}

// ---- one run --------------------------------------------------------------------------------

bool TAutoTasks::ReadTask(const std::string& name)
{
    TBackupTask loaded;
    ResetTaskOptions(loaded, taskEnv);
    if (!ReadTaskFile(loaded, name, true, false, taskEnv)) {
        return false;
    }
    task = std::move(loaded);
    return true;
}

void TAutoTasks::AddOutcome(TRunOutcome outcome)
{
    if (Outcome) {
        Outcome->Add(outcome);
    }
}

void TAutoTasks::RefuseTaskFile(const std::string& text, const std::string& dialogText, bool quiet)
{
    log.OpenLog(settings.Protocol, false, false);
    log.WriteLogHeader(" - " + TrDefault("Data backup"));
    log.WriteLog(LogErrorPrefix + text);
    log.CloseLog();
    if (!quiet) {
        ErrorDialog("", dialogText);
    }
    AddOutcome(TRunOutcome::Failed);
}

bool TAutoTasks::RunAutoTask(int index, int endMode, int priority, const std::string& name,
                             const std::string& preCommand, const std::string& postCommand, int32_t preWait,
                             int32_t postWait)
{
    task.Sources.clear();
    const bool quiet = endMode == EndNotVisible;
    // After a stop signal the batch ends with the run it cancelled: the tasks after it
    // are not started at all.
    if (Platform::StopRequested()) {
        AddOutcome(TRunOutcome::Failed);
        return false;
    }
    if (!Platform::FileExists(name)) {
        RefuseTaskFile(FormatText(TrDefault("Task file not found: %s"), name), FileNotFoundText(name), quiet);
        return false;
    }
    if (!ReadTask(name)) {
        const std::string text = FormatText(TrDefault("Not a backup task file: %s"), name);
        RefuseTaskFile(text, text, quiet);
        return false;
    }
    ++busy;
    TAnimationScope animation(Host, quiet);
    bool ok = false;
    if (Host.HideMainWindow) {
        Host.HideMainWindow();
    }
    const bool mailed = task.SendMail && (!Host.MailUsable || Host.MailUsable());
    const int opened = log.OpenLog(settings.Protocol, true, mailed);
    if (opened != 0 && !quiet) {
        ShowLogOpenError(opened);
    }
    log.WriteLogHeader(" - " + TrDefault("Data backup"));
    const TCommandContext commands{task.Destination, settings.JobDir, &log};
    const TCommandOutcome pre = ExecuteCommand(preCommand, preWait, endMode, commands);
    if (pre != TCommandOutcome::NotFound) {
        ok = Host.RunBackup && Host.RunBackup(index, name, endMode, priority);
        TRunOutcome outcome = Host.RunOutcome ? Host.RunOutcome(ok) : RunOutcomeOf(ok, 0, 0);
        if (ok) {
            UpdateTaskStatistics(task, name, taskEnv);
        }
        const TCommandOutcome post = ExecuteCommand(postCommand, postWait, endMode, commands);
        // The slot's commands do not stop the run; a failed one leaves a warning.
        if (pre == TCommandOutcome::Failed || post == TCommandOutcome::Failed) {
            outcome = std::max(outcome, TRunOutcome::Warnings);
        }
        AddOutcome(outcome);
    } else {
        AddOutcome(TRunOutcome::Failed);
    }
    log.CloseLog();
    --busy;
    return ok;
}

bool TAutoTasks::RunSlot(int slot, int endMode)
{
    const TAutoTask t = settings.AutoTasks[static_cast<size_t>(slot)];
    return RunAutoTask(slot + 1, endMode, t.Priority, t.Name, t.PreCommand, t.PostCommand, t.PreWait, t.PostWait);
}

// ---- the run reasons ------------------------------------------------------------------------

bool TAutoTasks::RunAutoTasks(const std::string& list, int reason, int speed, bool quiet)
{
    const TRequest request{list, reason, speed, quiet};
    if (busy > 0) {
        deferred.push_back(request);
        return false;
    }
    ++busy;
    const bool result = RunRequest(request);
    --busy;
    RunDeferred();
    return result;
}

void TAutoTasks::RunDeferred()
{
    while (busy == 0 && !deferred.empty()) {
        const TRequest next = deferred.front();
        deferred.pop_front();
        ++busy;
        RunRequest(next);
        --busy;
    }
}

bool TAutoTasks::RunRequest(const TRequest& request)
{
    SetCurrentTask(request.List);
    NetUserName = GetNetUserName();
    switch (request.Reason) {
    case ReasonEditor:
        if (Host.ShowEditorModal) {
            Host.ShowEditorModal();
        }
        return true;
    case ReasonHandOver:
        return HandOver();
    case ReasonRunNow:
        return RunNow(request);
    case ReasonEndOfSession:
        return RunAtEndOfSession();
    default:
        return RunAtLogon();
    }
}

void TAutoTasks::SetCurrentTask(const std::string& list)
{
    if (list.empty() || list.front() == '#') {
        CurrentTask.clear();
        return;
    }
    std::string items = list;
    CurrentTask = ExpandTaskName(ReadNextItem(items, ','));
}

bool TAutoTasks::HandOver()
{
    if (!CurrentTask.empty() && Platform::FileExists(CurrentTask)) {
        const bool mayReplace = !task.Modified || !Host.AskSaveChangedTask || Host.AskSaveChangedTask();
        if (mayReplace && Host.OpenTask) {
            Host.OpenTask(CurrentTask);
        }
    }
    CurrentTask.clear();
    return true;
}

bool TAutoTasks::RunNow(const TRequest& request)
{
    SetTimer(false);
    if (request.List.empty()) {
        return false;
    }
    if (request.List.front() != '#') {
        RunTaskList(request.List, request.Speed, request.Quiet);
    } else if (request.List.size() == 1) {
        for (int slot = 0; slot < AutoTaskSlots; ++slot) {
            RunSlotNow(slot, request.Quiet);
        }
    } else if (request.List[1] >= '1' && request.List[1] <= '8') {
        RunSlotNow(request.List[1] - '1', request.Quiet);
    }
    // A run by hand must not stop the slots that wait for their time.
    UpdateAutoFlags();
    SetTimer(settings.AutoFlags.StayInTray);
    return true;
}

void TAutoTasks::RunSlotNow(int slot, bool quiet)
{
    const TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
    if (t.Free() || Platform::StopRequested()) {
        return; // a slot that did not run keeps its run dates
    }
    const int c = RotationCounter(slot, Date());
    if (c > RotationStoreFirst) {
        StoreCycle(slot, c);
    }
    const int endMode = quiet ? int{EndNotVisible} : int{t.AutoEnd};
    const bool ok = RunSlot(slot, endMode);
    if (ok && c > 0) {
        StoreCycle(slot, c);
    }
    WriteRunDates(slot);
}

void TAutoTasks::RunTaskList(const std::string& list, int speed, bool quiet)
{
    std::string items = list;
    while (!items.empty()) {
        const std::string name = ExpandTaskName(ReadNextItem(items, ','));
        RunAutoTask(0, quiet ? EndNotVisible : EndCloseAfterDelay, speed, name, "", "", 0, 0);
    }
}

bool TAutoTasks::RunAtEndOfSession()
{
    SetTimer(false);
    for (int slot = 0; slot < AutoTaskSlots; ++slot) {
        const TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
        if (!t.Free() && t.Mode == AutoOnLogoff) {
            NormalRun(slot, false);
        }
    }
    return true;
}

bool TAutoTasks::NormalRun(int slot, bool writeDatesAlways, const std::function<void()>& beforeDates)
{
    const int c = RotationCounter(slot, Date());
    if (c < 0) {
        return false;
    }
    if (c > RotationStoreFirst) {
        StoreCycle(slot, c);
    }
    const bool ok = RunSlot(slot, settings.AutoTasks[static_cast<size_t>(slot)].AutoEnd);
    if (ok) {
        StoreCycle(slot, c);
        if (beforeDates) {
            beforeDates();
        }
    }
    if (ok || writeDatesAlways) {
        WriteRunDates(slot);
    }
    return true;
}

void TAutoTasks::CatchUp(int slot, bool keepLastRun)
{
    TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
    const int32_t savedCycle = t.ActCycle;
    const TDateTime savedLastRun = t.LastRun;
    t.ActCycle = 1;
    if (RunSlot(slot, t.AutoEnd)) {
        WriteRunDates(slot);
    }
    t.ActCycle = savedCycle;
    if (!keepLastRun) {
        t.LastRun = savedLastRun;
    }
}

bool TAutoTasks::RunAtLogon()
{
    if (Host.UpdateTaskMenu) {
        Host.UpdateTaskMenu();
    }
    bool nothingPending = true;
    for (int slot = 0; slot < AutoTaskSlots; ++slot) {
        const TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
        if (t.Free()) {
            continue;
        }
        if (t.Mode == AutoDailyAt) {
            RunDailyAt(slot);
            nothingPending = false;
        } else if (t.Mode == AutoOnLogoff) {
            nothingPending = false;
        } else {
            RunAtLogonSlot(slot);
        }
    }
    UpdateAutoFlags();
    if (settings.AutoFlags.StayInTray) {
        SetTimer(true);
    }
    return nothingPending;
}

void TAutoTasks::RunAtLogonSlot(int slot)
{
    TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
    const TDateTime today = Date();
    const bool due = t.Mode == AutoEveryLogon || (t.Mode == AutoDailyLogon && today > DayOf(t.LastRun)) ||
                     (t.Mode == AutoWeeklyLogon && WeekNumber(today) > WeekNumber(t.LastRun));
    if (!due) {
        return;
    }
    if (t.SchedMode != 0 && t.ActCycle <= t.LastCycle && t.ActCycle != 1) {
        CatchUp(slot, true);
    }
    if (t.Mode == AutoWeeklyLogon) {
        NormalRun(slot, false, [&t] { t.NextBackup = StartOfWeek(Now() + 7); });
    } else {
        NormalRun(slot, false);
    }
}

void TAutoTasks::RunDailyAt(int slot)
{
    TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
    const TDateTime now = Now();
    const TDateTime today = DayOf(now);
    if (!(today > DayOf(t.LastRun) && TimeOfDay(now) > TimeOfDay(t.NextBackup))) {
        return;
    }
    t.NextBackup = today + TimeOfDay(t.NextBackup);
    const int c = RotationCounter(slot, today);
    if (c > RotationStoreFirst) {
        StoreCycle(slot, c);
    }
    t.NextBackup += 1;
    if (c >= 0 && RunSlot(slot, t.AutoEnd)) {
        StoreCycle(slot, c);
        WriteRunDates(slot);
    }
}

// ---- the timer -----------------------------------------------------------------------------

void TAutoTasks::TimerTimer()
{
    if (!settings.AutoFlags.StayInTray || busy > 0) {
        return;
    }
    ++busy;
    SetTimer(false);
    bool ran = false;
    const TDateTime now = Now();
    for (int slot = 0; slot < AutoTaskSlots; ++slot) {
        const TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
        if (!t.Free() && t.Mode == AutoDailyAt && t.NextBackup <= now) {
            ran = RunTimedSlot(slot, now) || ran;
        }
    }
    if (ran && Host.ReloadCurrentTask) {
        Host.ReloadCurrentTask();
    }
    SetTimer(true);
    --busy;
    RunDeferred();
}

bool TAutoTasks::RunTimedSlot(int slot, TDateTime now)
{
    TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
    const TDateTime today = DayOf(now);
    if (TimeOfDay(now) <= TimeOfDay(t.NextBackup)) {
        t.NextBackup = today + TimeOfDay(t.NextBackup);
        return false;
    }
    t.NextBackup = today + 1 + TimeOfDay(t.NextBackup);
    bool ran = false;
    if (t.SchedMode != 0 && t.ActCycle < t.LastCycle && t.ActCycle != 1) {
        CatchUp(slot, false);
        ran = true;
    }
    return NormalRun(slot, true) || ran;
}
