// The task editor's part of the task dialogs: the filter, preview, suffix, FTP and
// placeholder dialogs, the automatic-task page and the named type lists.

#include "tasks/ui/BackupForm.h"

#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "tasks/PreviewRows.h"
#include "tasks/ui/AutoTaskSheet.h"
#include "tasks/ui/BackupFormFolder.h"
#include "tasks/ui/BuFtpDlg.h"
#include "tasks/ui/DatumWahl.h"
#include "tasks/ui/DialogTools.h"
#include "tasks/ui/FilePreview.h"
#include "tasks/ui/FilterDlg.h"
#include "tasks/ui/PhDlg.h"
#include "tasks/ui/StartDlg.h"
#include "tasks/ui/SuffixDlg.h"
#include "tasks/ui/TaskOptionsBox.h"
#include "tasks/ui/TypeListBox.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int DatePage = 0;
constexpr int PathPage = 1;

// "Type lists|*.but|all|*.*" as Qt's filter text.
QString TypeListFilter()
{
    const QStringList parts = QStr(ReplaceText(TrDefault("Type lists|*.%s|all|*.*"), "%s", "but")).split('|');
    return parts.size() >= 4 ? QString("%1 (%2);;%3 (%4)").arg(parts[0], parts[1], parts[2], parts[3]) : QString();
}

} // namespace

void TBackupForm::ConnectTaskDialogs()
{
    FilterDialog = new TFilterDialog(this);
    DatumWahlDialog = new TDatumWahlDialog(this);
    ShowFilePreview = new TShowFilePreview(this);
    SuffixDialog = new TSuffixDialog(this);
    FtpDialog = new TFtpDialog(this);

    StartNoteHook = [](const std::string& caption, const std::string& taskFile) {
        return ::ShowStartDialog(caption, taskFile);
    };
    EditFtpHook = [this](TFtpParams& params) {
        FtpDialog->LoadFromIni(Editor.Settings.FileName, Editor.SettingsEnv.FallbackFile);
        return FtpDialog->Execute(params, false, true);
    };
    ChoosePlaceholderHook = [](bool dateSet) {
        const int page = dateSet ? DatePage : PathPage;
        return TPlaceHolderDialog::TokenOf(page, PlaceHolderDialog().Execute(page));
    };

    connect(FilterBtn, &QPushButton::clicked, this, &TBackupForm::FilterBtnClick);
    connect(ExtFilterBtn, &QPushButton::clicked, this, &TBackupForm::ExtFilterBtnClick);
    connect(PreviewBtn, &QPushButton::clicked, this, [this] { PreviewBtnClick(false); });
    connect(PhZipBtn, &QToolButton::clicked, this, &TBackupForm::PhZipBtnClick);

    AutoTaskSheet = new TAutoTaskSheet(Editor.Settings, tsAuto);
    (new QVBoxLayout(tsAuto))->addWidget(AutoTaskSheet);
    TAutoTaskSheetHost& autoHost = AutoTaskSheet->Host;
    autoHost.TaskFile = [this] { return Editor.Task.FileName; };
    autoHost.HasSources = [this] { return !Editor.Task.Sources.empty(); };
    autoHost.AskSaveChangedTask = [this] { return Editor.AskSaveChangedTask(); };
    autoHost.LoadTask = [this](const std::string& file) { LoadFromListClick(file); };
    autoHost.AutoFlagsChanged = [this] {
        if (Editor.Auto.Host.UpdateTaskMenu) {
            Editor.Auto.Host.UpdateTaskMenu();
        }
    };
    autoHost.InstantUpdate = [this] { return Editor.Settings.InstantShow; };
    autoHost.ChooseTaskFile = [this](std::string& file) {
        file = AskTaskFile(TrDefault("Select backup task"), false);
        return !file.empty();
    };
    autoHost.InfoText = [this] { return windowTitle().toStdString() + "\r\r" + Editor.Auto.AutoTaskInfoText(); };
    autoHost.TaskDir = [this] { return Editor.Settings.JobDir; };

    TypeListBox = new TTypeListBox(Editor.Settings.TypeLists, Editor.TaskEnv.DefaultDate, TabSheet2);
    (new QVBoxLayout(TabSheet2))->addWidget(TypeListBox);
    TTypeListBoxHost& typeHost = TypeListBox->Host;
    typeHost.SelectedEntry = [this] { return SelectedEntry(); };
    typeHost.EntryChanged = [this](TExtensionList& entry) {
        entry.NeedsScan = true;
        Modified();
        ShowEntry(true);
    };
    typeHost.AskName = [this](std::string& name) {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, windowTitle(), TrQ("Name of type list:"), QLineEdit::Normal, QString(), &ok);
        name = text.trimmed().toStdString();
        return ok;
    };
    const auto typeListFile = [this](const char* title, bool save, const std::string& suggested, std::string& file) {
        if (FileDialogAnswer) {
            file = FileDialogAnswer(TrDefault(title));
            return !file.empty();
        }
        QFileDialog dialog(this, TrQ(title), QStr(ShownPath(Editor.Settings.JobDir)), TypeListFilter());
        dialog.setDefaultSuffix("but");
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!suggested.empty()) {
            dialog.selectFile(QStr(suggested));
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return false;
        }
        file = StoredPath(dialog.selectedFiles().first().toStdString());
        return true;
    };
    typeHost.ChooseSaveFile = [typeListFile](const std::string& name, std::string& file) {
        return typeListFile("Save type list to file", true, name, file);
    };
    typeHost.ChooseOpenFile = [typeListFile](std::string& file) {
        return typeListFile("Load type list from file", false, {}, file);
    };

    TaskOptions = new TTaskOptionsBox(Editor.Task, Editor.Settings, BUPageControl);
    BUPageControl->addTab(TaskOptions, TrQ("E&xtras"));
    TTaskOptionsHost& optionsHost = TaskOptions->Host;
    optionsHost.Modified = [this] { Modified(); };
    optionsHost.HeaderChanged = [this] { UpdateTaskHeader(); };
    optionsHost.TaskCaption = [this] { return TaskBox->title().toStdString(); };
    optionsHost.LogSettingChanged = [this](uint32_t setting) { Editor.Log.LogSetting = setting; };
    const std::function<void()> showTask = Editor.TaskReplaced;
    Editor.TaskReplaced = [this, showTask] {
        if (showTask) {
            showTask();
        }
        TaskOptions->ShowTask();
    };
    connect(BUPageControl, &QTabWidget::currentChanged, this, [this](int) {
        if (BUPageControl->currentWidget() == TaskOptions) {
            TaskOptions->ShowTask();
        }
    });

    // The pages show the settings as they are when they are opened.
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int) {
        if (PageControl->currentWidget() == tsAuto) {
            AutoTaskSheet->ShowAutoTask(AutoTaskSheet->CurrentSlot);
        } else if (PageControl->currentWidget() == TabSheet2) {
            TypeListBox->Host.ProgramText = Editor.ProductText;
            TypeListBox->Host.FileVersion = Editor.FileVersion;
            TypeListBox->Reload();
        }
    });
}

void TBackupForm::FilterBtnClick()
{
    TExtensionList* entry = SelectedEntry();
    if (!entry || !DatumWahlDialog->Execute(*entry, Editor.TaskEnv.DefaultDate)) {
        return;
    }
    const int index = SelectedIndex();
    entry->NeedsScan = true;
    Modified();
    ShowEntry(true);
    ShowSourceLines(); // the line shows the filter and the new counts
    SelectEntry(index);
}

void TBackupForm::ExtFilterBtnClick()
{
    TExtensionList* entry = SelectedEntry();
    if (!entry || !FilterDialog->Execute(TrDefault("Filter for file extension"), entry->ExtFilter)) {
        return;
    }
    entry->NeedsScan = true;
    Modified();
    ShowEntry(true);
}

void TBackupForm::PreviewBtnClick(bool excluded)
{
    const TExtensionList* entry = SelectedEntry();
    if (!entry) {
        return;
    }
    ShowStatusWindow(TrDefault("Scanning directories"), ShownPath(entry->SourceDir), 10, false);
    const TPreview preview = PreviewEntry(Editor.Task, *entry, excluded, Now());
    HideStatusWindow();
    const char* caption = excluded ? "Preview of excluded files" : "Preview of backup selection";
    ShowFilePreview->Execute(TrDefault(caption), preview.Folder, preview.Lines,
                             PreviewSummary(preview.Count, preview.Bytes));
}

void TBackupForm::PhZipBtnClick()
{
    const int index = PlaceHolderDialog().Execute(DatePage);
    if (index < 0) {
        return;
    }
    ZipNameEdit->insert(QStr(TPlaceHolderDialog::TokenOf(DatePage, index)));
    ZipNameEditChange();
}
