#pragma once

// The restore dialog: edits TRestoreOptions and starts TRestoreRun.

#include "restore/Restore.h"
#include "tasks/TaskModel.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class TShellDirDialog;
class TTaskEditor;
class TRestorePwdDialog;
class TConfirmFilesDialog;
class TRestoreFilterDialog;
class TTimeCompareDialog;

class TRestoreDialog : public QDialog
{
    Q_OBJECT
public:
    TRestoreDialog(TTaskEditor& editor, QWidget* parent = nullptr);
    ~TRestoreDialog() override;

    // Shows the dialog for a backup folder (Windows text) and a default destination.
    void Execute(const std::string& source, const std::string& dest, int logMode);
    // The same on the FTP page for an FTP record (restoring from there is not done).
    void ExecuteFtp(const TFtpParams& ftp, const std::string& dest, int logMode);
    // The FTP server dialog; false when cancelled. Without it the FTP page keeps its record.
    std::function<bool(TFtpParams& ftp)> EditFtp;
    // A click on a page's tab: the FTP page needs a server first.
    void PageChanged(int index);
    void StartClick();
    // Fills the controls without showing the dialog modally (screenshots).
    void Prepare(const std::string& source, const std::string& dest);
    // Batch run of ".rsj" files; returns the outcome (0, 1, 2).
    int AutoRestore(const std::string& list, int logMode, bool quiet, int closeDelay);
    bool LoadTask(const std::string& file);
    bool SaveTask(const std::string& file);
    // The own settings and histories of the settings file (once), and of the filter dialog.
    void LoadFromIni(const std::string& settingsFile, const std::string& fallbackFile);
    void WriteToIni();
    // Closing: a loaded task gives way to the own settings again.
    void Done();
    // The folder the dialog offers as destination (the user's documents).
    std::string DocumentsDir;

    void FilterBtnClick();
    void TimeSettingsClick();
    TRestoreRun& Run() { return run; }

    QComboBox* hcbSource = nullptr;
    QToolButton* sbtSource = nullptr;
    QTabWidget* pcSource = nullptr;
    QLabel* edtFtp = nullptr;
    QToolButton* sbtFtp = nullptr;
    QGroupBox* gbxDest = nullptr;
    QRadioButton* rbtOrigin = nullptr;
    QRadioButton* rbtSelect = nullptr;
    QComboBox* hcbDest = nullptr;
    QToolButton* sbtDest = nullptr;
    QCheckBox* GzUnPackCB = nullptr;
    QButtonGroup* OverwriteRG = nullptr;
    QButtonGroup* RestoreRG = nullptr;
    QDateEdit* DateTimePicker = nullptr;
    QLabel* FilterText = nullptr;
    QPushButton* FilterBtn = nullptr;
    QPushButton* btnTimeSettings = nullptr;
    QPushButton* LoadBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QGroupBox* gbxRestore = nullptr;
    QPushButton* bbtStart = nullptr;
    QPushButton* bbtBack = nullptr;

private:
    void OptionsToControls();
    void ControlsToOptions();
    void UpdateFilterText();
    void ChooseFolder(QComboBox* box, std::vector<std::string>& history, const char* title);
    void ShowHistories();
    void UpdateTimeButton();
    void ShowTaskName(const std::string& file);

    TTaskEditor& editor;
    std::unique_ptr<TRestorePwdDialog> pwdDialog;
    std::unique_ptr<TConfirmFilesDialog> confirmDialog;
    TRestoreFilterDialog* filterDialog = nullptr;
    TTimeCompareDialog* timeDialog = nullptr;
    TRestoreRun run;
    TShellDirDialog* ownDirDialog = nullptr;
};

// The one restore dialog of the program, made on first use.
TRestoreDialog& TheRestoreDialog(TTaskEditor& editor, QWidget* parent);

// The task editor's entries: the dialog for the current task's destination, and the
// batch run of a ".rsj" list (returns the outcome as a batch exit status).
void OpenRestoreDialog(TTaskEditor& editor, QWidget* parent);
int RunRestoreTasks(TTaskEditor& editor, const std::string& list, bool quiet);
