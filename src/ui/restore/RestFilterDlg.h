#pragma once

#include "foundation/TextFilter.h"

#include <QDialog>
#include <functional>
#include <string>

class QPushButton;
class QTabWidget;
class THistoryCombo;
class TNameFilterBox;

// Chooses which backup files a restore takes: by a name filter, or as kept versions by
// their suffix. The dialog edits a scratch copy of the filter; the caller's values change
// only when OK passed its checks.
class TRestoreFilterDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TRestoreFilterDialog(QWidget* parent = nullptr);

    // The histories "RestFilter" and "RestSuffix" of the settings file; they are written
    // back there when the dialog goes.
    void LoadFromIni(const std::string& iniName);
    // sourceFolder (Windows text) is where the file search starts. True on OK.
    bool Execute(const std::string& sourceFolder, bool& backupCopies, TTextFilter& filter, std::string& suffix);
    void accept() override;

    // The file search of btnSearch; tests replace it. Empty when cancelled.
    std::function<std::string(const std::string& startFolder)> ChooseFile;

    QTabWidget* pcFilterMode = nullptr;
    QWidget* tsNormal = nullptr;
    QWidget* tsSuffix = nullptr;
    TNameFilterBox* Filter = nullptr;
    THistoryCombo* cbxSuffix = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    TTextFilter Scratch;

private:
    void SearchClick();

    std::string sourceFolder;
};
