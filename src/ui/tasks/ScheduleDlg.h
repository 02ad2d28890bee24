#pragma once

#include "tasks/Schedule.h"

#include <QDialog>
#include <memory>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QSpinBox;

// The rotation and full-backup scheme of one automatic task.
class TScheduleDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TScheduleDialog(QWidget* parent = nullptr);
    ~TScheduleDialog() override;

    // On OK the block takes the dialog's values; Cancel leaves it untouched.
    bool Execute(TSchedule& schedule);
    // Sets up the controls for the block (Execute without the modal loop).
    void ShowSchedule(const TSchedule& schedule, TDateTime today);
    TSchedule Schedule() const;

    QButtonGroup* rgSched = nullptr;
    QSpinBox* ZyklusEdit = nullptr;
    QSpinBox* AktZykEdit = nullptr;
    QButtonGroup* rgMode = nullptr;
    QGroupBox* rgModeBox = nullptr;
    QGroupBox* gbFull = nullptr;
    QComboBox* cbFull = nullptr;

private:
    // Shows the edit's state; signals stay blocked so that showing never edits.
    void ShowControls();
    std::unique_ptr<TScheduleEdit> edit;
};
