#pragma once

#include "tasks/OptionRules.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;

// The programs run before and after a backup, each with its wait rule and active switch.
class TAddProgramsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TAddProgramsDialog(QWidget* parent = nullptr);

    // The variables change only on OK; browsing starts in defaultFolder when no command is set.
    // The fields show and take host paths; the commands keep their program as Windows text.
    bool Execute(const std::string& defaultFolder, std::string& preCommand, int32_t& preWait, std::string& postCommand,
                 int32_t& postWait);
    void ShowCommands(const std::string& preCommand, int32_t preWait, const std::string& postCommand, int32_t postWait);
    void TakeCommands(std::string& preCommand, int32_t& preWait, std::string& postCommand, int32_t& postWait) const;

    // Asks for a program file (its host path) from the start; tests replace it.
    std::function<bool(const std::string& title, const TBrowseStart& start, std::string& file)> ChooseProgram;

    void PreCommandBtnClick();
    void PostCommandBtnClick();

    struct TCommandGroup
    {
        QLineEdit* Command = nullptr;
        QToolButton* Browse = nullptr;
        QRadioButton* WaitForEnd = nullptr;
        QRadioButton* WaitTime = nullptr;
        QSpinBox* Seconds = nullptr;
        QCheckBox* Active = nullptr;
    };
    TCommandGroup Pre;
    TCommandGroup Post;

private:
    QWidget* MakeGroup(const QString& title, TCommandGroup& group);
    static void ShowGroup(TCommandGroup& group, const std::string& command, int32_t wait);
    static void TakeGroup(const TCommandGroup& group, std::string& command, int32_t& wait);
    void Browse(bool post);
    bool ChooseProgramFile(const std::string& title, const TBrowseStart& start, std::string& file);
    std::string defaultFolder;
};
