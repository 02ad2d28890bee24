#include "ui/foundation/StatusWindow.h"
#include "ui/foundation/ProgressControls.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

void PressEscape(QWidget& window)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
}

} // namespace

TEST(StatusWindow, StepZeroShowsNoBar)
{
    TStatusWindow window;
    window.Open(-1, -1, "Scanning", 0, true, "C:\\Data");
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.BarProgress->isVisible());
    EXPECT_EQ(window.BarProgress->Status(), TProgressStatus::psOff);
    window.Open(-1, -1, "", 5, true, "");
    EXPECT_TRUE(window.BarProgress->isVisible());
    EXPECT_EQ(window.BarProgress->Status(), TProgressStatus::psOn);
    EXPECT_EQ(window.BarProgress->Increment(), 5);
    window.Close();
    EXPECT_EQ(window.BarProgress->Status(), TProgressStatus::psOff);
}

TEST(StatusWindow, ReopeningWithEmptyCaptionKeepsCaptionAndSize)
{
    TStatusWindow window;
    window.Open(-1, -1, "Scanning directories", 5, true, "C:\\Data\\Docs");
    const QSize size = window.size();
    window.ShowProgress("1234 files");
    window.btnCancel->click();
    ASSERT_TRUE(window.Cancelled());
    window.Open(-1, -1, "", 5, true, "");
    EXPECT_EQ(window.windowTitle(), "Scanning directories");
    EXPECT_EQ(window.size(), size);
    EXPECT_TRUE(window.ProgLabel->text().isEmpty());
    EXPECT_EQ(window.StatusLabel->text(), "/Data/Docs"); // shown as a host path
    EXPECT_FALSE(window.Cancelled());
}

TEST(StatusWindow, PositionNearLowerRightCornerStaysInsideTheScreen)
{
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    TStatusWindow window;
    window.Open(area.right() - 3, area.bottom() - 3, "a", 5, true, "");
    EXPECT_EQ(window.x() + window.width(), area.right() + 1 - 20);
    EXPECT_EQ(window.y() + window.height(), area.bottom() + 1 - 20);
    TStatusWindow placed;
    placed.Open(40, 50, "a", 5, true, "");
    EXPECT_EQ(placed.pos(), QPoint(40, 50));
}

TEST(StatusWindow, EscapeCancelsOnlyWhileCancelIsShown)
{
    TStatusWindow window;
    window.Open(-1, -1, "a", 5, false, "");
    PressEscape(window);
    EXPECT_FALSE(window.Cancelled());
    EXPECT_TRUE(window.isVisible());
    window.Open(-1, -1, "a", 5, true, "");
    PressEscape(window);
    EXPECT_TRUE(window.Cancelled());
    EXPECT_TRUE(window.isVisible());
}

TEST(StatusWindow, LongPathsAreShortenedToTheBar)
{
    TStatusWindow window;
    const std::string path =
        "C:\\" + std::string(40, 'a') + "\\" + std::string(40, 'b') + "\\" + std::string(40, 'c') + "\\file.txt";
    window.Open(-1, -1, "a", 5, true, path);
    EXPECT_LE(window.StatusLabel->width(), 271 + 5);
    EXPECT_TRUE(window.StatusLabel->text().startsWith("/"));
    EXPECT_TRUE(window.StatusLabel->text().endsWith("/.../file.txt")) << window.StatusLabel->text().toStdString();
}

// A scan started from a modal window (the editor): Cancel takes a person's click, which the
// modal window would otherwise block.
TEST(StatusWindow, CancelAnswersBesideAModalWindow)
{
    TStatusWindow window;
    QDialog editor;
    bool cancelled = false;
    QTimer::singleShot(0, &editor, [&] {
        window.Open(-1, -1, "Scanning", 0, true, "C:\\Data");
        QCoreApplication::processEvents();
        // Through the window as the platform delivers a click, where modality applies.
        const QPoint cancel = window.btnCancel->mapTo(&window, window.btnCancel->rect().center());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, cancel);
        cancelled = window.Cancelled();
        window.Close();
        editor.reject();
    });
    editor.exec();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(window.parentWidget(), nullptr) << "a window of its own again once closed";
}
