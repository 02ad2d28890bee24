#include "ui/tasks/FilterDlg.h"

#include "foundation/MessageDialogs.h"
#include "tasks/FilterRules.h"
#include "tasks/TaskModel.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/tasks/DialogTools.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

TNameFilterBox::TNameFilterBox(QWidget* parent, const QString& include, const QString& exclude, const QString& regEx)
    : QWidget(parent)
{
    IncMaskBtn = new QRadioButton(include, this);
    ExcMaskBtn = new QRadioButton(exclude, this);
    NoMaskBtn = new QRadioButton(TrQ("off"), this);
    NoMaskBtn->setChecked(true);
    RegExpCB = new QCheckBox(regEx, this);
    cbxFilter = new THistoryCombo(this);
    cbxFilter->SetMaxItems(15);
    cbxFilter->setMinimumWidth(260);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(IncMaskBtn);
    buttons->addWidget(ExcMaskBtn);
    buttons->addWidget(NoMaskBtn);
    buttons->addStretch();
    auto* form = new QFormLayout;
    form->addRow(TrQ("Mask:"), cbxFilter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(RegExpCB);
    layout->addLayout(form);
    for (QRadioButton* button : {IncMaskBtn, ExcMaskBtn, NoMaskBtn}) {
        connect(button, &QRadioButton::clicked, this, &TNameFilterBox::EnableMask);
    }
}

void TNameFilterBox::EnableMask()
{
    cbxFilter->setEnabled(!NoMaskBtn->isChecked());
}

void TNameFilterBox::ShowFilter(const TTextFilter& filter)
{
    const TNameFilterControls controls = NameFilterControlsOf(filter);
    cbxFilter->Refresh();
    cbxFilter->SetText(controls.Text);
    RegExpCB->setChecked(controls.RegEx);
    (controls.Mode == TTextFilter::ModeInclude   ? IncMaskBtn
     : controls.Mode == TTextFilter::ModeExclude ? ExcMaskBtn
                                                 : NoMaskBtn)
        ->setChecked(true);
    EnableMask();
}

bool TNameFilterBox::CommitFilter(TTextFilter& filter, const char* errorDomain, const std::string& errorCaption)
{
    TNameFilterControls controls;
    controls.Text = cbxFilter->Text();
    controls.RegEx = RegExpCB->isChecked();
    controls.Mode = IncMaskBtn->isChecked()   ? TTextFilter::ModeInclude
                    : ExcMaskBtn->isChecked() ? TTextFilter::ModeExclude
                                              : TTextFilter::ModeOff;
    std::string history;
    if (!CommitNameFilter(controls, filter, history)) {
        ErrorDialog(errorCaption, InvalidMaskText(errorDomain, controls.RegEx));
        cbxFilter->setFocus();
        return false;
    }
    if (!history.empty()) {
        cbxFilter->AddItem(history);
    }
    return true;
}

TFilterDialog::TFilterDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Text filter dialog"));
    Filter = new TNameFilterBox(this, TrQ("only these"), TrQ("all except of"), TrQ("Regular expression"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Filter);
    layout->addWidget(OkCancelButtons(this));
}

void TFilterDialog::accept()
{
    if (Filter->CommitFilter(Scratch, DomainDialogs, windowTitle().toStdString())) {
        QDialog::accept();
    }
}

void TFilterDialog::LoadFromIni(const std::string& iniName, const std::string& section)
{
    Filter->cbxFilter->LoadHistory(iniName, section);
}

bool TFilterDialog::Execute(const std::string& caption, TTextFilter& filter)
{
    setWindowTitle(QStr(caption));
    CopyTextFilter(filter, Scratch);
    Filter->ShowFilter(filter);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    CopyTextFilter(Scratch, filter);
    return true;
}
