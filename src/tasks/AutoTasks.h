#pragma once

// Automatic tasks: which of the eight slots are due, their runs one after another, the
// rotation counter that picks each run's destination subfolder, the run dates written
// back into the settings file, and the ten-second check of the slots due at a set time.
//
// TAutoTasks works on the task editor's state (the settings with the slots, the loaded
// task, the backup log) and reaches the backup run, the editor and the main window only
// through TAutoTaskHost, so tests drive it with a recording run and the clock of
// foundation/DateUtils.h. Only one run happens at a time: a request that arrives while a
// run is in progress (a hand-over, the editor, "run now", the timer) waits for its end.
//
// The backup run itself (Host.RunBackup) reads the slot's ActCycle for the rotation
// subfolder and, after a successful run of a slot, sets LastCycle := ActCycle (when
// StepMode > 0) and LastRun := the run's start time.

#include "engine/CopyThread.h"
#include "foundation/DateUtils.h"
#include "tasks/BatchOutcome.h"
#include "tasks/Settings.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class TBackupLog;
class TBackupRun;

// Why RunAutoTasks is called.
enum : int
{
    ReasonAutoStart = 0,    // logon ("/auto"), after the start delay
    ReasonRunNow = 1,       // "force", the tray's run items, the start note
    ReasonEndOfSession = 2, // logoff or shutdown
    ReasonEditor = 3,       // the editor is opened for interactive work
    ReasonHandOver = 4,     // a second instance hands over a task: load it, do not run it
};

// Rotation values of RotationCounter: RotationSkip, 0 (no rotation) or the cycle, with
// RotationStoreFirst set when the cycle is stored before the run.
inline constexpr int RotationSkip = -1;
inline constexpr int RotationStoreFirst = 0x1000;
inline constexpr int RotationCycleMask = 0xFFF;

// Weeks run Monday to Sunday: (trunc(d) - 2) div 7.
int WeekNumber(TDateTime date);
// Monday 00:00 of the week that holds date.
TDateTime StartOfWeek(TDateTime date);
// A time of day as the slot page takes it ("hh:nn", blanks around it allowed).
bool ParseStartTime(const std::string& text, TDateTime& time);
// Next due time of a slot set on the slot page: next week's start for AutoWeeklyLogon,
// else today at the start time ("hh:nn"), a day later when that has passed; a start time
// that does not parse gives tomorrow 12:00.
TDateTime NextBackupFor(int mode, const std::string& startTime, TDateTime now);

// What the runs need from the editor, the main window and the backup run. Unset
// functions do nothing (RunBackup unset: the run fails).
struct TAutoTaskHost
{
    // The backup run of the task loaded into TAutoTasks::Task (index 1..8 a slot, 0 a
    // plain task file); it makes the zip name and runs the task's own commands. True on success.
    std::function<bool(int index, const std::string& taskFile, int endMode, int priority)> RunBackup;
    // The outcome of the backup run that just returned ok; unset: ok or failed.
    std::function<TRunOutcome(bool ok)> RunOutcome;
    // Tray icon animation of quiet runs (letter shown: 'B').
    std::function<void(char letter)> StartAnimation;
    std::function<void()> StopAnimation;
    // The tray menu lists the slots: rebuild it.
    std::function<void()> UpdateTaskMenu;
    std::function<void()> HideMainWindow;
    // The editor's ten-second timer was switched on or off.
    std::function<void(bool on)> TimerChanged;
    // Shows the editor modally for interactive work.
    std::function<void()> ShowEditorModal;
    // Asks whether unsaved changes of the task may go (saving them when the user wants).
    std::function<bool()> AskSaveChangedTask;
    // Loads a task file into the editor (caption, history, scan as the settings say).
    std::function<void(const std::string& taskFile)> OpenTask;
    // After timed runs: the editor's own task is loaded again and shown.
    std::function<void()> ReloadCurrentTask;
    // The report mail can be sent: the run's log then also keeps a log of its own.
    std::function<bool()> MailUsable;
};

class TAutoTasks
{
public:
    TAutoTasks(TProgramSettings& settings, TBackupTask& task, TBackupLog& log, const TTaskFileEnv& taskEnv);

    TAutoTaskHost Host;
    // The editor's current-task text: the first task of the last list.
    std::string CurrentTask;
    // The network user, read by every RunAutoTasks (the run shows it).
    std::string NetUserName;
    // Every run, refused task file and missing file adds its outcome here when set.
    TBatchOutcome* Outcome = nullptr;

    // Runs what the reason asks for. True when nothing is pending (the caller may end),
    // false while slots due at a set time or at logoff remain, or the request had to wait.
    // list: "#" all used slots, "#n" slot n, else comma-separated task files.
    bool RunAutoTasks(const std::string& list, int reason, int speed, bool quiet);

    // One run: reads the task file into Task, opens the log, runs the pre-command, the
    // backup and the post-command. index 1..8 a slot, 0 a plain task file. True on success.
    bool RunAutoTask(int index, int endMode, int priority, const std::string& name, const std::string& preCommand,
                     const std::string& postCommand, int32_t preWait, int32_t postWait);

    // Rotation value of a slot (0-based) for a run on day date; may move the slot's
    // WeekOffset (daily rotation in weeks) or ActCycle (weekly rotation).
    int RotationCounter(int slot, TDateTime date);
    // value > 0 and StepMode > 0: ActCycle := value & RotationCycleMask.
    void StoreCycle(int slot, int value);
    // The slot's run data into its section of the settings file, dated now.
    void WriteRunDates(int slot);

    // Path placeholders expanded, completed from the task folder and ".buj".
    std::string ExpandTaskName(const std::string& name) const;
    // One entry per used slot, for "Show all scheduled backups".
    std::string AutoTaskInfoText() const;

    // Recomputes the flags of the settings from the used slots.
    void UpdateAutoFlags();

    // The editor's timer: every 10 s while on.
    void TimerTimer();
    bool TimerEnabled() const { return timerOn; }
    void SetTimer(bool on);

    bool Running() const { return busy > 0; }
    // The task the runs load (the editor's).
    const TBackupTask& Task() const { return task; }

private:
    struct TRequest
    {
        std::string List;
        int Reason = 0;
        int Speed = 3;
        bool Quiet = false;
    };

    bool RunRequest(const TRequest& request);
    void RunDeferred();
    void SetCurrentTask(const std::string& list);
    bool HandOver();
    bool RunNow(const TRequest& request);
    void RunSlotNow(int slot, bool quiet);
    void RunTaskList(const std::string& list, int speed, bool quiet);
    bool RunAtEndOfSession();
    bool RunAtLogon();
    void RunDailyAt(int slot);
    void RunAtLogonSlot(int slot);
    void CatchUp(int slot, bool keepLastRun);
    // The slot's run with its rotation; false when the rotation skips it.
    bool NormalRun(int slot, bool writeDatesAlways, const std::function<void()>& beforeDates = {});
    bool RunSlot(int slot, int endMode);
    bool RunTimedSlot(int slot, TDateTime now);
    bool ReadTask(const std::string& name);
    void AddOutcome(TRunOutcome outcome);
    // Logs and reports a task file that cannot be run; the run counts as failed.
    void RefuseTaskFile(const std::string& text, const std::string& dialogText, bool quiet);

    TProgramSettings& settings;
    TBackupTask& task;
    TBackupLog& log;
    const TTaskFileEnv& taskEnv;
    bool timerOn = false;
    int busy = 0;
    std::deque<TRequest> deferred;
};

// Automatic runs go through the program's backup run, which shares their task, settings
// and log: sets Host.RunBackup and Host.MailUsable. The run takes the slot's priority,
// the zip name made from the task and the network user.
void ConnectBackupRun(TAutoTasks& tasks, TBackupRun& run);

// A slot's priority (1 very low, 2 low, 3 normal, 4 high) as the workers' thread priority.
TThreadPriority ThreadPriorityOf(int priority);
