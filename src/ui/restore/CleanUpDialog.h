#pragma once

#include "restore/CleanUp.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

class QButtonGroup;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class THistoryCombo;
class TConfirmFilesDialog;
class TFilterDialog;
class TSelectFromListDialog;
class TShellDirDialog;

// The clean-up window: shows and edits the settings of a TCleanUp and starts its runs.
// Everything a run needs is read from the controls into TCleanUp::Settings first.
class TCleanUpDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TCleanUpDialog(TCleanUp& logic, QWidget* parent = nullptr);
    ~TCleanUpDialog() override;

    // Opened for a local backup folder (placeholder components are dropped) or an FTP folder.
    void Execute(const std::string& folder, int logMode);
    void ExecuteFtp(const TFtpParams& ftp, int logMode);
    // The two halves around the modal loop.
    void Prepare(const std::string& folder, bool ftp, int logMode);
    void Done();

    // Settings -> controls and back.
    void ShowSettings();
    void TakeSettings();

    // Close delay of the runs (the "wait" option).
    int CloseDelay = 5;
    // Choosers; tests replace them. An empty result means cancelled.
    std::function<std::string(const std::string& title, const std::string& start)> ChooseFolder;
    std::function<std::string(bool save, const std::string& title, const std::string& start)> ChooseTaskFile;
    // The FTP server dialog; false when cancelled. Without it the FTP page keeps its record.
    std::function<bool(TFtpParams& ftp)> EditFtp;
    // The list editor for the types (comma text in and out); false when cancelled.
    std::function<bool(std::string& types)> EditTypes;

    TCleanUp& Logic;

    THistoryCombo* BUVerz = nullptr;
    QToolButton* VerzBtn = nullptr;
    QTabWidget* pcBuDir = nullptr;
    QWidget* tsDir = nullptr;
    QWidget* tsFtp = nullptr;
    QLineEdit* edtFtp = nullptr;
    QToolButton* sbtFtp = nullptr;
    QGroupBox* rgAge = nullptr;
    QButtonGroup* ageButtons = nullptr;
    QDateEdit* DateTimePicker = nullptr;
    QGroupBox* gbTypes = nullptr;
    QCheckBox* IncludeTypesCB = nullptr;
    QCheckBox* ExcludeTypesCB = nullptr;
    QCheckBox* KompCB = nullptr;
    QLineEdit* TypenEdit = nullptr;
    QToolButton* TypenBtn = nullptr;
    QGroupBox* gbFilter = nullptr;
    QLabel* FilterText = nullptr;
    QToolButton* FilterBtn = nullptr;
    QGroupBox* gbSync = nullptr;
    QRadioButton* rbtNoSync = nullptr;
    QRadioButton* rbtSyncOrigin = nullptr;
    QRadioButton* rbtSyncSelect = nullptr;
    THistoryCombo* hcbSyncDir = nullptr;
    QToolButton* sbtSyncDir = nullptr;
    QGroupBox* gbOptions = nullptr;
    QRadioButton* rbFiles = nullptr;
    QRadioButton* rbDirs = nullptr;
    QGroupBox* gbRecycler = nullptr;
    QCheckBox* RecycleCB = nullptr;
    QLabel* lblSyncRefusal = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* LoadBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* btnBack = nullptr;

    void StartBtnClick();
    void LoadBtnClick();
    void SaveBtnClick();
    void VerzBtnClick();
    void SyncDirBtnClick();
    void FilterBtnClick();
    void TypenBtnClick();
    void PageChanged(int index);
    void SyncOriginClick();
    // What the backup folder allows for the synchronisation, when it is chosen or left.
    void JudgeFolder();
    void ModeChanged();
    void AgeChanged();
    void TypeBoxClicked(QCheckBox* box);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWidgets();
    void UpdateEnabling();
    void UpdateFilterText();
    void FillHistory(THistoryCombo* combo, const std::vector<std::string>& items, const std::string& text);
    void RememberHistory(THistoryCombo* combo, std::vector<std::string>& items);
    int TypeRule() const;
    void ShowOrigins();

    TOriginSync originSync;
    TConfirmFilesDialog* confirmDialog = nullptr;
    TFilterDialog* filterDialog = nullptr;
    TShellDirDialog* ownDirDialog = nullptr;
    TSelectFromListDialog* ownListDialog = nullptr;
};
