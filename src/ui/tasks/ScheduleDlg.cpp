#include "ui/tasks/ScheduleDlg.h"

#include "ui/tasks/DialogTools.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

TScheduleDialog::TScheduleDialog(QWidget* parent)
    : QDialog(parent), edit(std::make_unique<TScheduleEdit>(TSchedule{}, 0))
{
    setWindowTitle(TrQ("Schedule"));
    auto* schedBox = new QGroupBox(TrQ("Recurrence"), this);
    auto* schedGrid = new QGridLayout(schedBox);
    rgSched = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(QStr(RecurrenceItemText(i)), schedBox);
        rgSched->addButton(button, i);
        schedGrid->addWidget(button, i % 2, i / 2);
    }
    auto* cycleBox = new QGroupBox(TrQ("Cycle"), this);
    ZyklusEdit = new QSpinBox(cycleBox);
    ZyklusEdit->setRange(1, 31);
    ZyklusEdit->setToolTip(TrQ("Number of recurrent cycles"));
    AktZykEdit = new QSpinBox(cycleBox);
    AktZykEdit->setToolTip(TrQ("Number of actual cycle"));
    auto* cycleForm = new QFormLayout(cycleBox);
    cycleForm->addRow(TrQ("Count:"), ZyklusEdit);
    cycleForm->addRow(TrQ("actual:"), AktZykEdit);
    rgModeBox = new QGroupBox(TrQ("Backup mode"), this);
    auto* modeLayout = new QVBoxLayout(rgModeBox);
    rgMode = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        auto* button = new QRadioButton(QStr(SchemeItemText(i)), rgModeBox);
        rgMode->addButton(button, i);
        modeLayout->addWidget(button);
    }
    gbFull = new QGroupBox(TrQ("Full backup on"), this);
    cbFull = new QComboBox(gbFull);
    for (int day = 0; day < 7; ++day) {
        cbFull->addItem(QStr(WeekdayItemText(day)));
    }
    (new QVBoxLayout(gbFull))->addWidget(cbFull);
    auto* top = new QHBoxLayout;
    top->addWidget(schedBox, 1);
    top->addWidget(cycleBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rgModeBox);
    layout->addWidget(gbFull);
    layout->addStretch();
    layout->addWidget(OkCancelButtons(this));

    connect(rgSched, &QButtonGroup::idClicked, this, [this](int id) {
        edit->RecurrenceChosen(id);
        ShowControls();
    });
    connect(ZyklusEdit, &QSpinBox::valueChanged, this, [this](int value) {
        edit->CountChanged(value);
        ShowControls();
    });
    connect(AktZykEdit, &QSpinBox::valueChanged, this, [this](int value) { edit->ActualChanged(value); });
    connect(rgMode, &QButtonGroup::idClicked, this, [this](int id) {
        edit->SchemeChosen(id);
        ShowControls();
    });
    connect(cbFull, &QComboBox::activated, this, [this](int index) { edit->FullDayChosen(index); });
}

TScheduleDialog::~TScheduleDialog() = default;

void TScheduleDialog::ShowControls()
{
    const QSignalBlocker blockCount(ZyklusEdit);
    const QSignalBlocker blockActual(AktZykEdit);
    const QSignalBlocker blockFull(cbFull);
    const TScheduleControls& c = edit->Controls;
    rgSched->button(c.Recurrence)->setChecked(true);
    ZyklusEdit->setMaximum(c.CountMax);
    ZyklusEdit->setValue(c.Count);
    ZyklusEdit->setEnabled(c.CountEnabled);
    AktZykEdit->setRange(1, c.ActualMax);
    AktZykEdit->setValue(c.Actual);
    AktZykEdit->setEnabled(c.ActualEnabled);
    rgMode->button(c.Scheme)->setChecked(true);
    rgModeBox->setEnabled(c.SchemeEnabled);
    cbFull->setCurrentIndex(c.FullDay);
    gbFull->setVisible(c.FullDayVisible);
}

void TScheduleDialog::ShowSchedule(const TSchedule& schedule, TDateTime today)
{
    edit = std::make_unique<TScheduleEdit>(schedule, today);
    ShowControls();
}

TSchedule TScheduleDialog::Schedule() const
{
    return edit->Value;
}

bool TScheduleDialog::Execute(TSchedule& schedule)
{
    ShowSchedule(schedule, Date());
    if (exec() != QDialog::Accepted) {
        return false;
    }
    schedule = Schedule();
    return true;
}
