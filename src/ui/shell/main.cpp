#include "Version.h"
#include "foundation/ExternalProgram.h"
#include "foundation/HtmlHelp.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/SessionEnd.h"
#include "foundation/ShownPaths.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/HostInfo.h"
#include "platform/LocalIpc.h"
#include "platform/StopSignals.h"
#include "shell/CommandLineHelp.h"
#include "shell/InstanceGuard.h"
#include "shell/Language.h"
#include "shell/StartUp.h"
#include "tasks/Placeholders.h"
#include "tasks/ProgressView.h"
#include "tasks/Settings.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/HelpWindow.h"
#include "ui/foundation/LogonDialog.h"
#include "ui/foundation/OutputWindow.h"
#include "ui/foundation/PageDialogs.h"
#include "ui/foundation/PasswordDialogs.h"
#include "ui/foundation/QtMessageDialogs.h"
#include "ui/foundation/QtTranslation.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/ShowtextDialog.h"
#include "ui/foundation/StatusWindow.h"
#include "ui/restore/CleanUpDialog.h"
#include "ui/restore/RestoreDlg.h"
#include "ui/shell/BuMainForm.h"
#include "ui/shell/ProgramIcons.h"
#include "ui/shell/SessionWatch.h"
#include "ui/tasks/Anzeige.h"
#include "ui/tasks/BackupForm.h"
#include "ui/tasks/RunDialogs.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

namespace {

// Without a display the program still runs batch tasks: on Qt's offscreen platform.
// True when no display was found.
bool ChooseOffscreenWithoutDisplay()
{
    const auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return !value || !*value;
    };
    if (unset("QT_QPA_PLATFORM") && unset("DISPLAY") && unset("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return true;
    }
    return false;
}

std::string ProgramFileText()
{
    return Platform::HostToWin(Platform::HostProgramPath()).value_or("tessaro");
}

// The name the program was called by, for the usage line.
std::string ProgramCallName(const char* argv0)
{
    const std::string called = argv0 ? argv0 : "tessaro";
    const std::size_t slash = called.rfind('/');
    return slash == std::string::npos ? called : called.substr(slash + 1);
}

bool Offscreen()
{
    return QGuiApplication::platformName() == "offscreen";
}

// Nobody could close a box on the offscreen platform: messages go to the error output
// and every question counts as closed.
class TConsoleMessageDialogs : public IMessageDialogs
{
public:
    int Show(const TMessageRequest& request) override
    {
        const std::string text = ReplaceText(ReplaceText(HostPathsInText(request.text), "\r\n", "\n"), "\r", "\n");
        std::fprintf(stderr, "%s%s%s\n", request.caption.c_str(), request.caption.empty() ? "" : ": ", text.c_str());
        return CloseResult(request.buttons);
    }
    TScreenPoint CursorPos() override { return {0, 0}; }
};

// A notice for the user in the program's caption.
void ShowNotice(const char* text)
{
    InfoDialog(ProductName, TrDefault(text));
}

// --version and --help answer before any window or instance guard is made.
std::optional<int> AnswerWithoutWindows(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", TESSARO_PRODUCT, TESSARO_VERSION);
            return 0;
        }
    }
    if (const std::vector<std::string> given(argv + 1, argv + argc); HelpRequested(given)) {
        SetUpLanguage(LanguageFileName(ProgramFolders(ProgramFileText())), given);
        std::fputs(CommandLineHelpText(ProgramCallName(argv[0])).c_str(), stdout);
        return 0;
    }
    return std::nullopt;
}

// Qt's notes on itself ("This plugin does not support propagateSizeHints()") mean nothing
// to a user and would mix with a batch run's own lines on the error output. A developer
// who sets QT_LOGGING_RULES gets them all.
void SilenceQtNotes()
{
    if (!Platform::HostEnv("QT_LOGGING_RULES").empty()) {
        return;
    }
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        }
    });
}

// True when no display was found.
bool PrepareEnvironment()
{
    SilenceQtNotes();
    const bool noDisplay = ChooseOffscreenWithoutDisplay();
    // Outside a login session (cron, ssh without pam_systemd) the guard and Qt share a private folder.
    if (Platform::HostEnv("XDG_RUNTIME_DIR").empty()) {
        if (const std::string runtime = Platform::SessionRuntimeDir(); !runtime.empty()) {
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
    }
    return noDisplay;
}

void NameApplication()
{
    QApplication::setApplicationName(ProductName);
    QApplication::setDesktopFileName(TESSARO_APP_ID);
    QApplication::setWindowIcon(ApplicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);
}

void InstallMessageDialogs(TConsoleMessageDialogs& consoleDialogs)
{
    if (Offscreen()) {
        SetMessageDialogs(&consoleDialogs);
    } else {
        InstallQtMessageDialogs();
    }
}

// SIGTERM, SIGINT and SIGHUP cancel a run as its Cancel button does; the program ends
// once the run has written its end lines and returned to the event loop. A batch whose
// runs have not begun ends at once and says so.
void EndOnStopSignal(QSocketNotifier& stopNotifier, TBuMain& shell)
{
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, [&stopNotifier, &shell] {
        stopNotifier.setEnabled(false);
        if (!shell.EndBatchBeforeItBegins()) {
            QCoreApplication::exit(128 + Platform::StopSignal());
        }
    });
}

// A stop signal that came before the event loop ends the program without it: an early
// pass of the loop (the splash paints) may have seen the signal when no loop could end.
int RunEventLoop(TBuMain& shell)
{
    if (Platform::StopRequested()) {
        return shell.EndBatchBeforeItBegins() ? shell.ExitStatus() : 128 + Platform::StopSignal();
    }
    const int result = QApplication::exec();
    return result != 0 ? result : shell.ExitStatus();
}

void RegisterViews(TZeigFortschritt& progressWindow, TStatusWindow& statusWindow)
{
    // Runs never wait for a progress window that nobody can see.
    if (!Offscreen()) {
        RegisterProgressView(&progressWindow);
    }
    RegisterStatusView(&statusWindow);
}

void InstallPrompts(TLogonDialog& logonDialog, TQtRunDialogs& runDialogs, TQtTaskCheckDialogs& taskCheckDialogs,
                    THelpWindow& helpWindow)
{
    InstallLogonPrompt(&logonDialog);
    // Like the message boxes: prompts only where somebody can answer them.
    if (!Offscreen()) {
        InstallRunDialogs(&runDialogs, &taskCheckDialogs);
        InstallProgramOutputWindow();
        InstallHelpWindow(&helpWindow);
    }
}

void PrintIgnoredParameters(const std::vector<std::string>& params, const TStartSwitches& switches)
{
    for (const std::string& note : IgnoredParameterNotes(params, switches)) {
        std::fprintf(stderr, "%s\n", note.c_str());
    }
}

void ReadCommandLine(TBuMain& shell, uint8_t startFlags, const std::vector<std::string>& params)
{
    shell.StartFlags = startFlags;
    shell.ParseCommandLine(params);
    PrintIgnoredParameters(params, shell.Switches);
}

// A start that can do nothing without a display says so at once (exit status 2): it must
// neither end as if it had worked nor wait in a tray nobody sees.
bool RefusedWithoutDisplay(const std::vector<std::string>& params)
{
    TStartSwitches switches;
    ParseCommandLine(params, switches);
    const std::string text = DisplayNeededText(switches);
    if (text.empty()) {
        return false;
    }
    PrintIgnoredParameters(params, switches);
    InfoDialog(ProductName, text);
    return true;
}

// The problems of batch runs reach the error output, which cron mails, whatever the log mode.
void EchoBatchProblems(const TBuMain& shell, TTaskEditor& editor)
{
    if (IsBatchStart(shell.Switches)) {
        editor.Log.Console = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    }
}

// The settings file the command line chose, handed to everything that reads the program's files.
void SpreadProgramInfo(TProgramInfo& info, TBuMain& shell, TShellDirDialog& dirDialog, TShowtextDialog& logViewer,
                       int language)
{
    info.SettingsFile = ChooseSettingsFile(info, shell.Switches.IniFile);
    shell.Info = info;
    SetTheProgramInfo(info);
    SetPlaceholderProgramDir(info.ProgramDir);
    RenameOldDialogSections(info.SettingsFile);
    dirDialog.LoadFromIni(info.SettingsFile, DirDialogSection);
    logViewer.LoadFromIni(info.SettingsFile, TextViewerSection);
    SetHelpLanguage(LanguageCode(language));
}

void SetUpEditor(TBackupForm& editorForm, TBuMainForm& mainForm, TZeigFortschritt& progressWindow,
                 const TProgramInfo& info)
{
    TTaskEditor& editor = editorForm.Editor;
    editor.SettingsEnv.FallbackFile = info.ProgramDir + info.BaseName + ".ini";
    editor.SettingsEnv.DocumentsDir = info.DocumentsDir;
    editor.ProductText = info.ProductText;
    editor.FileVersion = info.Version.FileVersion;
    editorForm.FirstShown = [&mainForm] { mainForm.ShowProgressBar(); };
    // Without a display nobody could close the editor: it says so instead of waiting.
    if (Offscreen()) {
        editorForm.ShowHeadlessHook = [] { ShowNotice("The task editor needs a display."); };
        editorForm.StartNoteHook = {}; // no start note nobody could answer: the editor says why
    }
    // The progress window's Minimise: the windows go (the editor minimises itself), the tray
    // icon stays. Without a tray the progress window keeps a task bar entry, as nothing else
    // could bring it back.
    editorForm.MinimizeToTray = [&mainForm, &progressWindow] {
        mainForm.Logic.MinimizeToTray();
        if (mainForm.Logic.MenuWindow) {
            progressWindow.showMinimized();
        } else {
            progressWindow.hide();
        }
    };
    editorForm.BackFromTray = [&mainForm] { mainForm.Logic.RestoreFromTray(); };
    mainForm.RestoreRunHook = [&editorForm, &progressWindow] {
        editorForm.showNormal();
        progressWindow.showNormal();
        progressWindow.raise();
        progressWindow.activateWindow();
    };
}

void RunSchedulerEveryTenSeconds(QTimer& schedulerTimer, TTaskEditor& editor)
{
    schedulerTimer.setInterval(10000);
    QObject::connect(&schedulerTimer, &QTimer::timeout, [&editor] { editor.Auto.TimerTimer(); });
}

void ConnectAutoTaskHost(TAutoTaskHost& host, TBuMainForm& mainForm, TBackupForm& editorForm,
                         TSessionWatch& sessionWatch, QTimer& schedulerTimer)
{
    TBuMain& shell = mainForm.Logic;
    host.StartAnimation = [&shell](char letter) { shell.StartAnimation(letter); };
    host.StopAnimation = [&shell] { shell.StopAnimation(); };
    // While tasks wait for the end of the session, a shutdown waits for them.
    host.UpdateTaskMenu = [&mainForm, &sessionWatch, &editorForm] {
        mainForm.UpdateTaskMenu();
        sessionWatch.SetInhibit(editorForm.AutoFlags().EndOfSessionRun);
    };
    host.HideMainWindow = [&shell] { shell.HideSplash(); };
    host.TimerChanged = [&schedulerTimer](bool on) {
        if (on) {
            schedulerTimer.start();
        } else {
            schedulerTimer.stop();
        }
    };
}

void ConnectLogViewer(TBackupForm& editorForm, TShowtextDialog& logViewer, const TProgramInfo& info)
{
    TTaskEditor& editor = editorForm.Editor;
    editorForm.ShowLogHook = [&logViewer, &editor, &info] { ShowBackupLog(logViewer, editor.Log, info.ProductText); };
    editor.Log.PrintRunLog = [&logViewer](const std::string& path) { logViewer.LoadFile(path); };
}

void ConnectSessionEnd(QApplication& app, TBuMainForm& mainForm, TSessionWatch& sessionWatch)
{
    TBuMain& shell = mainForm.Logic;
    // The session manager asks first; the first request is refused and the tasks run.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainForm, [&shell](QSessionManager& manager) {
        if (!shell.QueryEndSession(false)) {
            manager.cancel();
            QTimer::singleShot(0, [&shell] { shell.AppIdle(); });
        }
    });
    sessionWatch.OnShutdown = [&shell] {
        if (shell.ShutdownStarted()) {
            QTimer::singleShot(0, [&shell] { shell.AppIdle(); });
        }
    };
}

// Coming to the front brings up what matters: the progress window of a run, a modal box.
void BringToFrontOnActivation(QApplication& app, TBuMainForm& mainForm)
{
    if (Offscreen()) {
        return;
    }
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &mainForm,
                     [&mainForm](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) {
                             mainForm.BringApplicationToFront();
                         }
                     });
}

std::function<bool(TFtpParams& ftp)> FtpSettingsEditor(TBackupForm& editorForm)
{
    return [&editorForm](TFtpParams& ftp) { return editorForm.EditFtpHook && editorForm.EditFtpHook(ftp); };
}

// The clean-up and the restore keep their settings with the editor's; the editor opens the clean-up.
void ConnectCleanUpAndRestore(TBackupForm& editorForm, TCleanUp& cleanUp, TCleanUpDialog& cleanUpDialog,
                              TRestoreDialog& restoreDialog)
{
    TTaskEditor& editor = editorForm.Editor;
    editorForm.SettingsReadHook = [&cleanUp, &restoreDialog, &editor] {
        cleanUp.ProductText = editor.ProductText;
        cleanUp.FileVersion = editor.FileVersion;
        cleanUp.LoadFromIni(editor.Settings.FileName, editor.SettingsEnv.FallbackFile);
        restoreDialog.LoadFromIni(editor.Settings.FileName, editor.SettingsEnv.FallbackFile);
    };
    editorForm.SettingsWriteHook = [&cleanUp, &restoreDialog] {
        cleanUp.WriteToIni();
        restoreDialog.WriteToIni();
    };
    editorForm.CleanUpWindowHook = [&cleanUp, &cleanUpDialog, &editor](int logMode) {
        cleanUp.TaskDir = editor.Settings.JobDir;
        cleanUpDialog.CloseDelay = editor.Settings.WaitTime;
        if (editor.Task.FtpBackup) {
            cleanUpDialog.ExecuteFtp(editor.Task.Ftp, logMode);
        } else {
            cleanUpDialog.Execute(editor.Task.Destination, logMode);
        }
    };
    editorForm.CleanUpBatchHook = [&cleanUp, &editor](const std::string& list, int logMode, bool quiet) {
        cleanUp.TaskDir = editor.Settings.JobDir;
        return static_cast<int>(RunOutcomeOf(cleanUp.AutoCleanUp(list, logMode, quiet, editor.Settings.WaitTime)));
    };
}

// The windows go with main's frame: nothing may reach them once the event loop has ended.
void UnregisterWindows()
{
    RegisterInTrayQuery({});
    RegisterProgressView(nullptr);
    RegisterStatusView(nullptr);
    CloseAllHelp();
    InstallHelpWindow(nullptr);
    InstallRunDialogs(nullptr, nullptr);
    SetProgramOutputWindow({});
    CommonDialogs() = {};
}

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> answered = AnswerWithoutWindows(argc, argv)) {
        return *answered;
    }
    // From the start: a stop signal that comes while the program sets up is kept, not fatal.
    Platform::InstallStopSignals();
    const bool noDisplay = PrepareEnvironment();
    QApplication app(argc, argv);
    NameApplication();
    const std::vector<std::string> params(argv + 1, argv + argc);

    TProgramInfo info = ProgramFolders(ProgramFileText());
    FillVersionTexts(info);
    const int language = SetUpLanguage(LanguageFileName(info), params);
    QTranslator qtTranslator;
    InstallQtTranslation(qtTranslator, LanguageCode(language));
    TConsoleMessageDialogs consoleDialogs;
    InstallMessageDialogs(consoleDialogs);

    if (noDisplay && RefusedWithoutDisplay(params)) {
        return 2;
    }
    uint8_t startFlags = ScanStartFlags(params);
    TInstanceGuard guard(Platform::SessionRuntimeDir());
    if (guard.Run(params, startFlags, info.WindowTitle, {}) == TGuardOutcome::Exit) {
        if (startFlags & StartFlagAuto) {
            // From cron too: say why nothing ran here.
            ShowNotice("Tessaro is running already: its automatic tasks run there.");
        }
        return 0;
    }
    InstallLogindSessionControl();
    SetProcessMessagesHook([] { QCoreApplication::processEvents(); });

    // The runs take the progress window when the editor's state is made: register it first.
    TZeigFortschritt progressWindow;
    TStatusWindow statusWindow;
    TLogonDialog logonDialog;
    TShellDirDialog dirDialog;
    TSelectFromListDialog selectFromListDialog;
    TNewPwdDialog newPwdDialog;
    TRandDialog randDialog;
    TMemoDialog memoDialog;
    TShowtextDialog logViewer;
    THelpWindow helpWindow;
    CommonDialogs() = {&dirDialog, &selectFromListDialog, &newPwdDialog, &randDialog, &memoDialog, &logViewer};
    TQtRunDialogs runDialogs(newPwdDialog);
    TQtTaskCheckDialogs taskCheckDialogs(dirDialog);
    RegisterViews(progressWindow, statusWindow);
    TBackupForm editorForm;
    TTaskEditor& editor = editorForm.Editor;
    TBuMainForm mainForm(editorForm);
    taskCheckDialogs.FtpSettingsDialog = [&editorForm](TFtpParams& ftp) { return editorForm.EditFtpSettings(ftp); };
    InstallPrompts(logonDialog, runDialogs, taskCheckDialogs, helpWindow);
    RegisterInTrayQuery([&mainForm] { return mainForm.Logic.InTray; });
    mainForm.SetProgressWindow(&progressWindow);
    mainForm.WatchInstanceServer(guard.Server());

    TBuMain& shell = mainForm.Logic;
    // A signal that came before is not lost: the pipe stays readable.
    QSocketNotifier stopNotifier(Platform::StopSignalFd(), QSocketNotifier::Read);
    EndOnStopSignal(stopNotifier, shell);
    editorForm.ShowVersionHook = [&shell] { shell.ShowVersionInfo(); };
    ReadCommandLine(shell, startFlags, params);
    shell.NoDisplay = noDisplay;
    EchoBatchProblems(shell, editor);
    SpreadProgramInfo(info, shell, dirDialog, logViewer, language);
    SetUpEditor(editorForm, mainForm, progressWindow, info);
    QTimer schedulerTimer;
    RunSchedulerEveryTenSeconds(schedulerTimer, editor);
    TSessionWatch sessionWatch;
    ConnectAutoTaskHost(editor.Auto.Host, mainForm, editorForm, sessionWatch, schedulerTimer);
    ConnectLogViewer(editorForm, logViewer, info);
    ConnectSessionEnd(app, mainForm, sessionWatch);
    BringToFrontOnActivation(app, mainForm);

    // Clean-up: the window for the tray's and the editor's item, the batch for "clean".
    TCleanUp cleanUp(editor.Log, TheProgressView(), TheStatusView());
    TCleanUpDialog cleanUpDialog(cleanUp, &editorForm);
    cleanUpDialog.EditFtp = FtpSettingsEditor(editorForm);
    // Restore: one dialog for the tray's and the editor's item and for "restore".
    TRestoreDialog& restoreDialog = TheRestoreDialog(editor, &editorForm);
    restoreDialog.DocumentsDir = info.DocumentsDir;
    restoreDialog.EditFtp = FtpSettingsEditor(editorForm);
    ConnectCleanUpAndRestore(editorForm, cleanUp, cleanUpDialog, restoreDialog);

    shell.StartUp();
    sessionWatch.SetInhibit(editorForm.AutoFlags().EndOfSessionRun);
    progressWindow.LoadFromIni(info.SettingsFile);
    progressWindow.SetVersion(info.VersionText);
    const int result = RunEventLoop(shell);
    UnregisterWindows();
    return result;
}
