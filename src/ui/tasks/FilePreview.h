#pragma once

#include "tasks/BackupWalk.h"

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;
class TPreviewModel;

// Shows which files of a source entry the selection takes: folder lines and file lines
// with name, date and size.
class TShowFilePreview : public QDialog
{
    Q_OBJECT
public:
    explicit TShowFilePreview(QWidget* parent = nullptr);
    ~TShowFilePreview() override;

    // The list stays the caller's and is only read.
    bool Execute(const std::string& caption, const std::string& baseFolder, const std::vector<TPreviewLine>& list,
                 const std::string& note);
    void ShowList(const std::string& caption, const std::string& baseFolder, const std::vector<TPreviewLine>& list,
                  const std::string& note);
    int RowCount() const;
    // Texts of one shown row: name, date and size columns.
    std::vector<std::string> RowTexts(int row) const;

    QLineEdit* lblBase = nullptr;
    QTableView* lvwFiles = nullptr;
    QCheckBox* cbxAllDirs = nullptr;
    QLabel* lblHinweis1 = nullptr;

private:
    TPreviewModel* model = nullptr;
};
