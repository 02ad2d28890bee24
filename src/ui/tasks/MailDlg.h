#pragma once

#include "tasks/TaskModel.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class TRangeEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;
class THistoryCombo;

// Edits a task's report-mail settings. Server and user names keep their own
// histories; sender, reply-to and recipient fields share one address history that
// lives in the settings file (section "MailTo") and is written back when the dialog goes.
class TMailDialog : public QDialog
{
    Q_OBJECT
public:
    // OK with a port out of range brings the range error and keeps the dialog open.
    void accept() override;
    explicit TMailDialog(QWidget* parent = nullptr);
    ~TMailDialog() override;

    // Acts once, for the first non-empty name: loads the histories from that file.
    void LoadFromIni(const std::string& iniName);
    // Shows the record under the given text (the task's name); on OK the record takes
    // the user's changes and the result is true. Cancel leaves it untouched.
    bool Execute(const std::string& text, TMailData& mail);

    // The two halves of Execute around the modal loop.
    void ShowData(const std::string& text, const TMailData& mail);
    void TakeData(TMailData& mail);

    // Most recent first, at most 50.
    std::vector<std::string> AddressHistory;
    // Asks for an address (caption, in/out text); true on OK. Tests replace it.
    std::function<bool(const std::string& caption, std::string& text)> AskAddress;

    QLabel* lbTask = nullptr;
    THistoryCombo* edServer = nullptr;
    TRangeEdit* edPort = nullptr;
    THistoryCombo* edUsername = nullptr;
    QLineEdit* edPwd = nullptr;
    QToolButton* btShowPwd = nullptr;
    QComboBox* edSender = nullptr;
    QComboBox* edReply = nullptr;
    QListWidget* lbRecipients = nullptr;
    QToolButton* btnAdd = nullptr;
    QToolButton* btnEdit = nullptr;
    QToolButton* btnRemove = nullptr;
    QCheckBox* cbProt = nullptr;
    QCheckBox* cbZip = nullptr;

    void btnAddClick();
    void btnEditClick();
    void btnRemoveClick();

private:
    void BuildWidgets();
    bool AskAddressAtCursor(const std::string& caption, std::string& text);
    static void FillAddressCombo(QComboBox* combo, const std::vector<std::string>& items, const std::string& text);

    std::string IniName;
};
