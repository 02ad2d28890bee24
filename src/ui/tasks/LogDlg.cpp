#include "ui/tasks/LogDlg.h"

#include "tasks/OptionRules.h"
#include "ui/tasks/DialogTools.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

TLogDialog::TLogDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Log file settings"));
    auto* modeBox = new QGroupBox(TrQ("Mode:"), this);
    auto* modeLayout = new QVBoxLayout(modeBox);
    rgMode = new QButtonGroup(this);
    const char* const items[] = {TrNoopDefault("&off"), TrNoopDefault("&short"), TrNoopDefault("&long"),
                                 TrNoopDefault("&extended")};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(TrQ(items[i]), modeBox);
        rgMode->addButton(button, i);
        modeLayout->addWidget(button);
    }
    cbRestore = new QCheckBox(TrQ("on &Restore"), this);
    cbCleanup = new QCheckBox(TrQ("on &Clean up"), this);
    cbPrint = new QCheckBox(TrQ("&print automatically"), this);
    cbPrint->setToolTip(TrQ("Print log of last operation"));
    auto* flags = new QVBoxLayout;
    flags->addWidget(cbRestore);
    flags->addWidget(cbCleanup);
    flags->addWidget(cbPrint);
    flags->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(modeBox);
    row->addLayout(flags);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(OkCancelButtons(this));
}

void TLogDialog::ShowSetting(uint32_t setting)
{
    rgMode->button(static_cast<int>(std::min<uint32_t>(setting & 0x0F, 3)))->setChecked(true);
    cbRestore->setChecked((setting & 16) != 0);
    cbCleanup->setChecked((setting & 32) != 0);
    cbPrint->setChecked((setting & 64) != 0);
}

uint32_t TLogDialog::Setting() const
{
    return LogSettingOf(rgMode->checkedId(), cbRestore->isChecked(), cbCleanup->isChecked(), cbPrint->isChecked());
}

bool TLogDialog::Execute(uint32_t& setting)
{
    ShowSetting(setting);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    setting = Setting();
    return true;
}
