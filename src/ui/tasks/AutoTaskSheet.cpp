#include "ui/tasks/AutoTaskSheet.h"

#include "foundation/MessageDialogs.h"
#include "foundation/StringUtils.h"
#include "tasks/AutoTasks.h"
#include "tasks/IniValues.h"
#include "tasks/Schedule.h"
#include "ui/foundation/WheelGate.h"
#include "ui/tasks/AddPrograms.h"
#include "ui/tasks/DialogTools.h"
#include "ui/tasks/ScheduleDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

TAutoTaskSheet::TAutoTaskSheet(TProgramSettings& settings_, QWidget* parent) : QWidget(parent), settings(settings_)
{
    ScheduleDialog = new TScheduleDialog(this);
    ProgramsDialog = new TAddProgramsDialog(this);
    AutoEnabled = new QCheckBox(TrQ("Automatic backup tasks:"), this);
    edTaskName = new QLineEdit(this);
    edTaskName->setReadOnly(true);
    lblLastBackup = new QLabel(this);
    ShowTaskBtn = new QPushButton(TrQ("Show task"), this);
    AddActTask = new QPushButton(TrQ("Use actual task"), this);
    AddActTask->setToolTip(TrQ("Use actual task for automatic backup"));
    AddTask = new QPushButton(TrQ("Load task"), this);
    RemTask = new QPushButton(TrQ("Remove"), this);

    auto* modeBox = new QGroupBox(TrQ("Automatic backup:"), this);
    auto* modeLayout = new QVBoxLayout(modeBox);
    AutoStartRG = new QButtonGroup(this);
    const char* const modes[] = {TrNoopDefault("never"),          TrNoopDefault("always on logon"),
                                 TrNoopDefault("daily on logon"), TrNoopDefault("daily at"),
                                 TrNoopDefault("on logoff"),      TrNoopDefault("1x per week on logon")};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QRadioButton(TrQ(modes[i]), modeBox);
        AutoStartRG->addButton(button, i);
        if (i == AutoDailyAt) {
            StartZeit = new QLineEdit(modeBox);
            StartZeit->setFixedWidth(StartZeit->fontMetrics().horizontalAdvance("00:000") + 12);
            auto* row = new QHBoxLayout;
            row->addWidget(button);
            row->addWidget(StartZeit);
            row->addStretch();
            modeLayout->addLayout(row);
        } else {
            modeLayout->addWidget(button);
        }
    }
    cbPriority = new QComboBox(this);
    cbPriority->addItems({TrQ("normal"), TrQ("very low"), TrQ("low"), TrQ("high")});
    AutoEndCbx = new QComboBox(this);
    AutoEndCbx->addItems(
        {TrQ("wait for prompt"), TrQ("close after delay"), TrQ("not visible"), TrQ("wait for prompt on error")});
    auto* runForm = new QFormLayout;
    runForm->addRow(TrQ("Priority:"), cbPriority);
    runForm->addRow(TrQ("At the end:"), AutoEndCbx);
    TakeWheelOnlyWhenFocused(*cbPriority);
    TakeWheelOnlyWhenFocused(*AutoEndCbx);

    auto* schedBox = new QGroupBox(TrQ("Schedule"), this);
    SchedBtn = new QPushButton(TrQ("Settings"), schedBox);
    lblSchedInfo = new QLabel(schedBox);
    lblSchedInfo->setWordWrap(true);
    auto* schedLayout = new QHBoxLayout(schedBox);
    schedLayout->addWidget(lblSchedInfo, 1);
    schedLayout->addWidget(SchedBtn, 0, Qt::AlignTop);
    ToolsBtn = new QPushButton(TrQ("Apply external programs"), this);
    BuInfoBtn = new QPushButton(TrQ("Show all scheduled backups"), this);

    // One column: the sheet is a page of the editor's narrow left-hand page control.
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(TrQ("Backup task:"), this));
    nameRow->addWidget(edTaskName, 1);
    auto* lastRow = new QHBoxLayout;
    lastRow->addWidget(new QLabel(TrQ("Last backup:"), this));
    lastRow->addWidget(lblLastBackup, 1);
    auto* taskButtons = new QGridLayout;
    taskButtons->addWidget(ShowTaskBtn, 0, 0);
    taskButtons->addWidget(AddActTask, 0, 1);
    taskButtons->addWidget(AddTask, 1, 0);
    taskButtons->addWidget(RemTask, 1, 1);
    modeLayout->setSpacing(2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(AutoEnabled);
    layout->addWidget(MakeSlotRow());
    layout->addLayout(nameRow);
    layout->addLayout(lastRow);
    layout->addLayout(taskButtons);
    layout->addWidget(modeBox);
    layout->addLayout(runForm);
    layout->addWidget(schedBox);
    layout->addWidget(ToolsBtn);
    layout->addWidget(BuInfoBtn);
    layout->addStretch();

    connect(SlotButtons, &QButtonGroup::idClicked, this, &TAutoTaskSheet::AutoTaskBtnClick);
    connect(ShowTaskBtn, &QPushButton::clicked, this, &TAutoTaskSheet::ShowTaskBtnClick);
    connect(AddActTask, &QPushButton::clicked, this, &TAutoTaskSheet::AddActTaskClick);
    connect(AddTask, &QPushButton::clicked, this, &TAutoTaskSheet::AddTaskClick);
    connect(RemTask, &QPushButton::clicked, this, &TAutoTaskSheet::RemTaskClick);
    connect(ToolsBtn, &QPushButton::clicked, this, &TAutoTaskSheet::ToolsBtnClick);
    connect(SchedBtn, &QPushButton::clicked, this, &TAutoTaskSheet::SchedBtnClick);
    connect(AutoStartRG, &QButtonGroup::idClicked, this, &TAutoTaskSheet::AutoStartRGClick);
    connect(AutoEnabled, &QCheckBox::clicked, this, &TAutoTaskSheet::AutoEnabledClick);
    connect(BuInfoBtn, &QPushButton::clicked, this, &TAutoTaskSheet::BuInfoBtnClick);
    // The user's edits of the time, priority and end go into the slot at once.
    connect(StartZeit, &QLineEdit::editingFinished, this, &TAutoTaskSheet::StartTimeEdited);
    for (QComboBox* combo : {cbPriority, AutoEndCbx}) {
        connect(combo, &QComboBox::activated, this, [this] { StoreAutoTask(CurrentSlot); });
    }
}

TAutoTaskSheet::~TAutoTaskSheet() = default;

QWidget* TAutoTaskSheet::MakeSlotRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    SlotButtons = new QButtonGroup(this);
    SlotButtons->setExclusive(true);
    for (int slot = 0; slot < AutoTaskSlots; ++slot) {
        auto* button = new QToolButton(row);
        button->setText(QString::number(slot + 1));
        button->setCheckable(true);
        button->setMinimumWidth(24);
        SlotButtons->addButton(button, slot);
        layout->addWidget(button);
    }
    layout->addStretch();
    return row;
}

TDateTime TAutoTaskSheet::NowTime() const
{
    return Host.Now ? Host.Now() : Now();
}

void TAutoTaskSheet::ShowAutoTask(int slot)
{
    CurrentSlot = std::clamp(slot, 0, AutoTaskSlots - 1);
    updating = true;
    const QSignalBlocker blockTime(StartZeit);
    const TAutoTaskView view = AutoTaskViewOf(Slot());
    SlotButtons->button(CurrentSlot)->setChecked(true);
    edTaskName->setText(QStr(view.Name));
    lblLastBackup->setText(QStr(view.LastBackup));
    StartZeit->setText(QStr(view.StartTime));
    AutoStartRG->button(view.Mode)->setChecked(true);
    StartZeit->setEnabled(view.Mode == AutoDailyAt);
    lblSchedInfo->setText(QLines(view.Schedule));
    cbPriority->setCurrentIndex(view.PriorityIndex);
    AutoEndCbx->setCurrentIndex(view.EndIndex);
    ShowAutoEnabled(!AutoTasksOff && settings.AutoFlags.AutoStartNeeded);
    updating = false;
}

void TAutoTaskSheet::StoreAutoTask(int slot)
{
    TAutoTask& task = settings.AutoTasks[static_cast<size_t>(std::clamp(slot, 0, AutoTaskSlots - 1))];
    TAutoTaskInput input;
    input.Mode = std::max(AutoStartRG->checkedId(), 0);
    input.StartTime = StartZeit->text().toStdString();
    input.PriorityIndex = cbPriority->currentIndex();
    input.EndIndex = AutoEndCbx->currentIndex();
    StoreAutoTaskInput(input, task, NowTime());
    UpdateAutoFlags();
}

void TAutoTaskSheet::StartTimeEdited()
{
    if (updating) {
        return;
    }
    TDateTime time = 0;
    if (!ParseStartTime(StartZeit->text().toStdString(), time)) {
        // A time that is no time is refused; the slot keeps the time it had.
        const std::string refused = StartZeit->text().toStdString();
        StartZeit->setText(QStr(AutoTaskViewOf(Slot()).StartTime));
        ErrorDialog("", FormatText(TrDefault("\"%s\" is no time of day (hh:mm)."), refused));
        return;
    }
    StoreAutoTask(CurrentSlot);
    StartZeit->setText(QStr(AutoTaskViewOf(Slot()).StartTime));
}

void TAutoTaskSheet::ShowAutoEnabled(bool checked)
{
    const QSignalBlocker blockEnabled(AutoEnabled);
    AutoEnabled->setChecked(checked);
    // Nothing to start while every slot is off: the box says so instead of ignoring clicks.
    const bool anyAutomatic = ComputeAutoFlags(settings.AutoTasks).AutoStartNeeded;
    AutoEnabled->setEnabled(anyAutomatic);
    AutoEnabled->setToolTip(anyAutomatic ? QString() : TrQ("Choose below when a task runs automatically"));
}

void TAutoTaskSheet::UpdateAutoFlags()
{
    settings.AutoFlags = ComputeAutoFlags(settings.AutoTasks);
    if (AutoTasksOff) {
        settings.AutoFlags.StayInTray = false;
        settings.AutoFlags.AutoStartNeeded = false;
    }
    ShowAutoEnabled(settings.AutoFlags.AutoStartNeeded);
    if (Host.AutoFlagsChanged) {
        Host.AutoFlagsChanged();
    }
}

void TAutoTaskSheet::AutoTaskBtnClick(int slot)
{
    StoreAutoTask(CurrentSlot);
    CurrentSlot = std::clamp(slot, 0, AutoTaskSlots - 1);
    const TAutoTask& task = Slot();
    const std::string current = Host.TaskFile ? Host.TaskFile() : std::string();
    if (Host.InstantUpdate && Host.InstantUpdate() && !task.DisplayName.empty() &&
        !SameTextIgnoringCase(task.Name, current) && Host.LoadTask) {
        Host.LoadTask(task.Name);
    }
    ShowAutoTask(CurrentSlot);
}

void TAutoTaskSheet::ShowTaskBtnClick()
{
    if (!Slot().DisplayName.empty() && Host.LoadTask) {
        Host.LoadTask(Slot().Name);
    }
}

void TAutoTaskSheet::PutTask(const std::string& taskFile)
{
    PutTaskIntoSlot(Slot(), taskFile);
    AfterSlotChange();
}

void TAutoTaskSheet::AfterSlotChange()
{
    ShowAutoTask(CurrentSlot);
    UpdateAutoFlags();
}

void TAutoTaskSheet::AddActTaskClick()
{
    if (!Host.HasSources || !Host.HasSources()) {
        return;
    }
    if (Host.AskSaveChangedTask && !Host.AskSaveChangedTask()) {
        return;
    }
    const std::string file = Host.TaskFile ? Host.TaskFile() : std::string();
    if (file.empty()) {
        return;
    }
    if (!edTaskName->text().isEmpty()) {
        const std::string question =
            ReplaceText(TrDefault("Replace automatisc task nr. %u?"), "%u", std::to_string(CurrentSlot + 1));
        if (!ConfirmDialog("", question)) {
            return;
        }
    }
    PutTask(file);
}

void TAutoTaskSheet::AddTaskClick()
{
    std::string file;
    if (Host.ChooseTaskFile && Host.ChooseTaskFile(file) && !file.empty()) {
        PutTask(file);
    }
}

void TAutoTaskSheet::RemTaskClick()
{
    ClearSlot(Slot());
    AfterSlotChange();
}

void TAutoTaskSheet::ToolsBtnClick()
{
    TAutoTask& task = Slot();
    ProgramsDialog->Execute(Host.TaskDir ? Host.TaskDir() : std::string(), task.PreCommand, task.PreWait,
                            task.PostCommand, task.PostWait);
}

void TAutoTaskSheet::SchedBtnClick()
{
    TSchedule schedule = ScheduleOf(Slot());
    if (ScheduleDialog->Execute(schedule)) {
        SetSchedule(Slot(), schedule);
    }
    lblSchedInfo->setText(QLines(ScheduleSummary(ScheduleOf(Slot()))));
}

void TAutoTaskSheet::AutoStartRGClick(int mode)
{
    if (updating) {
        return;
    }
    if (mode != AutoNever && Slot().Free()) {
        const std::string file = Host.TaskFile ? Host.TaskFile() : std::string();
        if (!file.empty()) {
            PutTaskIntoSlot(Slot(), file);
            edTaskName->setText(QStr(Slot().DisplayName));
        }
    }
    AutoEndCbx->setCurrentIndex(EndModeForChoice(mode));
    StartZeit->setEnabled(mode == AutoDailyAt);
    StoreAutoTask(CurrentSlot);
    if (mode == AutoDailyAt) {
        StartZeit->setFocus();
    }
}

void TAutoTaskSheet::AutoEnabledClick(bool checked)
{
    AutoTasksOff = !checked;
    UpdateAutoFlags();
}

void TAutoTaskSheet::BuInfoBtnClick()
{
    InfoDialog("", Host.InfoText ? Host.InfoText() : std::string());
}
