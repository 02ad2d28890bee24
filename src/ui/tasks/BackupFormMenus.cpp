// The task editor's menu bar, tool bar and file commands.

#include "ui/tasks/BackupForm.h"

#include "foundation/ShownPaths.h"
#include "ui/foundation/GlyphIcon.h"
#include "ui/foundation/HistoryMenu.h"
#include "ui/foundation/QtText.h"
#include "ui/tasks/BackupFormFolder.h"
#include "ui/tasks/BackupFormWidgets.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

using namespace BackupFormWidgets;

void TBackupForm::BuildMenu()
{
    MainMenu = Named(new QMenuBar(this), "MainMenu");
    FileMenu = MainMenu->addMenu(Tr("&File"));
    NewTask = MenuItem(FileMenu, "NewTask", "&New");
    OpenTask = MenuItem(FileMenu, "OpenTask", "&Open ..");
    SaveTaskItem = MenuItem(FileMenu, "SaveTaskItem", "&Save");
    SaveTaskAsItem = MenuItem(FileMenu, "SaveTaskAsItem", "Save &as ..");
    FileMenu->addSeparator();
    Importieren = MenuItem(FileMenu, "Importieren", "&Import..");
    Exportieren = MenuItem(FileMenu, "Exportieren", "&Export ..");
    FileMenu->addSeparator();
    QMenu* recent = FileMenu->addMenu(Tr("&Recent tasks"));
    recent->setObjectName("TaskHistoryMenu");
    TaskHistoryMenu = new THistoryMenu(this);
    TaskHistoryMenu->ShownEntry = ShownFolderText;
    TaskHistoryMenu->SetMenu(recent);
    FileMenu->addSeparator();
    FileExitItem = MenuItem(FileMenu, "FileExitItem", "&Quit");

    OptionsMenu = MainMenu->addMenu(Tr("&Options"));
    BufferSizeItem = MenuItem(OptionsMenu, "BufferSizeItem", "&Buffer ..");
    PwdLengthItem = MenuItem(OptionsMenu, "PwdLengthItem", "&Password length ..");
    WaitDelayItem = MenuItem(OptionsMenu, "WaitDelayItem", "&Wait time after auto backup");
    InstantShowItem = MenuItem(OptionsMenu, "InstantShowItem", "&Instant task window update");
    InstantShowItem->setCheckable(true);
    ScanDirItem = MenuItem(OptionsMenu, "ScanDirItem", "Scan &directories");
    ScanDirItem->setCheckable(true);
    OptionsMenu->addSeparator();
    DefWindowItem = MenuItem(OptionsMenu, "DefWindowItem", "&Default window size");
    NarrowWindowItem = MenuItem(OptionsMenu, "NarrowWindowItem", "&Small window");
    NarrowWindowItem->setCheckable(true);
    ExtrasMenu = MainMenu->addMenu(Tr("E&xtras"));
    UpdateItem = MenuItem(ExtrasMenu, "UpdateItem", "&Update");
    UpdateItem->setShortcut(QKeySequence::Refresh);
    ExtrasMenu->addSeparator();
    RestoreFiles = MenuItem(ExtrasMenu, "RestoreFiles", "&Restore files");
    DeletFiles = MenuItem(ExtrasMenu, "DeletFiles", "&Delete files");
    ExtrasMenu->addSeparator();
    HelpMenu = MainMenu->addMenu(Tr("&Help"));
}

void TBackupForm::BuildToolbar(QWidget* bar)
{
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    NewTaskBtn = SpeedButton(bar, "NewTaskBtn", "New", "Create new task");
    LoadTaskBtn = SpeedButton(bar, "LoadTaskBtn", "Open", "Open backup task");
    LoadListBtn = SpeedButton(bar, "LoadListBtn", "\u25BE", "Recent used tasks");
    SaveTaskBtn = SpeedButton(bar, "SaveTaskBtn", "Save", "Save backup task");
    ImportBtn = SpeedButton(bar, "ImportBtn", "Import", "Import backup task");
    ExportBtn = SpeedButton(bar, "ExportBtn", "Export", "Export backup task");
    RestoreBtn = SpeedButton(bar, "RestoreBtn", "Restore", "Restore files");
    CleanUpBtn = SpeedButton(bar, "CleanUpBtn", "Clean up", "Clean up destination");
    ProtBtn = SpeedButton(bar, "ProtBtn", "Log", "Show log file");
    // On a narrow screen the buttons that find no room open from the bar's "more" button;
    // Start and Quit stay in view.
    auto* tools = Named(new QToolBar(bar), "ToolBar");
    tools->setMovable(false);
    tools->setFloatable(false);
    for (QToolButton* button :
         {NewTaskBtn, LoadTaskBtn, LoadListBtn, SaveTaskBtn, ImportBtn, ExportBtn, RestoreBtn, CleanUpBtn, ProtBtn}) {
        tools->addWidget(button);
    }
    row->addWidget(tools, 1);
    StartBtn = Named(new QPushButton(Tr("Start"), bar), "StartBtn");
    StartBtn->setToolTip(Tr("Start backup"));
    ExitBtn = Named(new QPushButton(Tr("Quit"), bar), "ExitBtn");
    ExitBtn->setToolTip(Tr("Quit Tessaro"));
    row->addWidget(StartBtn);
    row->addWidget(ExitBtn);
}

void TBackupForm::NewTaskClick()
{
    if (Editor.NewTaskClick()) {
        ClearTypeGrid(IncludeSG);
        ClearTypeGrid(ExcludeSG);
        PageControl->setCurrentIndex(0);
        BUPageControl->setCurrentIndex(0);
        lblSum->clear();
        IncludeSumme->clear();
        ExcludeSumme->clear();
    }
}

void TBackupForm::OpenTaskClick()
{
    Editor.OpenTaskClick();
    PageControl->setCurrentWidget(tsAuto);
    BUPageControl->setCurrentIndex(0);
}

void TBackupForm::LoadFromListClick(const std::string& file)
{
    if (Editor.LoadFromListClick(file)) {
        PageControl->setCurrentWidget(tsAuto);
        BUPageControl->setCurrentIndex(0);
    }
}

void TBackupForm::SaveTaskItemClick()
{
    Editor.SaveTaskItemClick();
    ShowCheckedDestination();
    UpdateTaskHeader();
}

void TBackupForm::SaveTaskAsItemClick()
{
    Editor.SaveTaskAsItemClick();
    ShowCheckedDestination();
    UpdateTaskHeader();
}

void TBackupForm::ImportierenClick()
{
    Editor.ImportierenClick();
}

void TBackupForm::ExportierenClick()
{
    Editor.ExportierenClick();
}

void TBackupForm::StartBtnClick()
{
    StartBtn->setEnabled(false);
    Editor.StartBtnClick();
    StartBtn->setEnabled(true);
    ShowCheckedDestination();
    if (MinimizedByRun) {
        // The run is over: the editor comes back from the tray.
        MinimizedByRun = false;
        if (BackFromTray) {
            BackFromTray();
        }
        showNormal();
        raise();
    }
    ShowSourceLines();
    SelectEntry(Editor.SelectedEntry);
    ShowLastBackup();
    UpdateTaskHeader();
}

void TBackupForm::MinimizeApp()
{
    MinimizedByRun = true;
    // Minimised, never hidden: a modal editor that hides ends its modal showing, and the
    // program with it once the run is over.
    showMinimized();
    if (MinimizeToTray) {
        MinimizeToTray();
    }
}

void TBackupForm::UpdateExitButton()
{
    const bool minimizes = Editor.Settings.AutoFlags.StayInTray;
    const QString hint = minimizes ? Tr("Minimize Tessaro") : Tr("Quit Tessaro");
    ExitBtn->setText(minimizes ? Tr("Minim.") : Tr("Quit"));
    ExitBtn->setIcon(GlyphIcon(style(), minimizes ? GlyphMinimize : GlyphQuit));
    ExitBtn->setToolTip(hint);
    FileExitItem->setText(minimizes ? Tr("Minim.") : Tr("&Quit"));
    FileExitItem->setToolTip(hint);
}
