#include "ui/restore/ConfirmFilesDlg.h"

#include "foundation/DateUtils.h"
#include "foundation/MessageDialogs.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "platform/Drives.h"
#include "ui/tasks/DialogTools.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

TConfirmFilesDialog::TConfirmFilesDialog(QWidget* parent) : QDialog(parent)
{
    lblWarning = new QLabel(this);
    lblWarning->setStyleSheet("color: red; font-weight: bold");
    lblWarning->setWordWrap(true);
    lblDir = new QLabel(this);
    lblBase = new QLabel(this);
    lblDest = new QLabel(this);
    lblHinweis1 = new QLabel(this);
    lblHinweis2 = new QLabel(this);
    lblHinweis3 = new QLabel(this);
    lvwFiles = new QTreeWidget(this);
    lvwFiles->setRootIsDecorated(false);
    lvwFiles->setColumnCount(3);
    lvwFiles->setHeaderLabels({TrQ("Name"), TrQ("Date"), TrQ("Size")});
    lvwFiles->setSelectionMode(QAbstractItemView::NoSelection);
    lvwFiles->setMinimumSize(520, 260);
    lblConfirm = new QLabel(this);
    cbxSelected = new QCheckBox(this);
    lblCount = new QLabel(this);
    lbSize = new QLabel(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, this);
    buttons->button(QDialogButtonBox::Yes)->setText(TrQ("Yes"));
    buttons->button(QDialogButtonBox::No)->setText(TrQ("No"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* head = new QGridLayout;
    head->addWidget(lblDir, 0, 0);
    head->addWidget(lblBase, 0, 1);
    head->addWidget(lblDest, 1, 0, 1, 2);
    head->addWidget(lblHinweis1, 2, 0, 1, 2);
    head->addWidget(lblHinweis2, 3, 0, 1, 2);
    head->addWidget(lblHinweis3, 4, 0, 1, 2);
    head->setColumnStretch(1, 1);
    auto* counts = new QHBoxLayout;
    counts->addWidget(cbxSelected);
    counts->addStretch();
    counts->addWidget(lblCount);
    counts->addSpacing(20);
    counts->addWidget(lbSize);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWarning);
    layout->addLayout(head);
    layout->addWidget(lvwFiles, 1);
    layout->addLayout(counts);
    layout->addWidget(lblConfirm);
    layout->addWidget(buttons);

    connect(lvwFiles, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item, int) {
        if (!selection || filling) {
            return;
        }
        const Qt::KeyboardModifiers keys = QApplication::keyboardModifiers();
        selection->Press(lvwFiles->indexOfTopLevelItem(item), keys & Qt::ShiftModifier, keys & Qt::ControlModifier);
        Refresh();
    });
    connect(cbxSelected, &QCheckBox::clicked, this, [this](bool checked) {
        if (selection) {
            selection->SetOnlySelected(checked);
            Refresh();
        }
    });
}

void TConfirmFilesDialog::ShowList(const TConfirmRequest& request, TTransferList& list)
{
    mode = request.Mode;
    selection = std::make_unique<TConfirmSelection>(mode, list);
    const TConfirmTexts texts = ConfirmTexts(mode);
    setWindowTitle(QStr(texts.Caption));
    lblDir->setText(QStr(texts.DirLabel) + ":");
    lblBase->setText(QStr(HostPathsInText(RemovePathDelimiter(request.BaseFolder))));
    lblDest->setText(
        mode == TConfirmMode::Restore
            ? QStr(HostPathsInText(request.DestText))
            : QStr(mode == TConfirmMode::DeleteFiles ? TrDefault("Files") + ":" : TrDefault("Directories") + ":"));
    lblWarning->setText(QStr(HostPathsInText(request.Warning)));
    lblWarning->setVisible(!request.Warning.empty());
    lblHinweis1->setText(QStr(HostPathsInText(request.Line1)));
    lblHinweis2->setText(QStr(HostPathsInText(request.Line2)));
    lblHinweis3->setText(QStr(HostPathsInText(request.Line3)));
    lblConfirm->setText(QStr(texts.Question));
    cbxSelected->setText(QStr(texts.OnlySelected));
    cbxSelected->setChecked(false);
    lvwFiles->headerItem()->setText(2, mode == TConfirmMode::DeleteFolders ? QString() : TrQ("Size"));
    filling = true;
    lvwFiles->clear();
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    for (int row = 0; row < selection->RowCount(); ++row) {
        const TTransferItem& item = selection->Row(row);
        auto* line = new QTreeWidgetItem(lvwFiles);
        line->setText(0, QStr(ShownListEntry(item.Text)));
        line->setIcon(0, item.Info.IsFolder() ? folderIcon : fileIcon);
        if (item.Info.IsFolder()) {
            line->setForeground(0, QColor(Qt::blue));
        }
        if (!item.Info.IsFolder() || mode == TConfirmMode::DeleteFolders) {
            TDateTime time = 0;
            if (DosTimeToDateTime(static_cast<TDosTime>(item.Info.Time), time)) {
                line->setText(1, QStr(DateTimeToStr(time)));
            }
            if (mode != TConfirmMode::DeleteFolders) {
                line->setText(2, QStr(SizeToText(item.Info.Size)));
                line->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            }
        }
    }
    filling = false;
    lvwFiles->header()->resizeSection(1, 140);
    lvwFiles->header()->resizeSection(2, 80);
    lvwFiles->header()->setStretchLastSection(false);
    lvwFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Refresh();
}

void TConfirmFilesDialog::Refresh()
{
    for (int row = 0; row < selection->RowCount(); ++row) {
        QTreeWidgetItem* line = lvwFiles->topLevelItem(row);
        const bool selectable = selection->Selectable(row);
        const bool marked = selectable && selection->OnlySelected() && selection->Row(row).Info.Selected;
        line->setBackground(0, marked ? palette().highlight() : QBrush());
        line->setForeground(1, marked ? palette().highlightedText() : palette().text());
    }
    cbxSelected->setChecked(selection->OnlySelected());
    lblCount->setText(QStr(selection->CountText()));
    lbSize->setText(QStr(selection->SizeText()));
}

bool TConfirmFilesDialog::Execute(const TConfirmRequest& request, TTransferList& list)
{
    ShowList(request, list);
    const bool yes = exec() == QDialog::Accepted;
    selection.reset();
    return yes;
}

void TConfirmFilesDialog::accept()
{
    if (selection && !selection->MayAccept()) {
        MessageDialog(windowTitle().toStdString(), ConfirmTexts(mode).NothingSelected, TMsgDlgType::Warning, MbOk);
        return;
    }
    QDialog::accept();
}
