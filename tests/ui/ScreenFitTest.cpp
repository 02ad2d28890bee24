#include "TempFolder.h"
#include "foundation/StatusView.h"
#include "restore/CleanUpTask.h"
#include "tasks/BackupLog.h"
#include "tasks/ProgressView.h"
#include "tasks/TaskEditor.h"
#include "ui/LayoutCheck.h"
#include "ui/Pictures.h"
#include "ui/WindowManager.h"
#include "ui/foundation/TabPages.h"
#include "ui/restore/CleanUpDialog.h"
#include "ui/restore/RestoreDlg.h"
#include "ui/tasks/BackupForm.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <gtest/gtest.h>

// The main windows fit the screen they open on, whatever its size, scale and the program's
// language: ctest runs these on 800x500, 1024x600 and 1366x768 logical screens at 1x, 1.25x
// and 2x, in English and German (ScreenFit.*-...). Where a page cannot shrink it scrolls, and
// every control can be reached. The CI leg scripts/ci.d/window-manager.sh runs them once more
// on Xvfb with openbox, which frames, places and resizes the windows as a desktop does.

namespace {

void ShowAsOpenedForAPerson(QWidget& window)
{
    window.show();
    SettleWindows();
    EXPECT_TRUE(SettleUnderWindowManager(window)) << window.windowTitle().toStdString() << " never settled";
}

// Shows the window as it opens for a person, checks its fit and layout on every page.
void ExpectFitsOnEveryPage(QWidget& window, QTabWidget* pages, const std::string& name)
{
    ShowAsOpenedForAPerson(window);
    const int count = pages ? pages->count() : 1;
    for (int page = 0; page < count; ++page) {
        if (pages) {
            ShowPageQuietly(*pages, page);
        }
        SettleWindows();
        const std::string shown = name + "-page" + std::to_string(page + 1);
        ExpectFitsItsScreen(window, shown);
        ExpectTidyLayout(window, shown);
        ExpectEveryControlInReach(window, shown);
        ScreenPicture("screen-" + shown);
    }
    window.hide();
}

// Shown at its first size, a window shows its contents whole unless the screen is too small
// for that in the direction its view scrolls.
void ExpectScrollsOnlyWhereTheScreenIsTooSmall(QWidget& window, const char* viewName)
{
    ShowAsOpenedForAPerson(window);
    const auto* view = window.findChild<QScrollArea*>(viewName);
    ASSERT_NE(view, nullptr) << viewName;
    const QRect area = window.screen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    if (view->horizontalScrollBar()->isVisible()) {
        EXPECT_GE(frame.width(), area.width() - 1) << viewName << " scrolls sideways on a screen with room";
    }
    if (view->verticalScrollBar()->isVisible()) {
        EXPECT_GE(frame.height(), area.height() - 1) << viewName << " scrolls up and down on a screen with room";
    }
    window.hide();
}

// Without a place of its own a window opens in the middle of its screen (where it is smaller
// than the screen: a larger one is kept inside it).
void ExpectOpensCentredOnItsScreen(QWidget& window)
{
    ShowAsOpenedForAPerson(window);
    const QRect area = window.screen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    // The frame the window manager gave may differ from the one expected when it was placed.
    constexpr int FrameSlack = 20;
    if (frame.width() < area.width()) {
        EXPECT_NEAR(frame.center().x(), area.center().x(), FrameSlack) << "left edge at " << frame.left();
    }
    if (frame.height() < area.height()) {
        EXPECT_NEAR(frame.center().y(), area.center().y(), FrameSlack) << "top edge at " << frame.top();
    }
    window.hide();
}

// Made smaller by the user, the window keeps that size and scrolls.
void ExpectKeepsASizeMadeSmaller(QWidget& window)
{
    ShowAsOpenedForAPerson(window);
    const QSize smaller = window.size() - QSize(60, 120);
    window.resize(smaller);
    SettleUnderWindowManager(window);
    SettleWindows();
    EXPECT_EQ(window.size(), smaller);
    window.hide();
}

TEST(ScreenFit, RestoreWindow)
{
    TTaskEditor editor;
    TRestoreDialog dialog(editor);
    dialog.Prepare("C:\\media\\anna\\BACKUP\\LwC\\home\\anna", "C:\\home\\anna\\Restored");
    ExpectScrollsOnlyWhereTheScreenIsTooSmall(dialog, "ContentsScroll");
    ExpectOpensCentredOnItsScreen(dialog);
    ExpectFitsOnEveryPage(dialog, dialog.pcSource, "restore");
    ExpectKeepsASizeMadeSmaller(dialog);
}

TEST(ScreenFit, CleanUpWindow)
{
    TTempFolder temp;
    TBackupLog log;
    NullProgressView view;
    NullStatusView status;
    TCleanUp logic{log, view, status};
    TCleanUpDialog dialog(logic);
    dialog.Prepare(temp.Win(), false, 0);
    ExpectScrollsOnlyWhereTheScreenIsTooSmall(dialog, "ContentsScroll");
    ExpectOpensCentredOnItsScreen(dialog);
    ExpectFitsOnEveryPage(dialog, dialog.pcBuDir, "clean-up");
    ExpectKeepsASizeMadeSmaller(dialog);
}

TEST(ScreenFit, TaskEditor)
{
    TTempFolder home;
    TBackupForm form;
    form.ReadSettings(home.Win("tessaro.ini"));
    form.FormShow();
    // The automatic-task page's buttons too.
    form.PageControl->setCurrentWidget(form.tsAuto);
    ExpectScrollsOnlyWhereTheScreenIsTooSmall(form, "EditorScroll");
    ExpectOpensCentredOnItsScreen(form);
    ExpectFitsOnEveryPage(form, form.PageControl, "task-editor");
    ExpectFitsOnEveryPage(form, form.BUPageControl, "task-editor-task");
    ExpectFitsOnEveryPage(form, form.pcDest, "task-editor-destination");
}

} // namespace
