#pragma once

#include "restore/ConfirmFiles.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QTreeWidget;

// The confirmation list window over TConfirmSelection.
class TConfirmFilesDialog : public QDialog, public IConfirmFiles
{
    Q_OBJECT
public:
    explicit TConfirmFilesDialog(QWidget* parent = nullptr);

    bool Execute(const TConfirmRequest& request, TTransferList& list) override;
    // Shows the list without the modal loop (screenshots, tests); Execute uses it too.
    void ShowList(const TConfirmRequest& request, TTransferList& list);
    void accept() override;

    QLabel* lblWarning = nullptr; // hidden unless the run asks for a warning
    QTreeWidget* lvwFiles = nullptr;
    QLabel* lblBase = nullptr;
    QLabel* lblDir = nullptr;
    QLabel* lblDest = nullptr;
    QLabel* lblHinweis1 = nullptr;
    QLabel* lblHinweis2 = nullptr;
    QLabel* lblHinweis3 = nullptr;
    QLabel* lblConfirm = nullptr;
    QCheckBox* cbxSelected = nullptr;
    QLabel* lblCount = nullptr;
    QLabel* lbSize = nullptr;

private:
    void Refresh();
    std::unique_ptr<TConfirmSelection> selection;
    TConfirmMode mode = TConfirmMode::Restore;
    bool filling = false;
};

// The window answers the runs' confirmation requests while this lives.
class TScopedConfirmFiles
{
public:
    explicit TScopedConfirmFiles(IConfirmFiles* confirm) { RegisterConfirmFiles(confirm); }
    ~TScopedConfirmFiles() { RegisterConfirmFiles(nullptr); }
    TScopedConfirmFiles(const TScopedConfirmFiles&) = delete;
    TScopedConfirmFiles& operator=(const TScopedConfirmFiles&) = delete;
};
