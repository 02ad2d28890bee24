#include "ui/tasks/RunDialogs.h"

#include "foundation/MessageDialogs.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "tasks/BackupLog.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/PasswordDialogs.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/ShowtextDialog.h"
#include "ui/foundation/WindowPlacement.h"

#include <QApplication>

bool TQtRunDialogs::NewPassword(const std::string& caption, int minLength, bool repeat, std::string& password)
{
    return newPwd.Execute(caption, password, true, repeat, minLength);
}

bool TQtRunDialogs::AskPassword(const std::string& caption, const std::string& text, std::string& password)
{
    TPasswordDialog dialog(QApplication::activeWindow());
    return dialog.Execute(caption, text, false, password) == MrOk;
}

bool TQtRunDialogs::InputText(const std::string& caption, const std::string& prompt, std::string& value)
{
    return ::InputText(CenteredPoint, caption, prompt, value);
}

bool TQtTaskCheckDialogs::EditFtpSettings(TFtpParams& params)
{
    return FtpSettingsDialog && FtpSettingsDialog(params);
}

bool TQtTaskCheckDialogs::ChooseDestination(std::string& folder)
{
    return chooser.Execute(TrDefault("Select destination directory"), false, folder);
}

void InstallRunDialogs(TQtRunDialogs* runDialogs, TQtTaskCheckDialogs* checkDialogs)
{
    RegisterRunDialogs(runDialogs, checkDialogs);
}

void ShowBackupLog(TShowtextDialog& viewer, const TBackupLog& log, const std::string& productText)
{
    if (log.LogPath.empty() || !Platform::FileExists(log.LogPath)) {
        InfoDialog({}, TrDefault("No log file found"));
        return;
    }
    viewer.FileInUse = [&log] { return log.LogMode != LogOff; };
    TShowtextTags tags;
    tags.Section = productText + " (";
    tags.PrevSectionHint = TrDefault("Previous section");
    tags.NextSectionHint = TrDefault("Next section");
    tags.Error = LogErrorPrefix;
    tags.PrevErrorHint = TrDefault("Previous error");
    tags.NextErrorHint = TrDefault("Next error");
    // The viewer opens 20 pixels right of and below the corner of the window that asks.
    const QWidget* owner = OwnerWindow(viewer);
    const QPoint corner = (owner ? owner->frameGeometry().topLeft() : QPoint(0, 0)) + QPoint(20, 20);
    viewer.Execute(log.LogPath, {corner.x(), corner.y()}, 0,
                   ShowPrint | ShowErase | ShowSearch | ShowSections | ShowErrors, 1, tags);
}
