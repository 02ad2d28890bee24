#include "ui/shell/BuMainForm.h"

#include "EnvGuard.h"
#include "TempFolder.h"
#include "foundation/StatusView.h"
#include "tasks/BackupLog.h"
#include "tasks/ProgressView.h"
#include "ui/Pictures.h"
#include "ui/foundation/TrayIcon.h"
#include "ui/restore/CleanUpDialog.h"
#include "ui/restore/RestoreDlg.h"
#include "ui/tasks/BackupForm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

void Settle()
{
    for (int pass = 0; pass < 20; ++pass) {
        QCoreApplication::processEvents();
    }
}

QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions << (action->isSeparator() ? QString("-") : action->text());
    }
    return captions;
}

struct TForm
{
    TTempFolder config;
    TEnvGuard env;
    TBackupForm editor;
    TBuMainForm form{editor};

    TForm()
    {
        env.Set("XDG_CONFIG_HOME", config.Host());
        form.Logic.Info.WindowTitle = "Tessaro (Vers. 4.2.6)";
        form.Logic.Info.VersionText = "Vers. 4.2.6";
    }
    void UseTasks()
    {
        editor.Editor.Settings.AutoTasks[0] = TAutoTask("C:\\home\\anna\\Tasks\\Documents.buj");
        editor.Editor.Settings.AutoTasks[1] = TAutoTask("C:\\home\\anna\\Tasks\\Photos.buj");
        form.UpdateTaskMenu();
    }
};

} // namespace

TEST(BuMainForm, TrayMenuItemsInOrder)
{
    TForm f;
    EXPECT_EQ(Captions(f.form.PopupMenu),
              (QStringList{"&Tessaro", "-", "&Start backups", "Start &restore ..", "&Clean up ..", "Shut&down", "&View",
                           "-", "&Quit program", "-", "&Cancel"}));
    EXPECT_FALSE(f.form.SofortStarten->isEnabled());
    const auto* shutdown = f.form.PopupMenu->findChild<QMenu*>("Quitwindowsand1");
    ASSERT_TRUE(shutdown);
    EXPECT_EQ(Captions(shutdown), (QStringList{"with Backup and &power off", "with &Backup and restart",
                                               "and power &off", "and &restart"}));
    f.UseTasks();
    EXPECT_TRUE(f.form.SofortStarten->isEnabled());
    EXPECT_EQ(Captions(f.form.SofortStarten), (QStringList{"&all", "&1 Documents", "&2 Photos"}));
}

TEST(BuMainForm, RightClickOpensTheMenuUnlessQuiet)
{
    TForm f;
    AddTrayIcon(&f.form, 1025, TrayIconPicture({}), "Tessaro");
    QCoreApplication::postEvent(&f.form, new TTrayMessageEvent(1025, QSystemTrayIcon::Context));
    Settle();
    EXPECT_TRUE(f.form.PopupMenu->isVisible());
    f.form.PopupMenu->hide();

    QWidget progress;
    f.form.SetProgressWindow(&progress);
    f.form.Logic.Quiet = true;
    QCoreApplication::postEvent(&f.form, new TTrayMessageEvent(1025, QSystemTrayIcon::Context));
    Settle();
    EXPECT_FALSE(f.form.PopupMenu->isVisible());
    EXPECT_TRUE(progress.isVisible());
}

TEST(BuMainForm, WithoutATrayTheMinimisedWindowCarriesTheTrayMenu)
{
    TForm f;
    f.form.TrayAvailability = [] { return false; };
    f.form.Logic.ShowTrayIcon({}, "Tessaro"); // the program waits in the tray
    Settle();
    EXPECT_FALSE(TrayIconOf(&f.form));
    EXPECT_TRUE(f.form.isVisible());
    EXPECT_TRUE(f.form.isMinimized());
    EXPECT_EQ(f.form.windowTitle(), "Tessaro");
    ASSERT_TRUE(f.form.MenuBar);
    ASSERT_EQ(f.form.MenuBar->actions().size(), 1);
    EXPECT_EQ(f.form.MenuBar->actions().front(), f.form.PopupMenu->menuAction()) << "the tray's menu, not a copy";
    EXPECT_EQ(f.form.PopupMenu->title(), "&Tessaro");
    f.UseTasks();
    EXPECT_EQ(Captions(f.form.SofortStarten), (QStringList{"&all", "&1 Documents", "&2 Photos"}));

    // The menu bar opens the menu at any time: during a run its items are greyed out.
    auto* restore = f.form.PopupMenu->findChild<QAction*>("Restore");
    auto* cancel = f.form.PopupMenu->findChild<QAction*>("abbrechen1");
    ASSERT_TRUE(restore && cancel);
    f.form.Logic.Busy = true;
    f.form.PopupMenu->popup(QPoint(0, 0));
    Settle();
    EXPECT_FALSE(restore->isEnabled());
    EXPECT_FALSE(f.form.SofortStarten->isEnabled());
    EXPECT_TRUE(cancel->isEnabled());
    f.form.PopupMenu->hide();
    f.form.Logic.Busy = false;
    // A run minimised to the tray is a run too.
    f.form.Logic.MinimizeToTray();
    f.form.PopupMenu->popup(QPoint(0, 0));
    Settle();
    EXPECT_FALSE(restore->isEnabled());
    f.form.PopupMenu->hide();
    f.form.Logic.RestoreFromTray();
    f.form.PopupMenu->popup(QPoint(0, 0));
    Settle();
    EXPECT_TRUE(restore->isEnabled());
    EXPECT_TRUE(f.form.SofortStarten->isEnabled());
    f.form.PopupMenu->hide();

    // Closing the window keeps the program waiting; its menu quits it.
    f.form.showNormal();
    f.form.close();
    Settle();
    EXPECT_TRUE(f.form.isVisible());
    EXPECT_TRUE(f.form.isMinimized());
    f.form.PopupMenu->findChild<QAction*>("StopSofort")->trigger();
    EXPECT_TRUE(f.form.Logic.Closing);
    EXPECT_FALSE(f.form.isVisible());
    // The program asked the application to end: run that out, or every later modal loop in
    // this process would return at once.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// The editor, the restore and the clean-up window are modal, and a run's Minimise takes them
// to the tray: the tray, and the window standing in for it, still take a person's clicks
// while one of them is open (what the click does is the tray's logic to decide).
TEST(BuMainForm, TheTrayTakesClicksBesideTheModalWindows)
{
    TForm f;
    f.form.TrayAvailability = [] { return false; };
    f.form.Logic.ShowTrayIcon({}, "Tessaro");
    Settle();
    TBackupLog log;
    NullProgressView view;
    NullStatusView status;
    TCleanUp cleanUp{log, view, status};
    TCleanUpDialog cleanUpDialog(cleanUp, &f.editor);
    TRestoreDialog restoreDialog(f.editor.Editor, &f.editor);
    struct Case
    {
        const char* name;
        QDialog* window;
        std::function<void()> open;
    } cases[] = {
        {"editor", &f.editor, [&] { f.editor.ShowModal(); }},
        {"clean-up", &cleanUpDialog, [&] { cleanUpDialog.exec(); }},
        {"restore", &restoreDialog, [&] { restoreDialog.exec(); }},
    };
    for (const Case& c : cases) {
        bool menuOpened = false;
        QTimer::singleShot(0, c.window, [&] {
            // Through the window as the platform delivers a click, where modality applies.
            QAction* menu = f.form.MenuBar->actions().front();
            const QPoint at = f.form.MenuBar->mapTo(&f.form, f.form.MenuBar->actionGeometry(menu).center());
            QTest::mouseClick(f.form.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
            menuOpened = QApplication::activePopupWidget() == f.form.PopupMenu;
            f.form.PopupMenu->hide();
            c.window->close();
        });
        c.open();
        EXPECT_TRUE(menuOpened) << c.name;
        EXPECT_FALSE(c.window->isVisible()) << c.name;
    }
}

TEST(BuMainForm, WithATrayTheWindowStaysHidden)
{
    TForm f;
    f.form.TrayAvailability = [] { return true; };
    f.form.Logic.MinimizeToTray();
    Settle();
    ASSERT_TRUE(TrayIconOf(&f.form));
    EXPECT_EQ(TrayIconOf(&f.form)->toolTip(), "Tessaro");
    EXPECT_FALSE(f.form.isVisible());
    EXPECT_FALSE(f.form.MenuBar);
}

TEST(BuMainForm, SplashTexts)
{
    TForm f;
    f.form.Logic.StartFlags = StartFlagBatch;
    f.form.ShowMainWindow(true);
    EXPECT_EQ(f.form.VersLabel->text(), "Vers. 4.2.6");
    EXPECT_EQ(f.form.StartLabel->text(), "Starting batch processing");
    f.form.ShowProgressBar();
    EXPECT_TRUE(f.form.StartLabel->isHidden());
    f.form.ShowMainWindow(false);
}

// The splash and the tray menu, checked and pictured as ui/Pictures.h says, with the
// program's own version texts.
TEST(Screenshots, SplashAndTrayMenu)
{
    TForm f;
    const TProgramInfo info = ThisProgramInfo();
    f.form.Logic.Info.Version = info.Version;
    f.form.Logic.Info.VersionText = info.VersionText;
    f.form.Logic.Info.ProductText = info.ProductText;
    f.form.Logic.Info.WindowTitle = info.WindowTitle;
    f.form.Logic.Info.ProgramDate = info.ProgramDate;
    f.UseTasks();
    f.form.ShowMainWindow(true);
    CheckPicture(f.form, "splash");
    f.form.ShowMainWindow(false);

    f.form.PopupMenu->popup(QPoint(40, 40));
    Settle();
    f.form.SofortStarten->popup(QPoint(40 + f.form.PopupMenu->width(), 60));
    CheckPicture(*f.form.PopupMenu, "tray-menu");
    CheckPicture(*f.form.SofortStarten, "tray-menu-start-backups");
    ScreenPicture("tray-menu-screen");
    f.form.SofortStarten->hide();
    f.form.PopupMenu->hide();
}
