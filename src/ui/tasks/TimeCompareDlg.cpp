#include "ui/tasks/TimeCompareDlg.h"

#include "ui/tasks/DialogTools.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

TTimeCompareDialog::TTimeCompareDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Timestamp comparison of files"));
    edTimeDiff = new QSpinBox(this);
    edTimeDiff->setRange(0, 7200);
    edTimeDiff->setValue(2);
    cbDstIgnore = new QCheckBox(TrQ("Ignore 1 hour time difference from daylight saving time (winter - summer)"), this);
    auto* form = new QFormLayout;
    form->addRow(TrQ("Time compare tolerance in s:"), edTimeDiff);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(cbDstIgnore);
    layout->addWidget(OkCancelButtons(this));
}

bool TTimeCompareDialog::Execute(int32_t& tolerance, bool& ignoreHour)
{
    edTimeDiff->setValue(tolerance);
    cbDstIgnore->setChecked(ignoreHour);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    tolerance = edTimeDiff->value();
    ignoreHour = cbDstIgnore->isChecked();
    return true;
}
