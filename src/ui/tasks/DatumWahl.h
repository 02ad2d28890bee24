#pragma once

#include "tasks/FilterRules.h"
#include "tasks/TaskModel.h"

#include <QDialog>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TNameFilterBox;

// The whole file selection of one source entry: the name filter, the time slot, the
// size range and the four attribute conditions.
class TDatumWahlDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TDatumWahlDialog(QWidget* parent = nullptr);

    // On OK the entry takes the dialog's name filter, date window, size range and
    // attributes, and `remembered` the dates the date mode uses; Cancel changes nothing.
    bool Execute(TExtensionList& entry, TDateFilter& remembered);
    void ShowEntry(const TExtensionList& entry);
    // The close check and the write-back into the scratch copy; false keeps the dialog open.
    bool CanClose();
    // OK closes only after the close check passed.
    void accept() override;

    TNameFilterBox* Filter = nullptr;
    QCheckBox* cbArcInclude = nullptr;
    QCheckBox* cbRoInclude = nullptr;
    QCheckBox* cbHidInclude = nullptr;
    QCheckBox* cbSysInclude = nullptr;
    QCheckBox* cbArcExclude = nullptr;
    QCheckBox* cbRoExclude = nullptr;
    QCheckBox* cbHidExclude = nullptr;
    QCheckBox* cbSysExclude = nullptr;
    QRadioButton* rbSzAll = nullptr;
    QRadioButton* rbSzSmaller = nullptr;
    QRadioButton* rbSzLarger = nullptr;
    QRadioButton* rbSzBetween = nullptr;
    QLineEdit* edMin = nullptr;
    QLineEdit* edMax = nullptr;
    QLabel* lblAnd = nullptr;
    QRadioButton* rbTmAll = nullptr;
    QRadioButton* rbTmNewer = nullptr;
    QRadioButton* rbTmOlder = nullptr;
    QRadioButton* rbTmSpan = nullptr;
    QRadioButton* rbTmToday = nullptr;
    QRadioButton* rbTmLastDays = nullptr;
    QDateTimeEdit* FromDate = nullptr;
    QDateTimeEdit* ToDate = nullptr;
    QLabel* lblFrom = nullptr;
    QLabel* lblTo = nullptr;
    QSpinBox* DaysEdit = nullptr;
    QLabel* lblDays = nullptr;

    // The values the dialog works on while it is open.
    TExtensionList Scratch;
    TDateFilter RememberedScratch;

private:
    void ShowModeControls();
    uint8_t SizeMode() const;
    uint8_t TimeMode() const;
    TSizeField minField;
    TSizeField maxField;
};
