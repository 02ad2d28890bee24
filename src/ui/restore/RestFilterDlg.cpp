#include "ui/restore/RestFilterDlg.h"

#include "foundation/MessageDialogs.h"
#include "platform/Drives.h"
#include "restore/Restore.h"
#include "tasks/BackupNames.h"
#include "tasks/TaskModel.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/tasks/DialogTools.h"
#include "ui/tasks/FilterDlg.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TRestoreFilterDialog::TRestoreFilterDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("File filter on restore"));
    pcFilterMode = new QTabWidget(this);
    tsNormal = new QWidget(pcFilterMode);
    Filter = new TNameFilterBox(tsNormal, TrQ("all matching to"), TrQ("all not matching to"),
                                TrQ("Use regular expressions"));
    auto* normalLayout = new QVBoxLayout(tsNormal);
    normalLayout->addWidget(Filter);
    normalLayout->addStretch();
    tsSuffix = new QWidget(pcFilterMode);
    cbxSuffix = new THistoryCombo(tsSuffix);
    cbxSuffix->SetMaxItems(15);
    cbxSuffix->setMinimumWidth(160);
    btnSearch = new QPushButton(TrQ("Search for"), tsSuffix);
    auto* suffixRow = new QHBoxLayout;
    suffixRow->addWidget(new QLabel("*.", tsSuffix));
    suffixRow->addWidget(cbxSuffix, 1);
    suffixRow->addWidget(new QLabel(".ext", tsSuffix));
    suffixRow->addWidget(btnSearch);
    auto* suffixLayout = new QVBoxLayout(tsSuffix);
    suffixLayout->addLayout(suffixRow);
    suffixLayout->addStretch();
    pcFilterMode->addTab(tsNormal, TrQ("&all files"));
    pcFilterMode->addTab(tsSuffix, TrQ("&Backup copies"));

    QDialogButtonBox* buttons = OkCancelButtons(this);
    OKBtn = qobject_cast<QPushButton*>(buttons->buttons().value(0));
    CancelBtn = qobject_cast<QPushButton*>(buttons->buttons().value(1));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pcFilterMode);
    layout->addWidget(buttons);

    connect(btnSearch, &QPushButton::clicked, this, &TRestoreFilterDialog::SearchClick);
    connect(pcFilterMode, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 0) {
            Filter->cbxFilter->setFocus();
        } else {
            cbxSuffix->setFocus();
        }
    });
    ChooseFile = [this](const std::string& start) {
        const QString filter =
            TrQ("all") + " (*);;" + TrQ("GZip files") + " (*.gz);;" + TrQ("Encrypted files") + " (*.enc)";
        const QString host = QStr(Platform::WinToHost(start).value_or(std::string()));
        return QFileDialog::getOpenFileName(this, windowTitle(), host, filter).toStdString();
    };
}

void TRestoreFilterDialog::LoadFromIni(const std::string& iniName)
{
    Filter->cbxFilter->LoadHistory(iniName, "RestFilter");
    cbxSuffix->LoadHistory(iniName, "RestSuffix");
}

void TRestoreFilterDialog::SearchClick()
{
    const std::string chosen = ChooseFile(sourceFolder);
    if (!chosen.empty()) {
        cbxSuffix->SetText(KeptVersionSuffix(chosen));
    }
}

bool TRestoreFilterDialog::Execute(const std::string& source, bool& backupCopies, TTextFilter& filter,
                                   std::string& suffix)
{
    sourceFolder = source;
    CopyTextFilter(filter, Scratch);
    Filter->ShowFilter(filter);
    cbxSuffix->Refresh();
    cbxSuffix->SetText(suffix);
    pcFilterMode->setCurrentIndex(backupCopies ? 1 : 0);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    backupCopies = pcFilterMode->currentIndex() == 1;
    if (backupCopies) {
        suffix = cbxSuffix->Text();
    } else {
        CopyTextFilter(Scratch, filter);
    }
    return true;
}

void TRestoreFilterDialog::accept()
{
    if (pcFilterMode->currentIndex() == 1) {
        if (!ValidKeptVersionSuffix(cbxSuffix->Text())) {
            MessageDialog(windowTitle().toStdString(), TrDefault("Invalid filter to select backup copies!"),
                          TMsgDlgType::Warning, MbOk);
            cbxSuffix->setFocus();
            return;
        }
        cbxSuffix->AddItem(cbxSuffix->Text());
    } else if (!Filter->CommitFilter(Scratch, DomainDefault, windowTitle().toStdString())) {
        return;
    }
    QDialog::accept();
}
