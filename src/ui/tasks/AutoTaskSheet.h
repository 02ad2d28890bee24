#pragma once

#include "tasks/AutoTaskPage.h"
#include "tasks/Settings.h"

#include <QWidget>
#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TAddProgramsDialog;
class TScheduleDialog;

// What the automatic-task page needs from the task editor around it.
struct TAutoTaskSheetHost
{
    // The editor's task: its file and whether it has source folders.
    std::function<std::string()> TaskFile;
    std::function<bool()> HasSources;
    // Lets unsaved changes go (saving them when the user wants); false stops.
    std::function<bool()> AskSaveChangedTask;
    // Loads a task file into the editor.
    std::function<void(const std::string& taskFile)> LoadTask;
    // The slots changed what the program does automatically (tray menu, timer).
    std::function<void()> AutoFlagsChanged;
    // "Instant task window update" of the editor's menu.
    std::function<bool()> InstantUpdate;
    // A file dialog for a task file (Windows path text); false on Cancel.
    std::function<bool(std::string& taskFile)> ChooseTaskFile;
    // Text of "Show all scheduled backups".
    std::function<std::string()> InfoText;
    // Folder of the task files, for browsing programs.
    std::function<std::string()> TaskDir;
    // The editor's clock.
    std::function<TDateTime()> Now;
};

// The editor's page of the eight automatic-task slots.
class TAutoTaskSheet : public QWidget
{
    Q_OBJECT
public:
    TAutoTaskSheet(TProgramSettings& settings, QWidget* parent = nullptr);
    ~TAutoTaskSheet() override;

    TAutoTaskSheetHost Host;
    int CurrentSlot = 0;
    // Automatic tasks switched off by the user ("Automatic backup tasks:" unchecked).
    bool AutoTasksOff = false;

    void ShowAutoTask(int slot);
    void StoreAutoTask(int slot);
    void UpdateAutoFlags();

    void AutoTaskBtnClick(int slot);
    void ShowTaskBtnClick();
    void AddActTaskClick();
    void AddTaskClick();
    void RemTaskClick();
    void ToolsBtnClick();
    void SchedBtnClick();
    void AutoStartRGClick(int mode);
    void AutoEnabledClick(bool checked);
    void StartTimeEdited();
    void BuInfoBtnClick();

    QButtonGroup* SlotButtons = nullptr;
    QLineEdit* edTaskName = nullptr;
    QLabel* lblLastBackup = nullptr;
    QButtonGroup* AutoStartRG = nullptr;
    QLineEdit* StartZeit = nullptr; // "hh:mm"
    QComboBox* cbPriority = nullptr;
    QComboBox* AutoEndCbx = nullptr;
    QPushButton* SchedBtn = nullptr;
    QLabel* lblSchedInfo = nullptr;
    QPushButton* ToolsBtn = nullptr;
    QPushButton* ShowTaskBtn = nullptr;
    QPushButton* AddActTask = nullptr;
    QPushButton* AddTask = nullptr;
    QPushButton* RemTask = nullptr;
    QCheckBox* AutoEnabled = nullptr;
    QPushButton* BuInfoBtn = nullptr;
    TScheduleDialog* ScheduleDialog = nullptr;
    TAddProgramsDialog* ProgramsDialog = nullptr;

private:
    QWidget* MakeSlotRow();
    void AfterSlotChange();
    void ShowAutoEnabled(bool checked);
    void PutTask(const std::string& taskFile);
    TAutoTask& Slot() { return settings.AutoTasks[static_cast<size_t>(CurrentSlot)]; }
    TDateTime NowTime() const;
    TProgramSettings& settings;
    bool updating = false;
};
