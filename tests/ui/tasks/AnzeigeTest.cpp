#include "ui/tasks/Anzeige.h"
#include "TempFolder.h"
#include "foundation/IniFile.h"
#include "ui/foundation/ProgressControls.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct RecordingOwner : IProgressOwner
{
    std::vector<std::pair<int, int>> Messages;
    void ProgressMessage(int message, int wParam) override { Messages.emplace_back(message, wParam); }
};

void DeliverPosted()
{
    QCoreApplication::sendPostedEvents();
}

// Runs check on the shown result window, then closes it with the button, so Finish returns.
void FinishWith(TZeigFortschritt& window, int status, int delay, const std::function<void()>& check)
{
    QTimer::singleShot(0, &window, [&] {
        check();
        window.Button->click();
    });
    window.Finish(status, "", "Done.", 0x008000, delay);
}

} // namespace

TEST(ProgressWindow, BarsClampTheirPercentages)
{
    TZeigFortschritt window;
    window.Start(nullptr, "Backup", "E:\\Backup\\", -1);
    window.SetFileProgress(-5);
    window.SetTotalProgress(250);
    EXPECT_EQ(window.EinzelBalken->value(), 0);
    EXPECT_EQ(window.GesamtBalken->value(), 100);
    window.SetFileProgress(37);
    EXPECT_EQ(window.EinzelBalken->value(), 37);
}

TEST(ProgressWindow, PauseTwicePostsPauseThenContinueAndLocksCancel)
{
    TZeigFortschritt window;
    RecordingOwner owner;
    window.Start(&owner, "Backup", "E:\\", 0);
    window.PauseBtn->click();
    EXPECT_TRUE(window.Paused());
    EXPECT_FALSE(window.Button->isEnabled());
    EXPECT_FALSE(window.ClkProgress->TimerRunning());
    EXPECT_TRUE(owner.Messages.empty()) << "posted, not sent";
    window.PauseBtn->click();
    EXPECT_FALSE(window.Paused());
    EXPECT_TRUE(window.Button->isEnabled());
    window.MinimizeBtn->click();
    window.Button->click();
    DeliverPosted();
    const std::vector<std::pair<int, int>> expected = {{UM_PAUSE, 1}, {UM_PAUSE, 0}, {UM_MINIMIZE, 0}, {UM_CANCEL, 0}};
    EXPECT_EQ(owner.Messages, expected);
    EXPECT_TRUE(window.Cancelled());
}

TEST(ProgressWindow, WithoutOwnerButtonsPostNothingButCancelStillCounts)
{
    TZeigFortschritt window;
    RecordingOwner earlier;
    window.Start(&earlier, "Backup", "E:\\", 0);
    window.PauseBtn->click(); // still queued when the next run starts
    window.Start(nullptr, "Clean-up", "E:\\", 0);
    EXPECT_FALSE(window.Paused());
    window.PauseBtn->click();
    window.MinimizeBtn->click();
    window.PauseBtn->click();
    window.Button->click();
    DeliverPosted();
    EXPECT_TRUE(earlier.Messages.empty());
    EXPECT_TRUE(window.Cancelled());
}

TEST(ProgressWindow, CloseDelayAfterFinish)
{
    TZeigFortschritt window;
    window.Start(nullptr, "Backup", "E:\\", 0);

    FinishWith(window, FinishWarnings, DelayWaitOnError + 5, [&] {
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.Timer->isActive()) << "waits for the user after warnings";
        EXPECT_TRUE(window.Button->isDefault());
        EXPECT_TRUE(window.PauseBtn->isHidden());
        EXPECT_EQ(window.GesamtBalken->value(), 100);
    });
    EXPECT_FALSE(window.isVisible());

    FinishWith(window, FinishOk, DelayWaitOnError + 5, [&] {
        EXPECT_TRUE(window.Timer->isActive());
        EXPECT_EQ(window.Timer->interval(), 5000);
    });
    FinishWith(window, FinishOk, 0, [&] { EXPECT_FALSE(window.Timer->isActive()); });
    FinishWith(window, FinishOk, DelayWaitOnError, [&] { EXPECT_FALSE(window.Timer->isActive()); });
}

TEST(ProgressWindow, TimerClosesTheResult)
{
    TZeigFortschritt window;
    window.Start(nullptr, "Backup", "E:\\", 0);
    QTimer::singleShot(0, &window, [&] {
        ASSERT_EQ(window.Timer->interval(), 3000);
        window.Timer->start(0); // as if the delay had passed
    });
    window.Finish(FinishOk, "", "Done.", 0, 3);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Timer->isActive());
    EXPECT_FALSE(window.HinweisLabel->isHidden()) << "reset for the next run";
}

TEST(ProgressWindow, CancelAfterACancelledRunReachesTheOwnerAndCloses)
{
    TZeigFortschritt window;
    RecordingOwner owner;
    window.Start(&owner, "Backup", "E:\\", 0);
    FinishWith(window, FinishCancelled, 5, [&] {
        EXPECT_EQ(window.Button->text(), "Cancel");
        EXPECT_FALSE(window.Button->isDefault());
    });
    DeliverPosted();
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(owner.Messages.size(), 1u);
    EXPECT_EQ(owner.Messages[0].first, UM_CANCEL);
}

TEST(ProgressWindow, ActionFollowsTheItemKind)
{
    TZeigFortschritt window;
    window.Start(nullptr, "Backup", "E:\\", 0);
    window.ShowFile(ItemFile, "", "C:\\Data\\a.txt");
    window.SetAction(1);
    EXPECT_EQ(window.FileLabel->text(), "File ");
    EXPECT_EQ(window.ActionLabel->text(), "is being copied");
    EXPECT_EQ(window.HinweisLabel->text(), "/Data/a.txt"); // shown as a host path
    window.SetAction(7);
    EXPECT_EQ(window.ActionLabel->text(), "is being copied and verified");
    window.ShowFile(ItemDirectory, "is being scanned", "C:\\Data");
    EXPECT_EQ(window.ActionLabel->text(), "is being scanned");
    window.SetItemKind(ItemNone);
    EXPECT_TRUE(window.FileLabel->isHidden());
}

TEST(ProgressWindow, PositionIsKeptOnlyWithASettingsFile)
{
    TTempFolder folder;
    folder.WriteHostFile("Tessaro.ini", "[StatusWindow]\nTop=70\nLeft=90\n");
    {
        TZeigFortschritt window;
        window.LoadFromIni(folder.Win("Tessaro.ini"));
        EXPECT_EQ(window.pos(), QPoint(90, 70));
        window.move(120, 130);
    }
    const TIniFile ini(folder.Win("Tessaro.ini"));
    EXPECT_EQ(ini.ReadInteger("StatusWindow", "Left", 0), 120);
    EXPECT_EQ(ini.ReadInteger("StatusWindow", "Top", 0), 130);
    const std::string before = folder.ReadHostFile("Tessaro.ini");
    {
        TZeigFortschritt window;
        window.LoadFromIni("");
        window.move(5, 5);
    }
    EXPECT_EQ(folder.ReadHostFile("Tessaro.ini"), before);
}

TEST(ProgressWindow, OpensCentredUntilAPositionWasStored)
{
    TTempFolder folder;
    folder.WriteHostFile("Tessaro.ini", "[Other]\nKey=1\n");
    const std::string before = folder.ReadHostFile("Tessaro.ini");
    {
        TZeigFortschritt window;
        window.LoadFromIni(folder.Win("Tessaro.ini"));
    }
    EXPECT_EQ(folder.ReadHostFile("Tessaro.ini"), before) << "a window never shown has no position to keep";
    {
        TZeigFortschritt window;
        window.LoadFromIni(folder.Win("Tessaro.ini"));
        window.show();
        QCoreApplication::processEvents();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Within a few pixels: the layout may settle after the move.
        EXPECT_LE((window.geometry().center() - screen.center()).manhattanLength(), 16);
        window.hide();
    }
    const TIniFile ini(folder.Win("Tessaro.ini"));
    EXPECT_TRUE(ini.ValueExists("StatusWindow", "Top"));
    EXPECT_TRUE(ini.ValueExists("StatusWindow", "Left"));
}

// A run's window opens over the window that started it, as the dialogs do; a position stored
// by an earlier run (here the screen's corner) only serves runs without such a window.
TEST(ProgressWindow, OpensOverTheWindowThatStartedTheRun)
{
    TTempFolder folder;
    folder.WriteHostFile("Tessaro.ini", "[StatusWindow]\nTop=0\nLeft=0\n");
    TZeigFortschritt window;
    window.LoadFromIni(folder.Win("Tessaro.ini"));
    QWidget editor;
    editor.setWindowModality(Qt::ApplicationModal);
    for (const QRect place : {QRect(60, 50, 500, 400), QRect(200, 120, 500, 400)}) {
        editor.setGeometry(place);
        editor.show();
        QCoreApplication::processEvents();
        window.show();
        QCoreApplication::processEvents();
        EXPECT_LE((window.geometry().center() - editor.geometry().center()).manhattanLength(), 16);
        window.hide();
        editor.hide();
    }
    window.show();
    QCoreApplication::processEvents();
    EXPECT_LE((window.geometry().center() - editor.geometry().center()).manhattanLength(), 16)
        << "without a window the run keeps where it last was";
    window.hide();
}

// A run started from a modal window (the editor, the restore window): the progress window's
// buttons take a person's clicks, which the modal window would otherwise block.
TEST(ProgressWindow, ItsButtonsAnswerBesideAModalWindow)
{
    TZeigFortschritt window;
    RecordingOwner owner;
    QDialog editor;
    bool paused = false;
    QTimer::singleShot(0, &editor, [&] {
        window.Start(&owner, "Backup", "E:\\", 0);
        QCoreApplication::processEvents();
        // Through the window as the platform delivers a click, where modality applies.
        const QPoint pause = window.PauseBtn->mapTo(&window, window.PauseBtn->rect().center());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, pause);
        paused = window.Paused();
        window.PauseBtn->click();
        window.Finish(FinishCancelled, "", "", 0, -1);
        editor.reject();
    });
    editor.exec();
    EXPECT_TRUE(paused);
}

// Run under ThreadSanitizer by the CI's tsan leg.
TEST(ProgressWindowStress, MillionWorkerEventsWhileTheWindowRuns)
{
    TZeigFortschritt window;
    RecordingOwner owner;
    window.Start(&owner, "Backup", "E:\\Backup\\", 0);
    std::atomic<bool> done = false;
    constexpr int Events = 1'000'000;
    std::thread worker([&] {
        for (int i = 0; i < Events; ++i) {
            window.SetAction(1 + i % 9);
            window.SetFileProgress(i % 101);
            window.SetTotalProgress(static_cast<std::int64_t>(i) * 100 / Events);
            if (window.Paused()) {
                std::this_thread::yield();
            }
        }
        window.SetAction(8);
        window.SetFileProgress(100);
        window.SetTotalProgress(100);
        done = true;
    });
    int passes = 0;
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        window.RefreshFromWorker();
        if (++passes % 50 == 0) {
            window.PauseBtn->click(); // GUI-side state changes meanwhile
        }
    }
    worker.join();
    window.RefreshFromWorker();
    DeliverPosted();
    EXPECT_EQ(window.EinzelBalken->value(), 100);
    EXPECT_EQ(window.GesamtBalken->value(), 100);
    EXPECT_EQ(window.ActionLabel->text(), "is being written via FTP");
    window.Finish(FinishOk, "", "", 0, -1);
}
