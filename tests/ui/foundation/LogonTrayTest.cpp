#include "foundation/MessageDialogs.h"
#include "foundation/NetConnect.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/LogonDialog.h"
#include "ui/foundation/TrayIcon.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(LogonDialog, ReturnsTheEnteredCredentials)
{
    TLogonDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Connect to");
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(dialog.RemoteName()->text(), "\\\\nas\\data");
        EXPECT_EQ(dialog.focusWidget(), dialog.Password()); // a user name is given
        dialog.Password()->setText("secret");
        dialog.LogonButton()->click();
    });
    std::string user = "anna";
    std::string password;
    EXPECT_EQ(dialog.Execute("\\\\nas\\data", user, password), MrOk);
    EXPECT_EQ(user, "anna");
    EXPECT_EQ(password, "secret");
    EXPECT_EQ(dialog.UserName()->count(), 1);

    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(dialog.focusWidget() == dialog.UserName() || dialog.focusWidget() == dialog.UserName()->lineEdit());
        dialog.SkipButton()->click();
    });
    user.clear();
    EXPECT_EQ(dialog.Execute("\\\\nas\\data", user, password), MrIgnore);
}

TEST(LogonDialog, EnteringTheUserNameClearsThePassword)
{
    TLogonDialog dialog;
    dialog.show();
    dialog.Password()->setFocus();
    dialog.Password()->setText("typed");
    dialog.UserName()->lineEdit()->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.Password()->text().isEmpty());
}

TEST(LogonDialog, ServesAsThePromptForShares)
{
    TLogonDialog dialog;
    InstallLogonPrompt(&dialog);
    TRecordingNetConnections net; // the prompt itself is tested, not a connection
    QTimer::singleShot(0, [&] {
        dialog.UserName()->SetText("bob");
        dialog.Password()->setText("pw");
        dialog.LogonButton()->click();
    });
    std::string user, password;
    EXPECT_EQ(dialog.Execute("\\\\srv\\s", user, password), MrOk);
    EXPECT_EQ(user, "bob");
    SetNetCredentialPrompt({});
}

namespace {

class TTrayWindow : public QWidget
{
public:
    int Received = 0;
    QSystemTrayIcon::ActivationReason Reason = QSystemTrayIcon::Unknown;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == TTrayMessageEvent::EventType()) {
            auto* tray = static_cast<TTrayMessageEvent*>(e);
            Received = tray->Message;
            Reason = tray->Reason;
            return true;
        }
        return QWidget::event(e);
    }
};

} // namespace

TEST(TrayIcon, AddModifyRemoveAndCallback)
{
    TTrayWindow window;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::blue);
    const QIcon icon(pixmap);
    ASSERT_TRUE(AddTrayIcon(&window, 1025, icon, QString(70, 'x')));
    EXPECT_FALSE(AddTrayIcon(&window, 1025, icon, "again"));
    QSystemTrayIcon* tray = TrayIconOf(&window);
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip().size(), 63);
    emit tray->activated(QSystemTrayIcon::DoubleClick);
    QApplication::processEvents();
    EXPECT_EQ(window.Received, 1025);
    EXPECT_EQ(window.Reason, QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(ModifyTrayIcon(&window, QIcon()));
    EXPECT_FALSE(tray->icon().isNull());
    EXPECT_TRUE(RemoveTrayIcon(&window));
    EXPECT_EQ(TrayIconOf(&window), nullptr);
    EXPECT_FALSE(ModifyTrayIcon(&window, icon));

    TTrayWindow quiet;
    ASSERT_TRUE(AddTrayIcon(&quiet, 0, QIcon(), ""));
    emit TrayIconOf(&quiet)->activated(QSystemTrayIcon::Trigger);
    QApplication::processEvents();
    EXPECT_EQ(quiet.Received, 0);
    EXPECT_TRUE(TrayIconOf(&quiet)->toolTip().isEmpty());
}
