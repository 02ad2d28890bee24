#include "ui/tasks/DatumWahl.h"

#include "foundation/MessageDialogs.h"
#include "ui/foundation/QtTranslation.h"
#include "ui/tasks/DialogTools.h"
#include "ui/tasks/FilterDlg.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <tuple>

namespace {

const QDate DayZero(1899, 12, 30);

// Calendar fields, not elapsed time, so that a change of daylight saving moves nothing.
QDateTime ToQDateTime(double value)
{
    const double day = std::floor(value);
    const int ms = static_cast<int>(std::llround((value - day) * 86400000.0)) % 86400000;
    return QDateTime(DayZero.addDays(static_cast<qint64>(day)), QTime::fromMSecsSinceStartOfDay(ms));
}

double FromQDateTime(const QDateTime& value)
{
    return static_cast<double>(DayZero.daysTo(value.date())) + value.time().msecsSinceStartOfDay() / 86400000.0;
}

// Checking one box of an attribute's pair unchecks the other.
void PairBoxes(QCheckBox* only, QCheckBox* notSet)
{
    QObject::connect(only, &QCheckBox::toggled, notSet, [notSet](bool on) {
        if (on) {
            notSet->setChecked(false);
        }
    });
    QObject::connect(notSet, &QCheckBox::toggled, only, [only](bool on) {
        if (on) {
            only->setChecked(false);
        }
    });
}

} // namespace

TDatumWahlDialog::TDatumWahlDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Filter for files to backup"));
    auto* nameBox = new QGroupBox(TrQ("Filename filter"), this);
    nameBox->setToolTip(TrQ("Filter for filenames without extension"));
    Filter =
        new TNameFilterBox(nameBox, TrQ("all matching to"), TrQ("all not matching to"), TrQ("Use regular expressions"));
    (new QVBoxLayout(nameBox))->addWidget(Filter);

    auto* attrBox = new QGroupBox(TrQ("Attributes"), this);
    auto* attrGrid = new QGridLayout(attrBox);
    attrGrid->addWidget(new QLabel(TrQ("only"), attrBox), 0, 1);
    attrGrid->addWidget(new QLabel(TrQ("not"), attrBox), 0, 2);
    const char* const names[] = {TrNoopDefault("archive"), TrNoopDefault("read only"), TrNoopDefault("hidden"),
                                 TrNoopDefault("system")};
    QCheckBox** onlyBoxes[] = {&cbArcInclude, &cbRoInclude, &cbHidInclude, &cbSysInclude};
    QCheckBox** notBoxes[] = {&cbArcExclude, &cbRoExclude, &cbHidExclude, &cbSysExclude};
    for (int i = 0; i < 4; ++i) {
        attrGrid->addWidget(new QLabel(TrQ(names[i]), attrBox), i + 1, 0);
        *onlyBoxes[i] = new QCheckBox(attrBox);
        *notBoxes[i] = new QCheckBox(attrBox);
        attrGrid->addWidget(*onlyBoxes[i], i + 1, 1);
        attrGrid->addWidget(*notBoxes[i], i + 1, 2);
        PairBoxes(*onlyBoxes[i], *notBoxes[i]);
    }

    auto* sizeBox = new QGroupBox(TrQ("File size"), this);
    rbSzAll = new QRadioButton(TrQ("all"), sizeBox);
    rbSzSmaller = new QRadioButton(TrQ("smaller than"), sizeBox);
    rbSzLarger = new QRadioButton(TrQ("larger than"), sizeBox);
    rbSzBetween = new QRadioButton(TrQ("between"), sizeBox);
    edMin = new QLineEdit(sizeBox);
    edMax = new QLineEdit(sizeBox);
    lblAnd = new QLabel(TrQ("and"), sizeBox);
    auto* sizeGrid = new QGridLayout(sizeBox);
    sizeGrid->addWidget(rbSzAll, 0, 0);
    sizeGrid->addWidget(rbSzSmaller, 1, 0);
    sizeGrid->addWidget(rbSzLarger, 2, 0);
    sizeGrid->addWidget(rbSzBetween, 3, 0);
    auto* sizeEdits = new QHBoxLayout;
    sizeEdits->addWidget(edMin);
    sizeEdits->addWidget(lblAnd);
    sizeEdits->addWidget(edMax);
    sizeGrid->addLayout(sizeEdits, 4, 0);

    auto* timeBox = new QGroupBox(TrQ("Time slot"), this);
    rbTmAll = new QRadioButton(TrQ("all"), timeBox);
    rbTmNewer = new QRadioButton(TrQ("newer than"), timeBox);
    rbTmOlder = new QRadioButton(TrQ("older than"), timeBox);
    rbTmSpan = new QRadioButton(TrQ("time period"), timeBox);
    rbTmToday = new QRadioButton(TrQ("today from"), timeBox);
    rbTmLastDays = new QRadioButton(TrQ("not older than"), timeBox);
    FromDate = new QDateTimeEdit(timeBox);
    FromDate->setCalendarPopup(true);
    ToDate = new QDateTimeEdit(timeBox);
    ToDate->setCalendarPopup(true);
    ToDate->setDisplayFormat(DateFieldFormat());
    lblFrom = new QLabel(TrQ("from:"), timeBox);
    lblTo = new QLabel(TrQ("to:"), timeBox);
    DaysEdit = new QSpinBox(timeBox);
    DaysEdit->setRange(1, 9999);
    DaysEdit->setValue(1);
    lblDays = new QLabel(TrQ("days"), timeBox);
    auto* timeGrid = new QGridLayout(timeBox);
    QRadioButton* timeButtons[] = {rbTmAll, rbTmNewer, rbTmOlder, rbTmSpan, rbTmToday, rbTmLastDays};
    for (int i = 0; i < 6; ++i) {
        timeGrid->addWidget(timeButtons[i], i, 0);
    }
    timeGrid->addWidget(lblFrom, 1, 1);
    timeGrid->addWidget(FromDate, 1, 2);
    timeGrid->addWidget(lblTo, 2, 1);
    timeGrid->addWidget(ToDate, 2, 2);
    timeGrid->addWidget(DaysEdit, 3, 2);
    timeGrid->addWidget(lblDays, 3, 3);
    timeGrid->setColumnStretch(2, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(nameBox);
    left->addWidget(timeBox);
    auto* right = new QVBoxLayout;
    right->addWidget(attrBox);
    right->addWidget(sizeBox);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(OkCancelButtons(this));

    for (QRadioButton* button : {rbSzAll, rbSzSmaller, rbSzLarger, rbSzBetween, rbTmAll, rbTmNewer, rbTmOlder, rbTmSpan,
                                 rbTmToday, rbTmLastDays}) {
        connect(button, &QRadioButton::toggled, this, &TDatumWahlDialog::ShowModeControls);
    }
}

uint8_t TDatumWahlDialog::SizeMode() const
{
    return rbSzSmaller->isChecked()   ? SizeModeSmaller
           : rbSzLarger->isChecked()  ? SizeModeLarger
           : rbSzBetween->isChecked() ? SizeModeBetween
                                      : SizeModeAny;
}

uint8_t TDatumWahlDialog::TimeMode() const
{
    return rbTmNewer->isChecked()      ? TimeModeFrom
           : rbTmOlder->isChecked()    ? TimeModeUntil
           : rbTmSpan->isChecked()     ? TimeModeBetween
           : rbTmToday->isChecked()    ? TimeModeSinceTime
           : rbTmLastDays->isChecked() ? TimeModeLastDays
                                       : TimeModeAny;
}

void TDatumWahlDialog::ShowModeControls()
{
    const uint8_t size = SizeMode();
    edMax->setVisible(size == SizeModeSmaller || size == SizeModeBetween);
    edMin->setVisible(size == SizeModeLarger || size == SizeModeBetween);
    lblAnd->setVisible(size == SizeModeBetween);
    const uint8_t time = TimeMode();
    const QString dateFormat = DateFieldFormat();
    FromDate->setVisible(time == TimeModeFrom || time == TimeModeBetween || time == TimeModeSinceTime);
    FromDate->setDisplayFormat(time == TimeModeSinceTime ? QLocale().timeFormat(QLocale::ShortFormat) : dateFormat);
    ToDate->setVisible(time == TimeModeUntil || time == TimeModeBetween);
    lblFrom->setVisible(time == TimeModeBetween);
    lblTo->setVisible(time == TimeModeBetween);
    DaysEdit->setVisible(time == TimeModeLastDays);
    lblDays->setVisible(time == TimeModeLastDays);
}

void TDatumWahlDialog::ShowEntry(const TExtensionList& entry)
{
    const TDateWindowControls date = DateWindowControlsOf(entry.DateFilter);
    QRadioButton* timeButtons[] = {rbTmAll, rbTmNewer, rbTmOlder, rbTmSpan, rbTmToday, rbTmLastDays};
    timeButtons[date.Mode]->setChecked(true);
    FromDate->setDateTime(ToQDateTime(date.From));
    ToDate->setDateTime(ToQDateTime(date.To));
    DaysEdit->setValue(date.Days);
    QRadioButton* sizeButtons[] = {rbSzAll, rbSzSmaller, rbSzLarger, rbSzBetween};
    sizeButtons[entry.SizeMode <= SizeModeBetween ? entry.SizeMode : uint8_t{SizeModeAny}]->setChecked(true);
    minField.Show(entry.MinSize);
    maxField.Show(entry.MaxSize);
    edMin->setText(QStr(minField.Shown()));
    edMax->setText(QStr(maxField.Shown()));
    ShowModeControls();
    Filter->ShowFilter(entry.NameFilter);
    const uint8_t states[] = {entry.AttrArchive, entry.AttrReadOnly, entry.AttrHidden, entry.AttrSystem};
    QCheckBox* onlyBoxes[] = {cbArcInclude, cbRoInclude, cbHidInclude, cbSysInclude};
    QCheckBox* notBoxes[] = {cbArcExclude, cbRoExclude, cbHidExclude, cbSysExclude};
    for (int i = 0; i < 4; ++i) {
        onlyBoxes[i]->setChecked(states[i] == AttrRequired);
        notBoxes[i]->setChecked(states[i] == AttrExcluded);
    }
}

bool TDatumWahlDialog::CanClose()
{
    TExtensionList result(Scratch);
    if (!Filter->CommitFilter(result.NameFilter, DomainDefault, "")) {
        return false;
    }
    const uint8_t size = SizeMode();
    int64_t minSize = result.MinSize;
    int64_t maxSize = result.MaxSize;
    const bool needMax = size == SizeModeSmaller || size == SizeModeBetween;
    const bool needMin = size == SizeModeLarger || size == SizeModeBetween;
    for (auto [needed, edit, field, value] :
         {std::tuple{needMax, edMax, &maxField, &maxSize}, std::tuple{needMin, edMin, &minField, &minSize}}) {
        if (needed && !field->Read(edit->text().toStdString(), *value)) {
            ErrorDialogAt("", TrDefault("Invalid size value!"), CenteredPoint);
            edit->setFocus();
            return false;
        }
    }
    result.SizeMode = size;
    if (needMin) {
        result.MinSize = minSize;
    }
    if (needMax) {
        result.MaxSize = maxSize;
    }
    TDateWindowControls date;
    date.Mode = TimeMode();
    date.From = FromQDateTime(FromDate->dateTime());
    date.To = FromQDateTime(ToDate->dateTime());
    date.Days = DaysEdit->value();
    CommitDateWindow(date, result.DateFilter, RememberedScratch);
    result.AttrArchive = AttributeStateOf(cbArcInclude->isChecked(), cbArcExclude->isChecked());
    result.AttrReadOnly = AttributeStateOf(cbRoInclude->isChecked(), cbRoExclude->isChecked());
    result.AttrHidden = AttributeStateOf(cbHidInclude->isChecked(), cbHidExclude->isChecked());
    result.AttrSystem = AttributeStateOf(cbSysInclude->isChecked(), cbSysExclude->isChecked());
    Scratch = result;
    return true;
}

void TDatumWahlDialog::accept()
{
    if (CanClose()) {
        QDialog::accept();
    }
}

bool TDatumWahlDialog::Execute(TExtensionList& entry, TDateFilter& remembered)
{
    Scratch = entry;
    RememberedScratch = remembered;
    ShowEntry(entry);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    CopyTextFilter(Scratch.NameFilter, entry.NameFilter);
    entry.DateFilter = Scratch.DateFilter;
    entry.SizeMode = Scratch.SizeMode;
    entry.MinSize = Scratch.MinSize;
    entry.MaxSize = Scratch.MaxSize;
    entry.AttrArchive = Scratch.AttrArchive;
    entry.AttrReadOnly = Scratch.AttrReadOnly;
    entry.AttrHidden = Scratch.AttrHidden;
    entry.AttrSystem = Scratch.AttrSystem;
    remembered = RememberedScratch;
    return true;
}
