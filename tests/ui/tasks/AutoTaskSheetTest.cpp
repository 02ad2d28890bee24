#include "ui/tasks/AutoTaskSheet.h"
#include "EnvGuard.h"
#include "TempFolder.h"
#include "foundation/DateUtils.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "shell/BuMain.h"
#include "tasks/Settings.h"
#include "tasks/TaskFile.h"
#include "ui/tasks/BackupForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// The tray window, seen by nobody.
class TQuietView : public IMainWindowView
{
public:
    bool TimerOn = false;
    int Interval = 0;
    bool Visible = false;
    bool Closed = false;
    void ShowMainWindow(bool show) override { Visible = show; }
    bool MainWindowVisible() const override { return Visible; }
    void RaiseMainWindow() override {}
    void SetTimer(bool on, int intervalMs) override
    {
        TimerOn = on;
        Interval = intervalMs;
    }
    void AddTrayIcon(const std::string&, const std::string&) override {}
    bool TrayAvailable() const override { return true; }
    void ShowMenuWindow(const std::string&, const std::string&) override {}
    void SetTrayIcon(const std::string&) override {}
    void RemoveTrayIcon() override {}
    void RestoreRunWindows() override {}
    void PopupTrayMenu() override {}
    void ToggleProgressWindow() override {}
    void BringProgressToFront() override {}
    void BringApplicationToFront() override {}
    void CloseProgram() override { Closed = true; }
    void UpdateTaskMenu() override {}
};

struct TFakeClock
{
    TDateTime Time = 0;
    TFakeClock()
    {
        SetClockForTests([this] { return LocalDateTimeToFileTime(Time); });
    }
    ~TFakeClock() { ResetClock(); }
};

bool FoundBelow(const std::string& folder, const std::string& name)
{
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->path().filename() == name) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(AutoTaskSheet, SlotButtonsStoreAndShowTheirSlots)
{
    TScriptedMessageDialogs boxes;
    TProgramSettings settings;
    TAutoTaskSheet sheet(settings);
    std::string taskFile = "C:\\Tasks\\Daily.buj";
    sheet.Host.TaskFile = [&] { return taskFile; };
    sheet.Host.HasSources = [] { return true; };
    int flagChanges = 0;
    sheet.Host.AutoFlagsChanged = [&] { ++flagChanges; };
    sheet.ShowAutoTask(0);
    sheet.AddActTaskClick();
    EXPECT_EQ(settings.AutoTasks[0].Name, taskFile);
    EXPECT_EQ(sheet.edTaskName->text().toStdString(), "Daily");
    sheet.AutoStartRG->button(AutoOnLogoff)->click();
    EXPECT_EQ(sheet.AutoEndCbx->currentIndex(), EndCloseAfterDelay);
    EXPECT_TRUE(settings.AutoFlags.EndOfSessionRun);
    EXPECT_GT(flagChanges, 0);

    sheet.AutoTaskBtnClick(1);
    EXPECT_EQ(sheet.CurrentSlot, 1);
    EXPECT_TRUE(sheet.edTaskName->text().isEmpty());
    EXPECT_EQ(sheet.AutoStartRG->checkedId(), AutoNever);
    // Replacing a used slot asks first; No keeps it.
    sheet.AutoTaskBtnClick(0);
    taskFile = "C:\\Tasks\\Other.buj";
    boxes.QueueAnswer(MrNo);
    sheet.AddActTaskClick();
    EXPECT_EQ(settings.AutoTasks[0].Name, "C:\\Tasks\\Daily.buj");
    EXPECT_EQ(settings.AutoTasks[0].Mode, AutoOnLogoff);
    EXPECT_EQ(boxes.LastText(), "Replace automatisc task nr. 1?");

    sheet.AutoEnabledClick(false);
    EXPECT_FALSE(settings.AutoFlags.StayInTray);
    EXPECT_FALSE(settings.AutoFlags.AutoStartNeeded);
    sheet.AutoEnabledClick(true);
    EXPECT_TRUE(settings.AutoFlags.StayInTray);

    sheet.RemTaskClick();
    EXPECT_TRUE(settings.AutoTasks[0].Free());
    EXPECT_FALSE(settings.AutoFlags.AutoStartNeeded);
}

TEST(AutoTaskSheet, ControlsSayWhyTheyCannotBeUsedAndABadTimeIsRefused)
{
    TScriptedMessageDialogs boxes;
    TProgramSettings settings;
    TAutoTaskSheet sheet(settings);
    sheet.Host.TaskFile = [] { return std::string("C:\\Tasks\\Daily.buj"); };
    sheet.ShowAutoTask(0);
    // With every slot off there is nothing to switch on: the box is greyed and says why.
    EXPECT_FALSE(sheet.AutoEnabled->isEnabled());
    EXPECT_FALSE(sheet.AutoEnabled->toolTip().isEmpty());
    sheet.AutoStartRG->button(AutoDailyAt)->click();
    EXPECT_TRUE(sheet.AutoEnabled->isEnabled());
    EXPECT_TRUE(sheet.AutoEnabled->isChecked());

    sheet.StartZeit->setText(" 9:05");
    emit sheet.StartZeit->editingFinished();
    EXPECT_EQ(sheet.StartZeit->text(), "09:05");
    const TDateTime due = settings.AutoTasks[0].NextBackup;
    for (const char* typed : {"9977ab", "24:00", "12:60", "7"}) {
        sheet.StartZeit->setText(typed);
        emit sheet.StartZeit->editingFinished();
        EXPECT_EQ(boxes.LastText(), std::string("\"") + typed + "\" is no time of day (hh:mm).");
        EXPECT_EQ(sheet.StartZeit->text(), "09:05") << typed;
        EXPECT_DOUBLE_EQ(settings.AutoTasks[0].NextBackup, due) << typed;
    }
    EXPECT_EQ(boxes.ShownCount(), 4u);
}

TEST(AutoTaskSheet, TheWheelOverAClosedDropDownLeavesItsChoice)
{
    TProgramSettings settings;
    TAutoTaskSheet sheet(settings);
    sheet.ShowAutoTask(0);
    for (QComboBox* box : {sheet.AutoEndCbx, sheet.cbPriority}) {
        box->setCurrentIndex(1);
        QWheelEvent wheel(QPointF(5, 5), QPointF(box->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
        EXPECT_EQ(box->currentIndex(), 1);
        EXPECT_EQ(box->focusPolicy(), Qt::StrongFocus) << "the wheel does not take the focus either";
    }
}

TEST(AutoTaskSheet, TaskMadeOnThePageRunsByAutoAtItsTime)
{
    TScriptedMessageDialogs boxes;
    TTempFolder folder;
    TEnvGuard env;
    env.Set("XDG_CONFIG_HOME", folder.Host("config"));
    std::filesystem::create_directories(folder.Host("src"));
    std::filesystem::create_directories(folder.Host("dest"));
    std::ofstream(folder.Host("src/report.txt")) << "quarterly figures";

    TBackupTask task;
    TTaskFileEnv taskEnv;
    taskEnv.FileVersion = "0.1";
    task.Destination = folder.Win("dest");
    task.Compress = false;
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = folder.Win("src") + "\\";
    task.Sources.push_back(entry);
    const std::string taskFile = folder.Win("Nightly.buj");
    ASSERT_TRUE(WriteTaskFile(task, taskFile, 0, 0, taskEnv));

    TFakeClock clock;
    clock.Time = EncodeDateTime(2026, 12, 9, 10, 0, 0);
    TProgramSettings settings;
    settings.FileName = folder.Win("tessaro.ini");
    {
        TAutoTaskSheet sheet(settings);
        sheet.Host.TaskFile = [&] { return taskFile; };
        sheet.Host.HasSources = [] { return true; };
        sheet.Host.Now = [&] { return clock.Time; };
        sheet.AutoTaskBtnClick(2);
        sheet.AddActTaskClick();
        sheet.AutoStartRG->button(AutoDailyAt)->click();
        sheet.StartZeit->setText("10:30");
        emit sheet.StartZeit->editingFinished();
        sheet.AutoEndCbx->setCurrentIndex(EndNotVisible);
        sheet.StoreAutoTask(sheet.CurrentSlot);
    }
    const TAutoTask& made = settings.AutoTasks[2];
    EXPECT_EQ(made.Mode, AutoDailyAt);
    EXPECT_DOUBLE_EQ(made.NextBackup, EncodeDateTime(2026, 12, 9, 10, 30, 0));
    EXPECT_TRUE(settings.AutoFlags.StayInTray);
    ASSERT_TRUE(WriteSettings(settings));

    // The program started by "-auto" reads the slot and waits in the tray.
    TBackupForm editor;
    editor.ShowHeadlessHook = [] {};
    TQuietView view;
    TBuMain main(editor, view);
    main.Info.SettingsFile = settings.FileName;
    main.Info.ProgramFile = "C:\\usr\\bin\\tessaro";
    main.Info.BaseName = "tessaro";
    main.StartFlags = ScanStartFlags({"-auto"});
    main.ParseCommandLine({"-auto"});
    main.StartUp();
    for (int tick = 0; tick < 10 && view.TimerOn && !main.TrayWait; ++tick) {
        main.TimerTimer();
    }
    EXPECT_TRUE(main.TrayWait);
    EXPECT_TRUE(editor.Editor.Auto.TimerEnabled());
    EXPECT_FALSE(FoundBelow(folder.Host("dest"), "report.txt"));

    clock.Time = EncodeDateTime(2026, 12, 9, 10, 20, 0);
    editor.Editor.Auto.TimerTimer();
    EXPECT_FALSE(FoundBelow(folder.Host("dest"), "report.txt"));
    clock.Time = EncodeDateTime(2026, 12, 9, 10, 30, 10);
    editor.Editor.Auto.TimerTimer();
    EXPECT_TRUE(FoundBelow(folder.Host("dest"), "report.txt"));
    EXPECT_EQ(boxes.ShownCount(), 0u);

    TProgramSettings after;
    ReadSettings(settings.FileName, after, {});
    // The settings file keeps the used slots first.
    ASSERT_EQ(after.AutoTasks[0].Name, taskFile);
    EXPECT_GT(after.AutoTasks[0].LastRun, 0);
    EXPECT_DOUBLE_EQ(after.AutoTasks[0].NextBackup, EncodeDateTime(2026, 12, 10, 10, 30, 0));
}
