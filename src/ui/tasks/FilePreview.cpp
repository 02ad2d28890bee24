#include "ui/tasks/FilePreview.h"

#include "platform/Drives.h"
#include "tasks/PreviewRows.h"
#include "ui/tasks/DialogTools.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

// Rows are made on demand from the caller's list through the index of shown lines.
class TPreviewModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetList(const std::vector<TPreviewLine>* lines, bool allDirs)
    {
        beginResetModel();
        list = lines;
        rows = lines ? PreviewRows(*lines, allDirs) : std::vector<size_t>{};
        endResetModel();
    }

    TPreviewRow Row(int row) const { return PreviewRowOf((*list)[rows[static_cast<size_t>(row)]]); }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) {
            return {};
        }
        const TPreviewRow row = Row(index.row());
        switch (role) {
        case Qt::DisplayRole:
            return QStr(index.column() == 0 ? row.Name : index.column() == 1 ? row.Date : row.Size);
        case Qt::DecorationRole:
            if (index.column() == 0) {
                return QApplication::style()->standardIcon(row.Picture == PreviewPictureFile ? QStyle::SP_FileIcon
                                                           : row.Picture == PreviewPictureCounted
                                                               ? QStyle::SP_DirOpenIcon
                                                               : QStyle::SP_DirIcon);
            }
            return {};
        case Qt::ForegroundRole:
            return row.Picture == PreviewPictureCounted ? QVariant(QColor(Qt::blue)) : QVariant();
        case Qt::TextAlignmentRole:
            return index.column() == 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return {};
        }
        return section == 0 ? TrQ("Name") : section == 1 ? TrQ("Date") : TrQ("Size");
    }

private:
    const std::vector<TPreviewLine>* list = nullptr;
    std::vector<size_t> rows;
};

TShowFilePreview::TShowFilePreview(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Backup selection preview"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    lblBase = new QLineEdit(this);
    lblBase->setReadOnly(true);
    model = new TPreviewModel(this);
    lvwFiles = new QTableView(this);
    lvwFiles->setModel(model);
    lvwFiles->setShowGrid(false);
    lvwFiles->verticalHeader()->hide();
    lvwFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwFiles->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvwFiles->horizontalHeader()->resizeSection(1, 150);
    lvwFiles->horizontalHeader()->resizeSection(2, 90);
    lvwFiles->verticalHeader()->setDefaultSectionSize(lvwFiles->fontMetrics().height() + 4);
    cbxAllDirs = new QCheckBox(TrQ("Show all directories"), this);
    lblHinweis1 = new QLabel(this);
    auto* ok = new QPushButton(TrQ("OK"), this);
    ok->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cbxAllDirs);
    bottom->addWidget(lblHinweis1, 1);
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblBase);
    layout->addWidget(lvwFiles, 1);
    layout->addLayout(bottom);
    resize(620, 440);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

TShowFilePreview::~TShowFilePreview() = default;

void TShowFilePreview::ShowList(const std::string& caption, const std::string& baseFolder,
                                const std::vector<TPreviewLine>& list, const std::string& note)
{
    setWindowTitle(QStr(caption));
    lblBase->setText(QStr(Platform::WinToHost(baseFolder).value_or(baseFolder)));
    lblBase->setCursorPosition(0);
    lblHinweis1->setText(QStr(note));
    model->SetList(&list, cbxAllDirs->isChecked());
    disconnect(cbxAllDirs, nullptr, this, nullptr);
    connect(cbxAllDirs, &QCheckBox::toggled, this, [this, &list](bool all) { model->SetList(&list, all); });
}

bool TShowFilePreview::Execute(const std::string& caption, const std::string& baseFolder,
                               const std::vector<TPreviewLine>& list, const std::string& note)
{
    ShowList(caption, baseFolder, list, note);
    const bool ok = exec() == QDialog::Accepted;
    model->SetList(nullptr, false); // the list is the caller's and may go now
    return ok;
}

int TShowFilePreview::RowCount() const
{
    return model->rowCount();
}

std::vector<std::string> TShowFilePreview::RowTexts(int row) const
{
    const TPreviewRow r = model->Row(row);
    return {r.Name, r.Date, r.Size};
}
