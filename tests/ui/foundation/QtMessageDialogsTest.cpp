#include "ui/foundation/QtMessageDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs check on the message box once it is up, then presses the button with the given text.
void WhenBoxShows(std::function<void(QMessageBox&)> check, QString press)
{
    QTimer::singleShot(0, [check, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        check(*box);
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == press) {
                b->click();
                return;
            }
        }
        box->reject();
    });
}

} // namespace

TEST(QtMessageDialogs, PlacesTheBoxAndReturnsTheChosenButton)
{
    TQtMessageDialogs dialogs;
    TScopedMessageDialogs scope(dialogs);
    QPoint pos;
    QString title;
    WhenBoxShows(
        [&](QMessageBox& box) {
            pos = box.pos();
            title = box.windowTitle();
            EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
            EXPECT_EQ(box.text(), "one\ntwo\nthree");
        },
        "&Yes");
    EXPECT_TRUE(ConfirmDialogAt("", "one\r\ntwo\rthree", {-1, 300}));
    EXPECT_EQ(pos, QPoint(20, 300));
    EXPECT_EQ(title, "Confirm");

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QSize size;
    WhenBoxShows(
        [&](QMessageBox& box) {
            pos = box.pos();
            size = box.frameGeometry().size();
        },
        "Cancel");
    EXPECT_EQ(
        MessageDialogAt("Title", "x", TMsgDlgType::Warning, MbOkCancel, {screen.width() - 5, screen.height() - 5}),
        MrCancel);
    EXPECT_EQ(pos.x(), screen.width() - size.width() - 20);
    EXPECT_EQ(pos.y(), screen.height() - size.height() - 20);
}

TEST(QtMessageDialogs, ClosingAQuestionIsNotYes)
{
    TQtMessageDialogs dialogs;
    TScopedMessageDialogs scope(dialogs);
    WhenBoxShows([](QMessageBox&) {}, "none");
    EXPECT_FALSE(ConfirmDialog("Q", "Really?"));
    WhenBoxShows([](QMessageBox&) {}, "none");
    EXPECT_EQ(MessageDialog("", "?", TMsgDlgType::Confirmation, MbYesNoCancel), MrCancel);
}

TEST(QtMessageDialogs, ANoteNeitherWaitsNorBlocksWhatRuns)
{
    TQtMessageDialogs dialogs;
    TScopedMessageDialogs scope(dialogs);
    InfoNote("", "Tessaro\r\r1: Backup task: Daily");

    QMessageBox* note = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            note = box;
        }
    }
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), "Tessaro\n\n1: Backup task: Daily");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // A run's timer keeps firing while the note is open.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    while (ticks < 5) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    EXPECT_TRUE(note->isVisible());

    QPointer<QMessageBox> watched(note);
    note->buttons().front()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());
}
