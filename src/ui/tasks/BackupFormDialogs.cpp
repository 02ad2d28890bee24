// The task editor's part of the task dialogs: the filter, preview, suffix, FTP and
// placeholder dialogs, the automatic-task page and the named type lists.

#include "ui/tasks/BackupForm.h"

#include "foundation/CommaText.h"
#include "foundation/HtmlHelp.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/TextViewer.h"
#include "platform/FileSystem.h"
#include "shell/Language.h"
#include "tasks/IniValues.h"
#include "tasks/PreviewRows.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/PageDialogs.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShowtextDialog.h"
#include "ui/tasks/AutoTaskSheet.h"
#include "ui/tasks/BackupFormFolder.h"
#include "ui/tasks/BuFtpDlg.h"
#include "ui/tasks/DatumWahl.h"
#include "ui/tasks/DialogTools.h"
#include "ui/tasks/FilePreview.h"
#include "ui/tasks/FilterDlg.h"
#include "ui/tasks/PhDlg.h"
#include "ui/tasks/StartDlg.h"
#include "ui/tasks/SuffixDlg.h"
#include "ui/tasks/TaskOptionsBox.h"
#include "ui/tasks/TypeListBox.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <curl/curl.h>
#include <openssl/crypto.h>
#include <zlib.h>

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
    ExtrasMenu->addAction(TrQ("Show &selected files"), this, [this] { PreviewBtnClick(false); })
        ->setObjectName("itmPreview");
    ExtrasMenu->addAction(TrQ("Show &excluded files"), this, [this] { PreviewBtnClick(true); })
        ->setObjectName("itmExludepreview");
    connect(PhZipBtn, &QToolButton::clicked, this, &TBackupForm::PhZipBtnClick);

    // The sheet stands whole on its page; the editor's pages scroll together where the
    // window is too low, so the page holds no scroll view of its own.
    AutoTaskSheet = new TAutoTaskSheet(Editor.Settings);
    auto* autoPage = new QVBoxLayout(tsAuto);
    autoPage->setContentsMargins(0, 0, 0, 0);
    autoPage->addWidget(AutoTaskSheet);
    TAutoTaskSheetHost& autoHost = AutoTaskSheet->Host;
    autoHost.TaskFile = [this] { return Editor.Task.FileName; };
    autoHost.HasSources = [this] { return !Editor.Task.Sources.empty(); };
    autoHost.AskSaveChangedTask = [this] { return Editor.AskSaveChangedTask(); };
    autoHost.LoadTask = [this](const std::string& file) { LoadFromListClick(file); };
    autoHost.AutoFlagsChanged = [this] {
        UpdateExitButton();
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
        name.clear();
        const bool ok = InputText(CenteredPoint, windowTitle().toStdString(), TrDefault("Name of type list:"), name);
        name = TrimText(name);
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

    BuildOptionMenus();

    // The pages show the settings as they are when they are opened.
    connect(PageControl, &QTabWidget::currentChanged, this, [this] { PageControlChange(); });
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
    const char* caption =
        excluded ? TrNoopDefault("Preview of excluded files") : TrNoopDefault("Preview of backup selection");
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

namespace {

// A checkable item of a radio group whose check follows `checked` each time the menu opens.
QAction* RadioItem(QMenu* menu, QActionGroup* group, const char* name, const char* caption)
{
    QAction* action = menu->addAction(TrQ(caption));
    action->setObjectName(name);
    action->setCheckable(true);
    group->addAction(action);
    return action;
}

} // namespace

void TBackupForm::BuildOptionMenus()
{
    TProgramSettings& settings = Editor.Settings;
    QMenu* names = OptionsMenu->addMenu(TrQ("&File names"));
    auto* caseGroup = new QActionGroup(this);
    const char* const cases[][2] = {{"FileOriginal", TrNoopDefault("&unchanged")},
                                    {"FileLower", TrNoopDefault("&lower case")},
                                    {"FileUpper", TrNoopDefault("&upper case")}};
    for (int mode = 0; mode < 3; ++mode) {
        QAction* item = RadioItem(names, caseGroup, cases[mode][0], cases[mode][1]);
        connect(item, &QAction::triggered, this, [&settings, mode] { settings.FilenameCase = mode; });
    }
    names->addSeparator();
    QAction* replace = names->addAction(TrQ("&replace illegal characters"));
    replace->setObjectName("ReplChars");
    replace->setCheckable(true);
    connect(replace, &QAction::triggered, this, [&settings](bool on) { settings.ReplaceChars = on; });
    connect(names, &QMenu::aboutToShow, this, [&settings, caseGroup, replace] {
        caseGroup->actions().at(std::clamp(settings.FilenameCase, 0, 2))->setChecked(true);
        replace->setChecked(settings.ReplaceChars);
    });
    OptionsMenu->addAction(TrQ("&Security backup .."), this, &TBackupForm::BackupSuffixClick)
        ->setObjectName("BackupSuffix");

    OptionsMenu
        ->addAction(TrQ("&Delay .."), this,
                    [this] {
                        AskNumber(TrDefault("Automatic backups"), TrDefault("Delay after start:"), TrDefault("seconds"),
                                  10, 3600, Editor.Settings.Startup);
                    })
        ->setObjectName("StartDelayItem");
    OptionsMenu
        ->addAction(TrQ("&Minimal size .."), this,
                    [this] {
                        AskNumber(TrDefault("GZ-compression"), TrDefault("Minimal size:"), TrDefault("byte"), 0, 8192,
                                  Editor.Settings.CompSize);
                    })
        ->setObjectName("CompSize");
    OptionsMenu
        ->addAction(TrQ("&Types .."), this,
                    [this] {
                        EditTypeList(TrDefault("File type not to compress"), Editor.Settings.NoCompress);
                        Editor.TaskEnv.NoCompress = Editor.Settings.NoCompress;
                    })
        ->setObjectName("Archivtypen");
    connect(TypBtn, &QPushButton::clicked, this, [this] {
        if (EditTypeList(TrDefault("File type not to compress"), Editor.Task.NoCompTypes)) {
            NoCompList->setText(QStr(CommaTextOf(Editor.Task.NoCompTypes)));
            Modified();
        }
    });

    QMenu* end = OptionsMenu->addMenu(TrQ("&After automatic backups"));
    auto* endGroup = new QActionGroup(this);
    const char* const ends[][2] = {{"PoweroffItem", TrNoopDefault("&Power off")},
                                   {"ShutdownItem", TrNoopDefault("&Shut down")},
                                   {"RestartItem", TrNoopDefault("&Restart")}};
    const int actions[] = {1, 2, 4};
    for (int i = 0; i < 3; ++i) {
        QAction* item = RadioItem(end, endGroup, ends[i][0], ends[i][1]);
        const int action = actions[i];
        connect(item, &QAction::triggered, this, [&settings, action] { settings.Shutdown = action; });
    }
    connect(end, &QMenu::aboutToShow, this, [&settings, endGroup] {
        const int index = settings.Shutdown == 1 ? 0 : settings.Shutdown == 4 ? 2 : 1;
        endGroup->actions().at(index)->setChecked(true);
    });
    QAction* splash = OptionsMenu->addAction(TrQ("without &splash screen"));
    splash->setObjectName("StartSplashItem");
    splash->setCheckable(true);
    connect(splash, &QAction::triggered, this, [&settings](bool on) { settings.NoSplash = on; });
    connect(OptionsMenu, &QMenu::aboutToShow, this, [&settings, splash] { splash->setChecked(settings.NoSplash); });

    QMenu* log = OptionsMenu->addMenu(TrQ("&Log file"));
    log->setObjectName("LogMenu");
    log->addAction(TrQ("S&how .."), this, &TBackupForm::ShowLogFile)->setObjectName("ProtViewItem");
    log->addAction(TrQ("&Settings .."), TaskOptions, &TTaskOptionsBox::ProtSettingsClick)->setObjectName("itmLogFile");
    // The item of the log's folder is checked: the settings folder, or one of the user's.
    auto* folderGroup = new QActionGroup(this);
    QAction* appData = RadioItem(log, folderGroup, "AppDataItem", "&Application data");
    QAction* other = RadioItem(log, folderGroup, "ProtOtherItem", "&Select other ..");
    const auto checkLogFolder = [this, appData, other] {
        (Editor.Settings.ProtDir.empty() ? appData : other)->setChecked(true);
    };
    connect(appData, &QAction::triggered, this, [this, checkLogFolder] {
        MoveLogFile({});
        checkLogFolder();
    });
    connect(other, &QAction::triggered, this, [this, checkLogFolder] {
        std::string folder = Editor.Settings.ProtDir.empty() ? Editor.Settings.JobDir : Editor.Settings.ProtDir;
        if (ChooseFolder(TrDefault("Select folder for log file"), folder)) {
            MoveLogFile(folder);
        }
        checkLogFolder();
    });
    connect(log, &QMenu::aboutToShow, this, checkLogFolder);
    log->addAction(TrQ("&Delete"), this, &TBackupForm::ProtDelItemClick)->setObjectName("ProtDelItem");
    BuildPrintItems(log);
    OptionsMenu->addAction(TrQ("&Task directory .."), this, &TBackupForm::JobDirItemClick)->setObjectName("JobDirItem");

    QMenu* language = OptionsMenu->addMenu(TrQ("L&anguage"));
    const char* const languages[][2] = {{"DefaultItem", TrNoopDefault("&System default")},
                                        {"DEUItem", TrNoopDefault("&German")},
                                        {"ENUItem", TrNoopDefault("&English")}};
    LanguageItems = new QActionGroup(this);
    for (int index = 0; index < LanguageCount; ++index) {
        QAction* item = RadioItem(language, LanguageItems, languages[index][0], languages[index][1]);
        connect(item, &QAction::triggered, this, [this, index] { LanguageItemClick(index); });
    }
    connect(language, &QMenu::aboutToShow, this, [this] { CheckLanguageItem(); });
    BuildHelpMenu();
}

void TBackupForm::BuildPrintItems(QMenu* log)
{
    log->addSeparator();
    log->addAction(TrQ("Select &printer .."), this, &TBackupForm::SelectPrintItemClick)
        ->setObjectName("SelectPrintItem");
    log->addAction(TrQ("Print &margins .."), this, &TBackupForm::PrintMarginsItemClick)
        ->setObjectName("PrintMarginsItem");
    log->addAction(TrQ("Print &font .."), this, &TBackupForm::PrintFontItemClick)->setObjectName("PrintFontItem");
    AvailablePrinters = [] {
        std::vector<std::string> names;
        for (const QString& name : QPrinterInfo::availablePrinterNames()) {
            names.push_back(name.toStdString());
        }
        return names;
    };
}

void TBackupForm::BuildHelpMenu()
{
    // The topics are the page names of the help folder.
    HelpMenu->addAction(TrQ("&Help"), this, [this] { HelpTopicClick("tasks"); })->setObjectName("HelpItem");
    HelpMenu->addAction(TrQ("&Short info"), this, [this] { HelpTopicClick("index"); })->setObjectName("KurzInfoItem");
    HelpMenu->addAction(TrQ("&Licences"), this, [this] { HelpTopicClick("license"); })->setObjectName("LizenzInfoItem");
    HelpMenu->addSeparator();
    HelpMenu->addAction(TrQ("Home&page"), this, &TBackupForm::HomepageItemClick)->setObjectName("HomepageItem");
    HelpMenu->addAction(TrQ("&Libraries"), this, &TBackupForm::GZipInfoClick)->setObjectName("GZipInfo");
    HelpMenu->addAction(TrQ("&About .."), this, &TBackupForm::InfoItemClick)->setObjectName("InfoItem");
}

void TBackupForm::SelectPrintItemClick()
{
    std::vector<std::string> printers = AvailablePrinters ? AvailablePrinters() : std::vector<std::string>();
    std::string chosen = Editor.Settings.Printer;
    if (!ListDialog().Execute(CenteredPoint, TrDefault("Select Printer"), chosen, printers, 0, 1, false, false, false,
                              TrDefault("Available Printers")) ||
        chosen.empty()) {
        return;
    }
    Editor.Settings.Printer = chosen;
    if (TShowtextDialog* viewer = CommonDialogs().Showtext) {
        viewer->PrinterName = chosen;
    }
}

void TBackupForm::CheckStoredPrinter()
{
    const std::vector<std::string> printers = AvailablePrinters ? AvailablePrinters() : std::vector<std::string>();
    const auto known = [&printers](const std::string& name) {
        return std::find(printers.begin(), printers.end(), name) != printers.end();
    };
    std::string& stored = Editor.Settings.Printer;
    if (!known(stored)) {
        const std::string system = printers.empty() ? std::string() : QPrinterInfo::defaultPrinterName().toStdString();
        stored = known(system) ? system : printers.empty() ? std::string() : printers.front();
    }
    if (TShowtextDialog* viewer = CommonDialogs().Showtext) {
        viewer->PrinterName = stored;
    }
}

void TBackupForm::PrintMarginsItemClick()
{
    TShowtextDialog* viewer = CommonDialogs().Showtext;
    TRandDialog* dialog = CommonDialogs().Rand;
    if (!viewer || !dialog) {
        return;
    }
    TPrintSettings& print = viewer->PrintSettings();
    TPageMargins margins{print.LeftMargin, print.TopMargin, print.RightMargin, print.BottomMargin};
    if (dialog->Execute(TrDefault("Log file printout"), margins)) {
        print.LeftMargin = margins.Left;
        print.TopMargin = margins.Top;
        print.RightMargin = margins.Right;
        print.BottomMargin = margins.Bottom;
    }
}

void TBackupForm::PrintFontItemClick()
{
    TShowtextDialog* viewer = CommonDialogs().Showtext;
    if (!viewer) {
        return;
    }
    TPrintSettings& print = viewer->PrintSettings();
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, QFont(QStr(print.FontName), print.FontSize), this);
    if (ok) {
        print.FontName = font.family().toStdString();
        print.FontSize = font.pointSize() > 0 ? font.pointSize() : print.FontSize;
    }
}

void TBackupForm::HelpTopicClick(const std::string& topic)
{
    LoadHtmlHelp();
    HtmlHelp(topic);
}

void TBackupForm::InfoItemClick()
{
    if (ShowVersionHook) {
        ShowVersionHook();
        return;
    }
    InfoDialog(windowTitle().toStdString(), Editor.ProductText + " (Vers. " + Editor.FileVersion + ")");
}

void TBackupForm::GZipInfoClick()
{
    const std::string text = TrDefault("This program uses these libraries:") + "\r\rzlib " + zlibVersion() +
                             "\rOpenSSL (libcrypto) " + OpenSSL_version(OPENSSL_VERSION_STRING) + "\rlibcurl " +
                             curl_version_info(CURLVERSION_NOW)->version + "\rQt " + qVersion();
    InfoDialog(windowTitle().toStdString(), text);
}

// The project has no web address of its own yet: the home page is the help's start page.
void TBackupForm::HomepageItemClick()
{
    HelpTopicClick("index");
}

bool TBackupForm::EditTypeList(const std::string& caption, std::vector<std::string>& types)
{
    std::vector<std::string> list = types;
    std::string selection;
    if (!ListDialog().Execute({x() + 150, y() + 50}, caption, selection, list, 0, 1, false, false, true,
                              TrDefault("Type"))) {
        return false;
    }
    types = FileTypesOfLines(list);
    return true;
}

void TBackupForm::ShowLogFile()
{
    // The dialog shows the setting in force: logging off until the user picks a mode.
    if ((Editor.Settings.Protocol & 0x0F) == 0 &&
        ConfirmDialog({}, TrDefault("Logging is disabled!\r\nChange settings?"))) {
        TaskOptions->ProtSettingsClick();
    }
    if (Editor.Log.LogPath.empty() || !Platform::FileExists(Editor.Log.LogPath)) {
        InfoDialog({}, TrDefault("No log file found"));
        return;
    }
    if (ShowLogHook) {
        ShowLogHook();
    }
}

void TBackupForm::BackupSuffixClick()
{
    if (SuffixDialog->Execute(Editor.Settings.BackupSuffix)) {
        Editor.TaskEnv.BackupSuffix = Editor.Settings.BackupSuffix;
    }
}

void TBackupForm::MoveLogFile(const std::string& folder)
{
    Editor.Settings.ProtDir = folder.empty() ? std::string() : AddPathDelimiter(folder);
    Editor.Settings.LogName = BackupLogName(Editor.Settings.FileName, Editor.Settings.ProtDir);
    Editor.Log.LogPath = Editor.Settings.LogName;
}

void TBackupForm::ProtDelItemClick()
{
    const TScreenPoint point{x() + 250, y() + 50};
    const std::string& file = Editor.Log.LogPath;
    if (file.empty() || !Platform::FileExists(file)) {
        ErrorDialogAt({}, TrDefault("No log file found"), point);
        return;
    }
    if (MessageDialogAt({}, TrDefault("Delete log file?"), TMsgDlgType::Confirmation, MbYesNo, point) == MrYes &&
        Platform::DeleteFile(file) != 0) {
        ErrorDialogAt({}, FormatText(TrDefault("Cannot delete the file %s!"), ShownPath(file)), point);
    }
}

void TBackupForm::JobDirItemClick()
{
    std::string folder = Editor.Settings.JobDir;
    if (!ChooseFolder(TrDefault("Select folder for backup tasks"), folder)) {
        return;
    }
    if (!Platform::DirectoryExists(folder) && Platform::ForceDirectories(folder) != 0) {
        ErrorDialog({}, FormatText(TrDefault("Cannot create the folder %s!"), ShownPath(folder)));
        return;
    }
    SetTaskDir(folder);
}

void TBackupForm::CheckLanguageItem()
{
    LanguageItems->actions().at(std::clamp(LanguageIndex(), 0, LanguageCount - 1))->setChecked(true);
}

void TBackupForm::LanguageItemClick(int index)
{
    WriteLanguage(index);
    InfoDialog({}, TrDefault("Changing the language requires a restart of the program!"));
}
