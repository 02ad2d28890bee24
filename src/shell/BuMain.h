#pragma once

// What the main tray window does, without its widgets: the start sequence driven by
// its timer, the tray icon's clicks and menu, the end of the interactive start, the
// requests of second starts and the end of the session. The window (ui/shell) shows
// what this decides; the task editor is reached through ITaskEditor.

#include "shell/CommandLine.h"
#include "shell/InstanceGuard.h"
#include "shell/StartUp.h"
#include "tasks/AutoTasks.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Answers of the start note.
inline constexpr int StartNoteStart = 1;
inline constexpr int StartNoteCancel = 2;
inline constexpr int StartNoteEdit = 6;

// The task editor as the main window uses it.
class ITaskEditor
{
public:
    virtual ~ITaskEditor() = default;
    virtual void ReadSettings(const std::string& settingsFile) = 0;
    virtual void WriteSettings() = 0;
    // Applies the start switches that override the settings.
    virtual void SetTaskDir(const std::string& dir) = 0;
    virtual void SetAccount(const std::string& user, const std::string& password) = 0;
    virtual void SetNarrow() = 0;
    virtual bool NoSplash() const = 0;
    virtual void SetCloseDelay(int seconds) = 0;
    virtual void SetLogSetting(uint32_t setting) = 0;
    // Start delay of automatic runs in seconds (the settings' "Startup").
    virtual int StartDelay() const = 0;

    // True when nothing is left pending.
    virtual bool RunAutoTasks(const std::string& list, int reason, int speed, bool quiet) = 0;
    virtual void RunRestoreTask(const std::string& list, bool quiet) = 0;
    virtual void RunCleanUpTask(const std::string& list, bool quiet) = 0;
    virtual void RestoreClick() = 0;
    virtual void DeleteFilesClick() = 0;
    virtual void ShowLogFile() = 0;
    virtual void LoadCurrentTask() = 0;
    virtual std::string ExpandTaskName(const std::string& name) const = 0;
    virtual std::string AutoTaskInfoText() const = 0;
    virtual const TAutoTaskSlots& AutoTasks() const = 0;
    virtual TAutoFlags AutoFlags() const = 0;
    virtual int ConfiguredEndAction() const = 0; // settings key "Shutdown"
    virtual bool Visible() const = 0;
    virtual void ShowModal() = 0; // the editor for interactive work
    virtual void StartSchedulerTimer() = 0;
    // The start note; StartNoteEdit, StartNoteStart or StartNoteCancel.
    virtual int ShowStartDialog(const std::string& caption, const std::string& taskFile) = 0;
    // 0 every run of this start ended OK, 1 warnings only, 2 errors, cancelled or refused.
    virtual int BatchExitStatus() const { return 0; }
};

// The window's side: what is seen.
class IMainWindowView
{
public:
    virtual ~IMainWindowView() = default;
    virtual void ShowMainWindow(bool show) = 0;
    virtual bool MainWindowVisible() const = 0;
    virtual void RaiseMainWindow() = 0;
    // The timer: off, or on with an interval.
    virtual void SetTimer(bool on, int intervalMs) = 0;
    // icon: empty for the small icon, else "BM1" ...
    virtual void AddTrayIcon(const std::string& icon, const std::string& tip) = 0;
    // False on a desktop without a system tray (a stock GNOME desktop, a bare X server).
    virtual bool TrayAvailable() const = 0;
    // Stands in for the tray icon there: the main window, minimised, with the tray menu
    // in its menu bar; icon and tip as for the tray icon.
    virtual void ShowMenuWindow(const std::string& icon, const std::string& tip) = 0;
    virtual void SetTrayIcon(const std::string& icon) = 0;
    // The tray icon (or the menu window standing in for it) goes.
    virtual void RemoveTrayIcon() = 0;
    // The windows of a run that its Minimise took to the tray come back.
    virtual void RestoreRunWindows() = 0;
    virtual void PopupTrayMenu() = 0;
    virtual void ToggleProgressWindow() = 0;
    virtual void BringProgressToFront() = 0;
    virtual void BringApplicationToFront() = 0;
    // Ends the program's message loop (the window closes).
    virtual void CloseProgram() = 0;
    virtual void UpdateTaskMenu() = 0;
};

// One item of the start-backups submenu.
struct TTaskMenuItem
{
    std::string Name;     // "itmAll", "itmAuto1" ...
    std::string Caption;  // "&all", "&1 Daily" ...
    std::string Selector; // "#", "#1" ...
};

// Mouse messages of the tray icon.
inline constexpr int TrayLeftButtonDown = 513;
inline constexpr int TrayRightButtonDown = 516;

// Session-end flags of an end action.
unsigned EndActionFlags(int action);

// A start that runs tasks and ends ("force", "auto", "restore", "clean" or an end action):
// it tells its outcome by its exit status and its error output.
bool IsBatchStart(const TStartSwitches& switches);

// Why a start can do nothing without a display (the task editor, the start note, the log
// viewer); empty for one that can.
std::string DisplayNeededText(const TStartSwitches& switches);

class TBuMain
{
public:
    TBuMain(ITaskEditor& editor, IMainWindowView& view);

    // ---- start (FormCreate and StartUp)
    TProgramInfo Info;
    TStartSwitches Switches;
    uint8_t StartFlags = 0;
    int AutoStartDelay = 10; // seconds
    // No display was found: the program runs on an invisible one, and waits in no tray.
    bool NoDisplay = false;

    // Reads the command line into the switches and derives hide and end-action pending.
    void ParseCommandLine(const std::vector<std::string>& params);
    // Reads the settings, applies the switches, shows or hides the window, arms the timer.
    void StartUp();

    // ---- timer
    bool TimerOn = false;
    int Interval = 0;
    void TimerTimer();

    // A stop signal came. A batch start whose runs have not begun ends at once, cancelled
    // (status 2), and says so on the error output: nothing else would, and cron would mail
    // nothing. False for any other start: a run under way ends as its Cancel button does.
    bool EndBatchBeforeItBegins();

    // ---- run state
    char AnimationLetter = 'B';
    int Frame = 0;
    bool InTray = false;
    bool TrayWait = false;
    bool Busy = false;
    bool Quiet = false;
    bool EndOfSessionPending = false;
    bool EndOfSessionRunning = false;
    bool EndOfSessionDone = false;
    bool EndActionPending = false;
    int EndAction = EndActionNone;
    bool Closing = false;
    // The menu window stands in for the tray icon (no system tray).
    bool MenuWindow = false;
    // A run's Minimise took its windows to the tray; a click on the icon brings them back,
    // and the menu stays closed meanwhile, as during a run from the tray.
    bool MinimizedRun = false;
    // The tray icon (or the menu window) is shown; it was shown by a minimise only.
    bool TrayIconShown = false;
    bool TrayIconForMinimize = false;

    void StartAnimation(char letter);
    void StopAnimation();
    std::string AnimationIcon() const;

    // After interactive editing: the start-up shortcut, then the tray or the end.
    void EndInteractive();
    // The Startup-folder shortcut file (Windows text); empty when there is no Startup folder.
    std::string StartupShortcut() const;

    // ---- tray
    void TrayMessage(int mouseMessage);
    // The tray icon, or the menu window where the desktop has no tray.
    void ShowTrayIcon(const std::string& icon, const std::string& tip);
    // The progress window's Minimise: the program goes to the tray.
    void MinimizeToTray();
    // The editor is back after such a run: the program is out of the tray, and an icon that
    // only the minimise brought goes again (the icon shows while the program waits in the
    // tray or runs a batch, not beside the editor).
    void RestoreFromTray();
    // A run starts: the splash goes, the menu window standing in for the tray stays.
    void HideSplash();
    // False while a run, the task editor or a pending end action must not be disturbed
    // by the menu's items.
    bool TrayMenuAllowed() const;
    void BackupHintClick();
    std::vector<TTaskMenuItem> TaskMenuItems() const;
    void TessaroClick();
    void SofortStartenClick(const std::string& selector);
    void RestoreClick();
    void CleanupClick();
    void ProtokollClick();
    void VersionClick();
    void StopSofortClick();
    void ShutdownClick(int action);       // "and power off", "and restart"
    void BackupShutdownClick(int action); // "with backup and ..."
    std::string VersionInfoText() const;
    void ShowVersionInfo();

    // ---- second starts
    void HandleRequest(const TInstanceRequest& request);
    // Requests that came in during a run, taken up when it has ended.
    void RunDeferredRequests();
    void CopyDataReceived(const std::string& taskName);
    void ActivateMessage(const std::string& text);

    // ---- end of the session
    // True when the session may end now.
    bool QueryEndSession(bool logoff);
    // The system's shutdown has begun and waits for us: true when the tasks due at the end
    // of the session are to run (AppIdle). The system ends itself afterwards, so no end
    // action of our own follows unless one was chosen before.
    bool ShutdownStarted();
    // The idle handler: runs the end-of-session tasks after a refused query.
    void AppIdle();
    // The window is destroyed: the pending end action.
    void Destroy();
    // Ends the session with the end action; an error box when that is refused.
    bool ExitWindows();

    // The program's exit status: the batch outcome after "force", "auto", "restore",
    // "clean" or an end action; 0 after an interactive start.
    bool BatchStart = false;
    int ExitStatus() const { return !BatchStart ? 0 : stoppedBeforeItBegan ? 2 : editor.BatchExitStatus(); }

private:
    void Close();
    void RunBatch(char letter, const std::function<void()>& run);
    // A run started from the tray menu: busy while it runs, then the requests that waited.
    void RunFromTray(const std::function<void()>& run, const std::function<void()>& after = {});
    void RunTaskList(bool allByDefault);
    void InteractiveStart();
    bool RunInProgress() const;

    ITaskEditor& editor;
    IMainWindowView& view;
    std::vector<TInstanceRequest> deferred;
    int runDepth = 0;
    bool autoDelayArmed = false;
    // From StartUp to the tick that starts the batch (the automatic start's delay included).
    bool beforeFirstRun = false;
    bool stoppedBeforeItBegan = false;
};
