#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QSpinBox;

// The time-stamp tolerance and the daylight-saving option of a task.
class TTimeCompareDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TTimeCompareDialog(QWidget* parent = nullptr);

    bool Execute(int32_t& tolerance, bool& ignoreHour);

    QSpinBox* edTimeDiff = nullptr;
    QCheckBox* cbDstIgnore = nullptr;
};
