#include "ui/foundation/WindowPlacement.h"
#include "TempFolder.h"
#include "tasks/BackupLog.h"
#include "ui/foundation/HelpWindow.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/foundation/ShowtextDialog.h"
#include "ui/tasks/RunDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

// Windows open over the window they belong to, in front of it and on the screen.

namespace {

// A modal window in the middle of the screen that the dialogs are opened over.
class OpenedOverAWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        owner.resize(500, 360);
        owner.move(area.center() - QPoint(250, 180));
        owner.open();
        QApplication::processEvents();
    }
    void TearDown() override { owner.reject(); }

    // Acts on the next modal window other than the owner once it is open.
    void WithNextDialog(std::function<void(QWidget&)> act, int tries = 200)
    {
        QTimer::singleShot(5, [this, act, tries] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != &owner) {
                act(*modal);
            } else if (tries > 0) {
                WithNextDialog(act, tries - 1);
            }
        });
    }

    // Centred, give or take the frame the window manager adds once it is shown.
    void ExpectCentredOnOwner(const QRect& shown) const
    {
        EXPECT_LE((shown.center() - owner.frameGeometry().center()).manhattanLength(), 10)
            << shown.center().x() << "," << shown.center().y();
    }

    TTempFolder temp;
    QDialog owner;
};

TEST_F(OpenedOverAWindow, TheFolderChooserOpensCentredOverTheWindowThatAsks)
{
    TShellDirDialog chooser;
    QRect shown;
    QWidget* parentWhileOpen = nullptr;
    WithNextDialog([&](QWidget& dialog) {
        shown = dialog.frameGeometry();
        parentWhileOpen = dialog.parentWidget();
        dialog.close();
    });
    std::string folder = temp.Win();
    chooser.Execute("Pick", false, folder);
    EXPECT_EQ(parentWhileOpen, &owner) << "kept in front of the owner";
    EXPECT_EQ(chooser.parentWidget(), nullptr) << "and a window of its own again";
    ExpectCentredOnOwner(shown);
}

TEST_F(OpenedOverAWindow, ARememberedPositionOffTheScreenComesBackOnIt)
{
    temp.WriteHostFile("settings.ini", "[DirDialog]\nLeft=5000\nTop=4000\n");
    TShellDirDialog chooser;
    chooser.LoadFromIni(temp.Win("settings.ini"), "DirDialog");
    QRect shown;
    WithNextDialog([&](QWidget& dialog) {
        shown = dialog.frameGeometry();
        dialog.close();
    });
    std::string folder = temp.Win();
    chooser.Execute("Pick", false, folder);
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(shown))
        << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();

    // A remembered position on the screen is kept.
    temp.WriteHostFile("settings.ini", "[DirDialog]\nLeft=30\nTop=40\n");
    TShellDirDialog again;
    again.LoadFromIni(temp.Win("settings.ini"), "DirDialog");
    WithNextDialog([&](QWidget& dialog) {
        shown = dialog.frameGeometry();
        dialog.close();
    });
    again.Execute("Pick", false, folder);
    EXPECT_EQ(shown.topLeft(), QPoint(30, 40));
}

TEST_F(OpenedOverAWindow, TheLogViewerOpensTwentyPixelsFromTheOwnersCorner)
{
    temp.WriteHostFile("tessaro.log", "Tessaro (1.0) - Data backup\n");
    TBackupLog log;
    log.LogPath = temp.Win("tessaro.log");
    TShowtextDialog viewer;
    owner.move(10, 10);
    QPoint corner;
    WithNextDialog([&](QWidget& dialog) {
        corner = dialog.frameGeometry().topLeft();
        dialog.close();
    });
    ShowBackupLog(viewer, log, "Tessaro");
    EXPECT_EQ(corner, owner.frameGeometry().topLeft() + QPoint(20, 20));
}

TEST_F(OpenedOverAWindow, HelpOverAModalWindowCanBeUsedAndOutlivesIt)
{
    temp.WriteHostFile("index.html", "<html><title>Help</title><body>Contents</body></html>");
    temp.WriteHostFile("tasks.html", "<html><title>Tasks</title><body>Tasks</body></html>");
    THelpWindow help;
    help.ShowPage(temp.Win("tasks.html"));
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.parentWidget(), &owner) << "a window outside the modal one could not be clicked";
    ExpectCentredOnOwner(help.frameGeometry());

    owner.reject();
    QApplication::processEvents();
    EXPECT_EQ(help.parentWidget(), nullptr);
    EXPECT_TRUE(help.isVisible()) << "the help stays open when the modal window closes";
    help.close();
}

TEST(WindowPlacement, ARectangleIsKeptInsideTheArea)
{
    const QRect area(0, 0, 1024, 600);
    EXPECT_EQ(KeptInside(QRect(900, 500, 300, 200), area), QRect(724, 400, 300, 200));
    EXPECT_EQ(KeptInside(QRect(-50, -20, 300, 200), area), QRect(0, 0, 300, 200));
    EXPECT_EQ(KeptInside(QRect(10, 10, 300, 200), area), QRect(10, 10, 300, 200));
    // Larger than the area: its top left corner stays visible.
    EXPECT_EQ(KeptInside(QRect(100, 100, 1200, 700), area).topLeft(), QPoint(0, 0));
}

} // namespace
