#include "shell/BuMain.h"

#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/SessionEnd.h"
#include "foundation/ShellLink.h"
#include "foundation/Translate.h"
#include "foundation/WinServices.h"
#include "platform/FileSystem.h"
#include "platform/ProgramData.h"
#include "tasks/Placeholders.h"

#include <cstdio>

namespace {

constexpr int AnimationIntervalMs = 200;
constexpr int AutoFirstIntervalMs = 3000;
constexpr int HiddenFirstIntervalMs = 500;
constexpr int SplashFirstIntervalMs = 1000;
constexpr int IdleIntervalMs = 5000;
constexpr unsigned PlannedShutdownReason = 0x80000000u;
constexpr uint32_t LogFromCommandLine = 0x80;

// Counts a run for as long as it lasts.
class TRunScope
{
public:
    explicit TRunScope(int& depth) : runs(depth) { ++runs; }
    ~TRunScope() { --runs; }
    TRunScope(const TRunScope&) = delete;
    TRunScope& operator=(const TRunScope&) = delete;

private:
    int& runs;
};

} // namespace

unsigned EndActionFlags(int action)
{
    switch (action) {
    case EndActionPowerOff:
        return EWX_POWEROFF;
    case EndActionShutdown:
        return EWX_SHUTDOWN;
    case EndActionRestart:
        return EWX_REBOOT;
    default:
        return EWX_LOGOFF;
    }
}

bool IsBatchStart(const TStartSwitches& switches)
{
    const TStartMode mode = switches.Mode;
    return mode == TStartMode::Clean || mode == TStartMode::Restore || mode == TStartMode::Force ||
           mode == TStartMode::Auto || switches.EndAction != EndActionNone;
}

std::string DisplayNeededText(const TStartSwitches& switches)
{
    if (switches.Mode == TStartMode::Protocol) {
        return TrDefault("The log viewer needs a display.");
    }
    return IsBatchStart(switches) ? std::string() : TrDefault("The task editor needs a display.");
}

TBuMain::TBuMain(ITaskEditor& taskEditor, IMainWindowView& mainView) : editor(taskEditor), view(mainView)
{}

void TBuMain::ParseCommandLine(const std::vector<std::string>& params)
{
    Switches = {};
    ::ParseCommandLine(params, Switches);
    const TStartMode mode = Switches.Mode;
    if (!Switches.TaskList.empty() && mode != TStartMode::Clean && mode != TStartMode::Restore &&
        mode != TStartMode::Force) {
        Switches.Hide = true;
    }
    if (Switches.EndAction != EndActionNone) {
        EndActionPending = true;
        EndAction = Switches.EndAction;
    }
    Quiet = Switches.Quiet;
}

void TBuMain::StartUp()
{
    editor.ReadSettings(Info.SettingsFile);
    if (!Switches.TaskDir.empty()) {
        editor.SetTaskDir(ExpandPlaceholders(true, Switches.TaskDir));
    }
    editor.SetAccount(Switches.AccountName, Switches.AccountPassword);
    if (Switches.Narrow) {
        editor.SetNarrow();
    }
    if (!Switches.Hide) {
        Switches.Hide = editor.NoSplash();
    }
    if (Switches.Wait >= 0) {
        editor.SetCloseDelay(Switches.Wait);
    }
    if (Switches.Log >= 0) {
        editor.SetLogSetting(static_cast<uint32_t>(Switches.Log) | LogFromCommandLine);
    }
    if (editor.StartDelay() >= 0) {
        AutoStartDelay = editor.StartDelay();
    }
    view.ShowMainWindow(!Switches.Hide);
    Interval = Switches.Mode == TStartMode::Auto ? AutoFirstIntervalMs
               : Switches.Hide                   ? HiddenFirstIntervalMs
                                                 : SplashFirstIntervalMs;
    TimerOn = true;
    beforeFirstRun = true;
    view.SetTimer(true, Interval);
}

bool TBuMain::EndBatchBeforeItBegins()
{
    if (stoppedBeforeItBegan) {
        return true;
    }
    if (!beforeFirstRun || !(IsBatchStart(Switches) || EndActionPending)) {
        return false;
    }
    beforeFirstRun = false;
    stoppedBeforeItBegan = true;
    BatchStart = true;
    TimerOn = false;
    view.SetTimer(false, IdleIntervalMs);
    std::fprintf(stderr, "%s\n", TrDefault("The run was stopped before it began.").c_str());
    Close();
    return true;
}

void TBuMain::TimerTimer()
{
    if (Interval == AnimationIntervalMs) {
        Frame = (Frame + 1) % 6;
        view.SetTrayIcon(AnimationIcon());
        return;
    }
    // A start delay of 3 s must not look like the first tick again.
    if (Switches.Mode == TStartMode::Auto && Interval == AutoFirstIntervalMs && !autoDelayArmed) {
        autoDelayArmed = true;
        Interval = AutoStartDelay * 1000;
        view.ShowMainWindow(false);
        view.SetTimer(true, Interval);
        return;
    }
    Interval = IdleIntervalMs;
    TimerOn = false;
    view.SetTimer(false, Interval);
    beforeFirstRun = false;
    BatchStart = IsBatchStart(Switches) || EndActionPending;
    switch (Switches.Mode) {
    case TStartMode::Protocol:
        editor.ShowLogFile();
        Close();
        return;
    case TStartMode::Clean:
        RunBatch('C', [this] { editor.RunCleanUpTask(Switches.TaskList, Quiet); });
        Close();
        return;
    case TStartMode::Restore:
        RunBatch('R', [this] { editor.RunRestoreTask(Switches.TaskList, Quiet); });
        Close();
        return;
    default:
        break;
    }
    if (Switches.Mode == TStartMode::Force || EndActionPending) {
        RunTaskList(true);
        Close();
    } else if (Switches.Mode == TStartMode::Auto) {
        InTray = true;
        bool done = false;
        {
            TRunScope scope(runDepth);
            done = editor.RunAutoTasks(Switches.TaskList, ReasonAutoStart, Switches.Speed, false);
        }
        if (done) {
            Close();
        } else if (NoDisplay) {
            // Nobody could reach or end a program waiting in a tray nobody sees.
            MessageDialog(ProductName, TrDefault("Without a display Tessaro does not wait for the tasks due later."),
                          TMsgDlgType::Warning, MbOk);
            Close();
        } else {
            ShowTrayIcon({}, ProductName);
            TrayWait = true;
        }
        RunDeferredRequests();
    } else {
        InteractiveStart();
    }
}

void TBuMain::RunBatch(char letter, const std::function<void()>& run)
{
    Frame = 1;
    AnimationLetter = letter;
    Interval = AnimationIntervalMs;
    TimerOn = true;
    view.SetTimer(true, Interval);
    ShowTrayIcon(AnimationIcon(), ProductName);
    // The splash says the batch starts: once it runs, its progress window speaks (a backup
    // run hides the splash itself, restore and clean-up do not).
    HideSplash();
    {
        TRunScope scope(runDepth);
        run();
    }
    Interval = IdleIntervalMs;
    TimerOn = false;
    view.SetTimer(false, Interval);
}

void TBuMain::RunTaskList(bool allByDefault)
{
    std::string list = Switches.TaskList;
    if (list.empty() && allByDefault) {
        list = "#";
    }
    RunBatch('B', [&] { editor.RunAutoTasks(list, ReasonRunNow, Switches.Speed, Quiet); });
}

void TBuMain::InteractiveStart()
{
    view.ShowMainWindow(false);
    int answer = StartNoteEdit;
    if (StartFlags & StartFlagRunHere) {
        answer = StartNoteStart;
    } else if (!Switches.TaskList.empty()) {
        answer = editor.ShowStartDialog(Info.WindowTitle, editor.ExpandTaskName(Switches.TaskList));
    }
    if (answer == StartNoteEdit) {
        InTray = false;
        editor.RunAutoTasks(Switches.TaskList, ReasonEditor, Switches.Speed, false);
        EndInteractive();
    } else if (answer == StartNoteStart) {
        RunTaskList(false);
        Close();
    } else {
        Close();
    }
}

void TBuMain::StartAnimation(char letter)
{
    Interval = AnimationIntervalMs;
    TimerOn = true;
    view.SetTimer(true, Interval);
    Frame = 1;
    AnimationLetter = letter;
    Quiet = true;
    view.SetTrayIcon(AnimationIcon());
}

void TBuMain::StopAnimation()
{
    TimerOn = false;
    Interval = IdleIntervalMs;
    view.SetTimer(false, Interval);
    Quiet = false;
    view.SetTrayIcon({});
}

std::string TBuMain::AnimationIcon() const
{
    return std::string(1, AnimationLetter) + "M" + std::to_string(Frame);
}

std::string TBuMain::StartupShortcut() const
{
    const std::string startup = GetSpecialFolder(CSIDL_STARTUP);
    return startup.empty() ? std::string() : AddPathDelimiter(startup) + Info.BaseName + ".lnk";
}

void TBuMain::EndInteractive()
{
    const TAutoFlags flags = editor.AutoFlags();
    const std::string link = StartupShortcut();
    if (!Switches.Disable && !link.empty()) {
        const std::string file = ShellLinkFileName(link);
        if (Platform::FileExists(file)) {
            Platform::DeleteFile(file);
        }
        if (flags.AutoStartNeeded) {
            // The running program file: the installed one, or the build's when run from there.
            CreateShellLink(link, Info.ProgramFile, "-auto", Info.ProfileDir, Info.WindowTitle,
                            {ProductName, Platform::ProgramIconName()});
        }
    }
    if (flags.StayInTray) {
        InTray = true;
        editor.StartSchedulerTimer();
        Switches.Mode = TStartMode::Auto;
        ShowTrayIcon({}, Info.WindowTitle);
        TrayWait = true;
    } else {
        Close();
    }
}

void TBuMain::ShowTrayIcon(const std::string& icon, const std::string& tip)
{
    TrayIconShown = true;
    TrayIconForMinimize = false;
    if (view.TrayAvailable()) {
        view.AddTrayIcon(icon, tip);
        return;
    }
    // Without a tray a waiting program would have nothing on screen to reach or quit it.
    MenuWindow = true;
    view.ShowMenuWindow(icon, tip);
}

void TBuMain::MinimizeToTray()
{
    InTray = true;
    MinimizedRun = true;
    const bool iconBefore = TrayIconShown;
    ShowTrayIcon({}, ProductName);
    TrayIconForMinimize = !iconBefore;
}

void TBuMain::RestoreFromTray()
{
    InTray = false;
    MinimizedRun = false;
    if (TrayIconForMinimize && !TrayWait) {
        TrayIconForMinimize = false;
        TrayIconShown = false;
        view.RemoveTrayIcon();
    }
}

void TBuMain::HideSplash()
{
    if (!MenuWindow) {
        view.ShowMainWindow(false);
    }
}

bool TBuMain::TrayMenuAllowed() const
{
    return !Quiet && !Busy && !EndActionPending && !MinimizedRun && !editor.Visible();
}

void TBuMain::TrayMessage(int mouseMessage)
{
    if (mouseMessage != TrayLeftButtonDown && mouseMessage != TrayRightButtonDown) {
        return;
    }
    if (Quiet) {
        view.ToggleProgressWindow();
    } else if (MinimizedRun) {
        // The run goes on (or waits, paused) in the windows the Minimise took away.
        RestoreFromTray();
        view.RestoreRunWindows();
    } else if (Busy || EndActionPending) {
        view.BringProgressToFront();
    } else if (mouseMessage == TrayLeftButtonDown) {
        BackupHintClick();
    } else if (!editor.Visible()) {
        view.PopupTrayMenu();
    }
}

void TBuMain::BackupHintClick()
{
    // Not modal: a scheduled run that starts while the note is open must not wait for it.
    InfoNote({}, Info.WindowTitle + "\r\r" + editor.AutoTaskInfoText());
    view.BringApplicationToFront();
}

std::vector<TTaskMenuItem> TBuMain::TaskMenuItems() const
{
    std::vector<TTaskMenuItem> items;
    const TAutoTaskSlots& slots = editor.AutoTasks();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].Free() || slots[i].DisplayName.empty()) {
            continue;
        }
        if (items.empty()) {
            items.push_back({"itmAll", TrDefault("&all"), "#"});
        }
        char caption[32];
        std::snprintf(caption, sizeof caption, "&%x ", static_cast<unsigned>(i + 1));
        const std::string number = std::to_string(i + 1);
        items.push_back({"itmAuto" + number, caption + slots[i].DisplayName, "#" + number});
    }
    return items;
}

void TBuMain::TessaroClick()
{
    if (editor.Visible()) {
        return;
    }
    InTray = false;
    TrayWait = false;
    editor.ShowModal();
    EndInteractive();
}

void TBuMain::RunFromTray(const std::function<void()>& run, const std::function<void()>& after)
{
    Busy = true;
    {
        TRunScope scope(runDepth);
        run();
    }
    if (after) {
        after();
    }
    Busy = false;
    RunDeferredRequests();
}

void TBuMain::SofortStartenClick(const std::string& selector)
{
    RunFromTray([&] { editor.RunAutoTasks(selector, ReasonRunNow, Switches.Speed, false); },
                [this] { editor.LoadCurrentTask(); });
}

void TBuMain::RestoreClick()
{
    RunFromTray([this] { editor.RestoreClick(); });
}

void TBuMain::CleanupClick()
{
    RunFromTray([this] { editor.DeleteFilesClick(); });
}

void TBuMain::ProtokollClick()
{
    editor.ShowLogFile();
}

void TBuMain::VersionClick()
{
    ShowVersionInfo();
}

void TBuMain::StopSofortClick()
{
    Close();
}

void TBuMain::ShutdownClick(int action)
{
    EndActionPending = true;
    EndAction = action;
    Close();
}

void TBuMain::BackupShutdownClick(int action)
{
    EndActionPending = true;
    EndAction = action;
    // We end the session ourselves, so we ask ourselves first, as the session would.
    if (QueryEndSession(false)) {
        if (ExitWindows()) {
            EndActionPending = false;
            Close();
        }
    }
}

std::string TBuMain::VersionInfoText() const
{
    return Info.ProductText + " (Vers. " + Info.Version.FileVersion + ") - " + Info.ProgramDate;
}

void TBuMain::ShowVersionInfo()
{
    MessageDialog(Info.WindowTitle, VersionInfoText(), TMsgDlgType::Information, MbOk);
}

bool TBuMain::RunInProgress() const
{
    return runDepth > 0 || EndOfSessionRunning;
}

void TBuMain::HandleRequest(const TInstanceRequest& request)
{
    if (RunInProgress()) {
        deferred.push_back(request);
        return;
    }
    switch (request.Kind) {
    case TInstanceRequestKind::HandOver:
        CopyDataReceived(request.TaskName);
        break;
    case TInstanceRequestKind::Activate:
        // The menu window stands for the tray icon: a second start opens the editor as there.
        if (view.MainWindowVisible() && !MenuWindow) {
            view.RaiseMainWindow();
        } else {
            ActivateMessage({});
        }
        break;
    case TInstanceRequestKind::Close:
        Close();
        break;
    }
}

void TBuMain::RunDeferredRequests()
{
    while (!deferred.empty() && !RunInProgress() && !Closing) {
        const TInstanceRequest request = deferred.front();
        deferred.erase(deferred.begin());
        HandleRequest(request);
    }
}

void TBuMain::CopyDataReceived(const std::string& taskName)
{
    editor.RunAutoTasks(taskName, ReasonHandOver, Switches.Speed, false);
}

void TBuMain::ActivateMessage(const std::string& text)
{
    InTray = false;
    if (!editor.Visible()) {
        editor.RunAutoTasks(text, ReasonEditor, Switches.Speed, false);
        EndInteractive();
    }
}

bool TBuMain::QueryEndSession(bool logoff)
{
    if (EndOfSessionRunning || EndOfSessionPending) {
        return false;
    }
    if (!editor.AutoFlags().EndOfSessionRun || EndOfSessionDone) {
        return true;
    }
    EndOfSessionPending = true;
    // An action chosen on the command line or in the tray menu stays.
    if (!EndActionPending || EndAction == EndActionNone) {
        EndAction = logoff ? EndActionLogoff : editor.ConfiguredEndAction();
    }
    EndActionPending = true;
    return false;
}

bool TBuMain::ShutdownStarted()
{
    if (EndOfSessionPending || EndOfSessionRunning) {
        return false;
    }
    const bool actionChosen = EndActionPending;
    if (QueryEndSession(false)) {
        return false;
    }
    if (!actionChosen) {
        EndActionPending = false;
    }
    return true;
}

void TBuMain::AppIdle()
{
    if (!EndOfSessionPending) {
        return;
    }
    EndOfSessionPending = false;
    EndOfSessionRunning = true;
    editor.WriteSettings();
    EndInteractive();
    editor.RunAutoTasks(Switches.TaskList, ReasonEndOfSession, Switches.Speed, Quiet);
    EndOfSessionRunning = false;
    EndOfSessionDone = true;
    Close();
}

void TBuMain::Destroy()
{
    if (EndActionPending) {
        EndActionPending = false;
        ExitWindows();
    }
}

bool TBuMain::ExitWindows()
{
    const bool ended = SessionControl().EndSession(EndActionFlags(EndAction) | EWX_FORCEIFHUNG, PlannedShutdownReason);
    if (!ended) {
        MessageDialog(Info.WindowTitle, TrDefault("No shutdown or logoff possible!"), TMsgDlgType::Error, MbOk);
    }
    return ended;
}

void TBuMain::Close()
{
    if (Closing) {
        return;
    }
    Closing = true;
    view.CloseProgram();
}
