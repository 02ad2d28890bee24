#include "shell/BuMain.h"

#include "EnvGuard.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/SessionEnd.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The task editor: records what the main window asks of it.
class TFakeEditor : public ITaskEditor
{
public:
    std::vector<std::string> Calls;
    bool RunResult = true;
    TAutoFlags Flags;
    TAutoTaskSlots Slots;
    bool EditorVisible = false;
    bool Splashless = false;
    int StartNoteAnswer = StartNoteEdit;
    // Runs inside RunAutoTasks (and a batch restore or clean-up, reason -1), as the message
    // loop would run events meanwhile.
    std::function<void(int reason)> DuringRun;

    void ReadSettings(const std::string& file) override { Calls.push_back("read " + file); }
    void WriteSettings() override { Calls.push_back("write"); }
    void SetTaskDir(const std::string& dir) override { Calls.push_back("taskdir " + dir); }
    void SetAccount(const std::string& user, const std::string& password) override
    {
        if (!user.empty()) {
            Calls.push_back("account " + user + " " + password);
        }
    }
    void SetNarrow() override { Calls.push_back("narrow"); }
    bool NoSplash() const override { return Splashless; }
    void SetCloseDelay(int seconds) override { Calls.push_back("wait " + std::to_string(seconds)); }
    void SetLogSetting(uint32_t setting) override { Calls.push_back("log " + std::to_string(setting)); }
    int Delay = 10;
    int StartDelay() const override { return Delay; }
    bool RunAutoTasks(const std::string& list, int reason, int speed, bool quiet) override
    {
        Calls.push_back("run '" + list + "' " + std::to_string(reason) + " " + std::to_string(speed) +
                        (quiet ? " quiet" : ""));
        if (DuringRun) {
            DuringRun(reason);
        }
        return RunResult;
    }
    void RunRestoreTask(const std::string& list, bool) override
    {
        Calls.push_back("restore '" + list + "'");
        if (DuringRun) {
            DuringRun(-1);
        }
    }
    void RunCleanUpTask(const std::string& list, bool) override
    {
        Calls.push_back("clean '" + list + "'");
        if (DuringRun) {
            DuringRun(-1);
        }
    }
    void RestoreClick() override { Calls.push_back("restore dialog"); }
    void DeleteFilesClick() override { Calls.push_back("clean dialog"); }
    void ShowLogFile() override { Calls.push_back("log file"); }
    void LoadCurrentTask() override { Calls.push_back("reload"); }
    std::string ExpandTaskName(const std::string& name) const override { return "C:\\Tasks\\" + name + ".buj"; }
    std::string AutoTaskInfoText() const override { return "1: Backup task: Daily"; }
    const TAutoTaskSlots& AutoTasks() const override { return Slots; }
    TAutoFlags AutoFlags() const override { return Flags; }
    int ConfiguredEndAction() const override { return EndActionShutdown; }
    bool Visible() const override { return EditorVisible; }
    void ShowModal() override { Calls.push_back("editor"); }
    void StartSchedulerTimer() override { Calls.push_back("scheduler"); }
    int ShowStartDialog(const std::string& caption, const std::string& task) override
    {
        Calls.push_back("note " + caption + " " + task);
        return StartNoteAnswer;
    }
    int Outcome = 2;
    int BatchExitStatus() const override { return Outcome; }
};

// The window: records what is shown, stamped with the fake clock.
class TFakeView : public IMainWindowView
{
public:
    std::vector<std::string> Events;
    long long Now = 0;
    bool TimerOn = false;
    int Interval = 0;
    bool Visible = false;
    bool Tray = true;

    void Record(const std::string& text) { Events.push_back(std::to_string(Now) + " " + text); }
    void ShowMainWindow(bool show) override
    {
        Visible = show;
        Record(show ? "show" : "hide");
    }
    bool MainWindowVisible() const override { return Visible; }
    void RaiseMainWindow() override { Record("raise"); }
    void SetTimer(bool on, int intervalMs) override
    {
        TimerOn = on;
        Interval = intervalMs;
    }
    void AddTrayIcon(const std::string& icon, const std::string& tip) override { Record("tray '" + icon + "' " + tip); }
    bool TrayAvailable() const override { return Tray; }
    void ShowMenuWindow(const std::string& icon, const std::string& tip) override
    {
        Visible = true;
        Record("menu window '" + icon + "' " + tip);
    }
    void SetTrayIcon(const std::string& icon) override { Record("icon " + icon); }
    void RemoveTrayIcon() override { Record("no tray"); }
    void RestoreRunWindows() override { Record("run windows"); }
    void PopupTrayMenu() override { Record("menu"); }
    void ToggleProgressWindow() override { Record("toggle progress"); }
    void BringProgressToFront() override { Record("progress front"); }
    void BringApplicationToFront() override { Record("front"); }
    void CloseProgram() override { Record("close"); }
    void UpdateTaskMenu() override {}
};

struct TShell
{
    // The Startup folder of every test is a temporary one.
    TTempFolder config;
    TEnvGuard env;
    TFakeEditor editor;
    TFakeView view;
    TBuMain main{editor, view};

    explicit TShell(const std::vector<std::string>& params = {})
    {
        env.Set("XDG_CONFIG_HOME", config.Host());
        main.Info.BaseName = "tessaro";
        main.Info.ProgramFile = "C:\\usr\\bin\\tessaro";
        main.Info.ProfileDir = "C:\\home\\anna\\";
        main.Info.SettingsFile = "C:\\home\\anna\\.config\\Tessaro\\tessaro.ini";
        main.Info.WindowTitle = "Tessaro (Vers. 4.2.6)";
        main.Info.ProductText = "Tessaro";
        main.Info.VersionText = "Vers. 4.2.6";
        main.StartFlags = ScanStartFlags(params);
        main.ParseCommandLine(params);
    }

    // The timer's ticks on the fake clock until it stops or the time is up.
    void RunTimer(long long untilMs = 100000)
    {
        while (view.TimerOn && view.Now < untilMs) {
            view.Now += view.Interval;
            main.TimerTimer();
        }
    }
    void Start()
    {
        main.StartUp();
        RunTimer();
    }
};

} // namespace

TEST(BuMain, AutomaticStartHidesAfterThreeSecondsAndRunsTenLater)
{
    TShell s({"/auto"});
    s.Start();
    EXPECT_EQ(s.view.Events, (std::vector<std::string>{"0 show", "3000 hide", "13000 close"}));
    EXPECT_EQ(s.editor.Calls.back(), "run '' 0 3");
    EXPECT_TRUE(s.main.InTray);
}

TEST(BuMain, AStartDelayOfThreeSecondsEndsTheWaitAllTheSame)
{
    TShell s({"/auto"});
    s.editor.Delay = 3;
    s.Start();
    EXPECT_EQ(s.view.Events, (std::vector<std::string>{"0 show", "3000 hide", "6000 close"}));
}

TEST(BuMain, AutomaticStartWithTimedTasksWaitsInTheTray)
{
    TShell s({"/auto", "/hide"});
    s.editor.RunResult = false;
    s.Start();
    EXPECT_EQ(s.view.Events, (std::vector<std::string>{"0 hide", "3000 hide", "13000 tray '' Tessaro"}));
    EXPECT_TRUE(s.main.TrayWait);
    EXPECT_FALSE(s.main.Closing);
}

// A stop signal during the automatic start's wait ends it with nothing run; one that comes
// to the editor's start or after the batch began leaves the ending to the event loop.
TEST(BuMain, AStopSignalEndsOnlyABatchThatHasNotBegun)
{
    TShell waiting({"/auto"});
    waiting.main.StartUp();
    waiting.view.Now = 3000;
    waiting.main.TimerTimer(); // the start delay begins
    EXPECT_TRUE(waiting.main.EndBatchBeforeItBegins());
    waiting.RunTimer();
    EXPECT_EQ(waiting.view.Events, (std::vector<std::string>{"0 show", "3000 hide", "3000 close"}));
    EXPECT_EQ(waiting.main.ExitStatus(), 2);
    for (const std::string& call : waiting.editor.Calls) {
        EXPECT_NE(call.rfind("run", 0), 0u) << call;
    }

    TShell begun({"/force", "task.buj"});
    begun.Start();
    EXPECT_FALSE(begun.main.EndBatchBeforeItBegins());
    TShell editing(std::vector<std::string>{});
    editing.main.StartUp();
    EXPECT_FALSE(editing.main.EndBatchBeforeItBegins());
}

// Without a display nobody could reach a program waiting in a tray: it says so and ends.
TEST(BuMain, WithoutADisplayTheAutomaticStartDoesNotWaitForTimedTasks)
{
    TShell s({"/auto", "/hide"});
    TScriptedMessageDialogs dialogs;
    s.main.NoDisplay = true;
    s.editor.RunResult = false;
    s.Start();
    EXPECT_EQ(s.view.Events, (std::vector<std::string>{"0 hide", "3000 hide", "13000 close"}));
    EXPECT_FALSE(s.main.TrayWait);
    EXPECT_EQ(dialogs.LastText(), "Without a display Tessaro does not wait for the tasks due later.");
    EXPECT_EQ(s.main.ExitStatus(), 2) << "the outcome of the runs that were due";
}

// What a start without a display can do: batches run, the windows say why they cannot.
TEST(BuMain, StartsThatNeedADisplay)
{
    for (const std::vector<std::string>& params : std::vector<std::vector<std::string>>{
             {"-force", "a"}, {"-auto"}, {"-clean", "a.cuj"}, {"-restore", "a.rsj"}, {"-end:logoff"}}) {
        TStartSwitches switches;
        ParseCommandLine(params, switches);
        EXPECT_TRUE(IsBatchStart(switches)) << params.front();
        EXPECT_EQ(DisplayNeededText(switches), "") << params.front();
    }
    for (const std::vector<std::string>& params :
         std::vector<std::vector<std::string>>{{}, {"daily.buj"}, {"-frce", "daily.buj"}, {"-hide"}}) {
        TStartSwitches switches;
        ParseCommandLine(params, switches);
        EXPECT_FALSE(IsBatchStart(switches));
        EXPECT_EQ(DisplayNeededText(switches), "The task editor needs a display.");
    }
    TStartSwitches protocol;
    ParseCommandLine({"-protocol"}, protocol);
    EXPECT_EQ(DisplayNeededText(protocol), "The log viewer needs a display.");
}

TEST(BuMain, WithoutATrayTheMenuWindowStandsInForTheIcon)
{
    TShell s({"/auto", "/hide"});
    s.view.Tray = false;
    s.editor.RunResult = false;
    s.Start();
    EXPECT_EQ(s.view.Events, (std::vector<std::string>{"0 hide", "3000 hide", "13000 menu window '' Tessaro"}));
    EXPECT_TRUE(s.main.TrayWait);
    EXPECT_FALSE(s.main.Closing);
    // A timed run starting later leaves the window in place.
    s.main.HideSplash();
    EXPECT_EQ(s.view.Events.back(), "13000 menu window '' Tessaro");
    // A second start opens the editor, as it does from the tray, instead of raising the window.
    s.main.HandleRequest({TInstanceRequestKind::Activate, {}});
    EXPECT_EQ(s.editor.Calls.back(), "run '' 3 3");
    EXPECT_NE(s.view.Events.back(), "13000 raise");

    // With a tray nothing changes: the icon, and runs hide the splash.
    TShell tray;
    tray.main.MinimizeToTray();
    tray.main.HideSplash();
    EXPECT_EQ(tray.view.Events, (std::vector<std::string>{"0 tray '' Tessaro", "0 hide"}));
    EXPECT_TRUE(tray.main.InTray);
    TShell none;
    none.view.Tray = false;
    none.main.MinimizeToTray();
    EXPECT_EQ(none.view.Events, (std::vector<std::string>{"0 menu window '' Tessaro"}));
}

TEST(BuMain, TheMenuIsClosedToRunsWhileOneIsInProgress)
{
    TShell s;
    EXPECT_TRUE(s.main.TrayMenuAllowed());
    std::vector<bool> during;
    s.editor.DuringRun = [&](int) { during.push_back(s.main.TrayMenuAllowed()); };
    s.main.SofortStartenClick("#");
    s.main.StartAnimation('B');
    during.push_back(s.main.TrayMenuAllowed());
    s.main.StopAnimation();
    s.editor.EditorVisible = true;
    during.push_back(s.main.TrayMenuAllowed());
    EXPECT_EQ(during, (std::vector<bool>{false, false, false}));
    s.editor.EditorVisible = false;
    EXPECT_TRUE(s.main.TrayMenuAllowed());
}

TEST(BuMain, ForceRunsAllAutomaticTasksWithTheAnimatedIcon)
{
    TShell s({"-force", "-quiet", "-s:fast"});
    s.editor.DuringRun = [&](int) {
        for (int tick = 0; tick < 7; ++tick) {
            s.RunTimer(s.view.Now + s.view.Interval);
        }
    };
    s.Start();
    EXPECT_EQ(s.editor.Calls.back(), "run '#' 1 4 quiet");
    const std::vector<std::string> expected = {
        "0 show",        "1000 tray 'BM1' Tessaro", "1000 hide",     "1200 icon BM2", "1400 icon BM3", "1600 icon BM4",
        "1800 icon BM5", "2000 icon BM0",           "2200 icon BM1", "2400 icon BM2", "2400 close"};
    EXPECT_EQ(s.view.Events, expected);
}

TEST(BuMain, BatchModesAndTheirLetters)
{
    struct Case
    {
        std::vector<std::string> params;
        std::string call;
        std::string icon;
    };
    const std::vector<Case> cases = {
        {{"-clean", "/home/anna/a.cuj"}, "clean 'C:\\home\\anna\\a.cuj'", "CM1"},
        {{"-restore", "x"}, "restore 'x'", "RM1"},
        {{"-force", "a", "b"}, "run 'a,b' 1 3", "BM1"},
        {{"-protocol"}, "log file", ""},
    };
    for (const Case& c : cases) {
        TShell s(c.params);
        // The splash says the batch starts: it is gone while the batch runs (and after it).
        bool splashDuringRun = false;
        s.editor.DuringRun = [&](int) { splashDuringRun = s.view.Visible; };
        s.Start();
        EXPECT_EQ(s.editor.Calls.back(), c.call);
        EXPECT_EQ(s.view.Events.back(), "1000 close");
        EXPECT_FALSE(splashDuringRun) << c.call;
        if (!c.icon.empty()) {
            EXPECT_EQ(s.view.Events[1], "1000 tray '" + c.icon + "' Tessaro");
        }
    }
}

TEST(BuMain, BatchStartsEndWithTheOutcomeOfTheirRuns)
{
    for (const std::vector<std::string>& params : std::vector<std::vector<std::string>>{
             {"-force", "a"}, {"-auto"}, {"-clean", "a.cuj"}, {"-restore", "a.rsj"}, {"-end:logoff"}}) {
        TShell s(params);
        s.Start();
        EXPECT_EQ(s.main.ExitStatus(), 2) << params.front();
        s.editor.Outcome = 1;
        EXPECT_EQ(s.main.ExitStatus(), 1) << params.front();
    }
    TShell interactive;
    interactive.Start();
    EXPECT_EQ(interactive.main.ExitStatus(), 0) << "the editor was opened, no batch ran";
    TShell protocol({"-protocol"});
    protocol.Start();
    EXPECT_EQ(protocol.main.ExitStatus(), 0);
}

TEST(BuMain, EndActionAloneRunsAllTasksThenEndsTheSession)
{
    TRecordingSessionControl session;
    TShell s({"/end:poweroff"});
    s.Start();
    EXPECT_EQ(s.editor.Calls.back(), "run '#' 1 3");
    EXPECT_TRUE(s.main.Closing);
    s.main.Destroy();
    ASSERT_EQ(session.Requests.size(), 1u);
    EXPECT_EQ(session.Requests[0].Flags, EWX_POWEROFF | EWX_FORCEIFHUNG);
    EXPECT_EQ(session.Requests[0].Reason, 0x80000000u);

    TShell none({"/end:x"});
    none.Start();
    none.main.Destroy();
    EXPECT_EQ(session.Requests.size(), 1u);
}

TEST(BuMain, StartUpAppliesTheSwitches)
{
    TShell s({"-wait:0", "-log:2", "-taskdir:C:\\T", "-narrow", "-user:anna:pw"});
    s.main.StartUp();
    EXPECT_EQ(s.editor.Calls,
              (std::vector<std::string>{"read C:\\home\\anna\\.config\\Tessaro\\tessaro.ini", "taskdir C:\\T",
                                        "account anna pw", "narrow", "wait 0", "log 130"}));
    EXPECT_EQ(s.view.Interval, 1000);
    TShell hidden;
    hidden.editor.Splashless = true;
    hidden.main.StartUp();
    EXPECT_EQ(hidden.view.Interval, 500);
    EXPECT_EQ(hidden.view.Events, (std::vector<std::string>{"0 hide"}));
}

TEST(BuMain, InteractiveStartAndTheStartNote)
{
    struct Case
    {
        std::vector<std::string> params;
        int answer;
        uint8_t flags;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {{}, 6, 0, {"run '' 3 3"}},
        {{"daily"}, 6, 0, {"note Tessaro (Vers. 4.2.6) C:\\Tasks\\daily.buj", "run 'daily' 3 3"}},
        {{"daily"}, 1, 0, {"note Tessaro (Vers. 4.2.6) C:\\Tasks\\daily.buj", "run 'daily' 1 3"}},
        {{"daily"}, 2, 0, {"note Tessaro (Vers. 4.2.6) C:\\Tasks\\daily.buj"}},
        {{"daily"}, 6, StartFlagRunHere, {"run 'daily' 1 3"}},
    };
    for (const Case& c : cases) {
        TShell s(c.params);
        s.main.StartFlags = c.flags;
        s.editor.StartNoteAnswer = c.answer;
        s.Start();
        std::vector<std::string> calls(s.editor.Calls.begin() + 1, s.editor.Calls.end());
        EXPECT_EQ(calls, c.calls);
        EXPECT_TRUE(s.main.Closing);
        EXPECT_EQ(s.view.Interval, 5000);
    }
}

TEST(BuMain, EndOfEditingRenewsTheStartupShortcut)
{
    TShell s;
    const TTempFolder& home = s.config;
    s.editor.Flags.AutoStartNeeded = true;
    s.editor.Flags.StayInTray = true;
    s.main.EndInteractive();
    const std::string desktop = home.Host("autostart/tessaro.desktop");
    ASSERT_TRUE(std::filesystem::exists(desktop));
    const std::string contents = home.ReadHostFile("autostart/tessaro.desktop");
    EXPECT_NE(contents.find("Exec=/usr/bin/tessaro -auto\n"), std::string::npos) << contents;
    EXPECT_NE(contents.find("Name=Tessaro\n"), std::string::npos) << contents;
    EXPECT_NE(contents.find("Comment=Tessaro (Vers. 4.2.6)\n"), std::string::npos) << contents;
    // Run from the build, the icon is the drawing in the source tree.
    const std::size_t icon = contents.find("\nIcon=");
    ASSERT_NE(icon, std::string::npos) << contents;
    const std::string iconFile = contents.substr(icon + 6, contents.find('\n', icon + 1) - icon - 6);
    EXPECT_TRUE(std::filesystem::exists(iconFile)) << iconFile;
    EXPECT_EQ(std::system(("desktop-file-validate '" + desktop + "'").c_str()), 0);
    EXPECT_EQ(s.view.Events.back(), "0 tray '' Tessaro (Vers. 4.2.6)");
    EXPECT_EQ(s.editor.Calls.back(), "scheduler");
    EXPECT_EQ(s.main.Switches.Mode, TStartMode::Auto);

    // Without automatic tasks the shortcut goes; with "disable" it is left alone.
    TShell off;
    off.env.Set("XDG_CONFIG_HOME", home.Host());
    off.main.EndInteractive();
    EXPECT_FALSE(std::filesystem::exists(desktop));
    EXPECT_EQ(off.view.Events.back(), "0 close");
    home.WriteHostFile("autostart/tessaro.desktop", "kept");
    TShell disabled({"-disable"});
    disabled.env.Set("XDG_CONFIG_HOME", home.Host());
    disabled.main.EndInteractive();
    EXPECT_EQ(home.ReadHostFile("autostart/tessaro.desktop"), "kept");
}

TEST(BuMain, TaskMenuItems)
{
    TShell s;
    EXPECT_TRUE(s.main.TaskMenuItems().empty());
    s.editor.Slots[0] = TAutoTask("C:\\Tasks\\Daily.buj");
    s.editor.Slots[2] = TAutoTask("C:\\Tasks\\Weekly.buj");
    const std::vector<TTaskMenuItem> items = s.main.TaskMenuItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Name + " " + items[0].Caption + " " + items[0].Selector, "itmAll &all #");
    EXPECT_EQ(items[1].Name + " " + items[1].Caption + " " + items[1].Selector, "itmAuto1 &1 Daily #1");
    EXPECT_EQ(items[2].Name + " " + items[2].Caption + " " + items[2].Selector, "itmAuto3 &3 Weekly #3");
    s.main.SofortStartenClick(items[2].Selector);
    EXPECT_EQ(s.editor.Calls, (std::vector<std::string>{"run '#3' 1 3", "reload"}));
    EXPECT_FALSE(s.main.Busy);
}

TEST(BuMain, TrayClicks)
{
    TScriptedMessageDialogs dialogs;
    TShell s;
    s.main.TrayMessage(TrayLeftButtonDown);
    EXPECT_EQ(dialogs.LastText(), "Tessaro (Vers. 4.2.6)\r\r1: Backup task: Daily");
    s.main.TrayMessage(TrayRightButtonDown);
    s.editor.EditorVisible = true;
    s.main.TrayMessage(TrayRightButtonDown);
    s.main.TrayMessage(515);
    s.main.Busy = true;
    s.main.TrayMessage(TrayLeftButtonDown);
    s.main.Quiet = true;
    s.main.TrayMessage(TrayRightButtonDown);
    EXPECT_EQ(s.view.Events, (std::vector<std::string>{"0 front", "0 menu", "0 progress front", "0 toggle progress"}));

    // A left click during a run from the tray brings the progress window up.
    TShell t;
    t.editor.DuringRun = [&](int) { t.main.TrayMessage(TrayLeftButtonDown); };
    t.main.SofortStartenClick("#");
    EXPECT_EQ(t.view.Events, (std::vector<std::string>{"0 progress front"}));
}

// The icon shows while the program waits in the tray or runs a batch, not beside the editor:
// one that a run's Minimise brought goes when the editor comes back (after the run, or by a
// click on the icon); one that was there before (the program waits in the tray) stays.
TEST(BuMain, TheIconOfAMinimiseGoesWithTheEditorBack)
{
    TShell s;
    s.editor.DuringRun = [&](int reason) {
        if (reason == ReasonEditor) {
            s.main.MinimizeToTray();
            EXPECT_TRUE(s.main.InTray);
            s.main.RestoreFromTray();
        }
    };
    s.Start();
    EXPECT_FALSE(s.main.InTray);
    EXPECT_EQ(s.view.Events,
              (std::vector<std::string>{"0 show", "1000 hide", "1000 tray '' Tessaro", "1000 no tray", "1000 close"}));

    TShell waiting({"-auto"});
    waiting.editor.RunResult = false; // a timed task is due later
    waiting.Start();
    waiting.view.Events.clear();
    waiting.editor.DuringRun = [&](int) {
        waiting.main.MinimizeToTray();
        waiting.main.RestoreFromTray();
    };
    waiting.main.SofortStartenClick("#");
    EXPECT_EQ(waiting.view.Events, (std::vector<std::string>{"13000 tray '' Tessaro"}));

    // While the run goes on minimised, a click on the icon brings its windows back (as during
    // a run from the tray, the menu stays closed).
    TShell minimised;
    minimised.main.MinimizeToTray();
    EXPECT_FALSE(minimised.main.TrayMenuAllowed());
    minimised.main.TrayMessage(TrayRightButtonDown);
    EXPECT_EQ(minimised.view.Events, (std::vector<std::string>{"0 tray '' Tessaro", "0 no tray", "0 run windows"}));
    EXPECT_TRUE(minimised.main.TrayMenuAllowed());
}

TEST(BuMain, SecondStartRequestsWaitForTheRun)
{
    TShell s;
    s.editor.DuringRun = [&](int reason) {
        if (reason == ReasonRunNow) {
            s.main.HandleRequest({TInstanceRequestKind::HandOver, "C:\\T\\x.buj"});
            s.main.HandleRequest({TInstanceRequestKind::Close, {}});
            s.view.Record("run ends");
        }
    };
    s.main.SofortStartenClick("#1");
    EXPECT_EQ(s.editor.Calls, (std::vector<std::string>{"run '#1' 1 3", "reload", "run 'C:\\T\\x.buj' 4 3"}));
    EXPECT_EQ(s.view.Events, (std::vector<std::string>{"0 run ends", "0 close"}));

    TShell idle;
    idle.main.HandleRequest({TInstanceRequestKind::Activate, {}});
    EXPECT_EQ(idle.editor.Calls, (std::vector<std::string>{"run '' 3 3"}));
    idle.view.Visible = true;
    idle.main.Closing = false;
    idle.main.HandleRequest({TInstanceRequestKind::Activate, {}});
    EXPECT_EQ(idle.view.Events.back(), "0 raise");
}

TEST(BuMain, EndOfSessionRefusesOnceRunsTheTasksThenEnds)
{
    TRecordingSessionControl session;
    TShell s;
    EXPECT_TRUE(s.main.QueryEndSession(true)); // no end-of-session task
    s.editor.Flags.EndOfSessionRun = true;
    s.editor.Flags.StayInTray = true;
    s.editor.DuringRun = [&](int reason) {
        if (reason == ReasonEndOfSession) {
            EXPECT_FALSE(s.main.QueryEndSession(true)); // a second request while the tasks run
        }
    };
    EXPECT_FALSE(s.main.QueryEndSession(true));
    EXPECT_EQ(s.main.EndAction, EndActionLogoff);
    EXPECT_FALSE(s.main.QueryEndSession(true));
    s.main.AppIdle();
    EXPECT_EQ(s.editor.Calls, (std::vector<std::string>{"write", "scheduler", "run '' 2 3"}));
    EXPECT_TRUE(s.main.EndOfSessionDone);
    EXPECT_TRUE(s.main.Closing);
    EXPECT_TRUE(s.main.QueryEndSession(true));
    s.main.Destroy();
    ASSERT_EQ(session.Requests.size(), 1u);
    EXPECT_EQ(session.Requests[0].Flags, EWX_LOGOFF | EWX_FORCEIFHUNG);

    // Shutdown takes the configured action; an action chosen before stays.
    TShell configured;
    configured.editor.Flags.EndOfSessionRun = true;
    configured.main.QueryEndSession(false);
    EXPECT_EQ(configured.main.EndAction, EndActionShutdown);
    TShell chosen({"-e:restart"});
    chosen.editor.Flags.EndOfSessionRun = true;
    chosen.main.QueryEndSession(true);
    EXPECT_EQ(chosen.main.EndAction, EndActionRestart);
}

TEST(BuMain, SystemShutdownRunsTheTasksWithoutASecondRequest)
{
    TRecordingSessionControl session;
    TShell s;
    EXPECT_FALSE(s.main.ShutdownStarted());
    s.editor.Flags.EndOfSessionRun = true;
    EXPECT_TRUE(s.main.ShutdownStarted());
    EXPECT_FALSE(s.main.ShutdownStarted());
    s.main.AppIdle();
    s.main.Destroy();
    EXPECT_EQ(s.editor.Calls.back(), "run '' 2 3");
    EXPECT_TRUE(session.Requests.empty());

    TShell chosen({"-end:restart"});
    chosen.editor.Flags.EndOfSessionRun = true;
    EXPECT_TRUE(chosen.main.ShutdownStarted());
    chosen.main.AppIdle();
    chosen.main.Destroy();
    ASSERT_EQ(session.Requests.size(), 1u);
    EXPECT_EQ(session.Requests[0].Flags, EWX_REBOOT | EWX_FORCEIFHUNG);
}

TEST(BuMain, TrayShutdownEntries)
{
    TRecordingSessionControl session;
    TShell s;
    s.main.BackupShutdownClick(EndActionRestart); // no end-of-session task: at once
    ASSERT_EQ(session.Requests.size(), 1u);
    EXPECT_EQ(session.Requests[0].Flags, EWX_REBOOT | EWX_FORCEIFHUNG);
    EXPECT_TRUE(s.editor.Calls.empty());
    EXPECT_TRUE(s.main.Closing);
    s.main.Destroy();
    EXPECT_EQ(session.Requests.size(), 1u);

    TShell withTasks;
    withTasks.editor.Flags.EndOfSessionRun = true;
    withTasks.main.BackupShutdownClick(EndActionPowerOff);
    withTasks.main.AppIdle();
    withTasks.main.Destroy();
    ASSERT_EQ(session.Requests.size(), 2u);
    EXPECT_EQ(session.Requests[1].Flags, EWX_POWEROFF | EWX_FORCEIFHUNG);
    EXPECT_EQ(withTasks.editor.Calls.back(), "run '' 2 3");

    TScriptedMessageDialogs dialogs;
    session.Result = false;
    TShell refused;
    refused.main.ShutdownClick(EndActionPowerOff);
    refused.main.Destroy();
    EXPECT_EQ(dialogs.LastText(), "No shutdown or logoff possible!");
    EXPECT_EQ(dialogs.Shown().back().caption, "Tessaro (Vers. 4.2.6)");
}
