#pragma once

#include <QDialog>
#include <cstdint>

class QButtonGroup;
class QCheckBox;

// The log setting: mode and whether restores and clean-ups are logged and the log of
// each operation printed.
class TLogDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TLogDialog(QWidget* parent = nullptr);

    bool Execute(uint32_t& setting);
    void ShowSetting(uint32_t setting);
    uint32_t Setting() const;

    QButtonGroup* rgMode = nullptr;
    QCheckBox* cbRestore = nullptr;
    QCheckBox* cbCleanup = nullptr;
    QCheckBox* cbPrint = nullptr;
};
