#include "ui/shell/BuMainForm.h"

#include "foundation/Translate.h"
#include "ui/foundation/ProgressControls.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/TrayIcon.h"
#include "ui/shell/ProgramIcons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int TrayCallbackMessage = 1025;

QString TrQ(const char* text)
{
    return QStr(TrDefault(text));
}

} // namespace

TBuMainForm::TBuMainForm(ITaskEditor& editor, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), Logic(editor, *this),
      TrayAvailability([] { return QSystemTrayIcon::isSystemTrayAvailable(); })
{
    setObjectName("BuMainForm");
    setWindowTitle(ProductName);
    BuildLayout();
    BuildMenu();
    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    connect(Timer, &QTimer::timeout, this, [this] { Logic.TimerTimer(); });
}

TBuMainForm::~TBuMainForm()
{
    ::RemoveTrayIcon(this);
    Logic.Destroy();
}

void TBuMainForm::BuildLayout()
{
    setFixedSize(380, 180);
    setAutoFillBackground(true);
    QPalette colours = palette();
    QLinearGradient gradient(0, 0, 0, 180);
    gradient.setColorAt(0, QColor(0xF4, 0xF7, 0xFC));
    gradient.setColorAt(1, QColor(0xD4, 0xDF, 0xF0));
    colours.setBrush(QPalette::Window, gradient);
    colours.setColor(QPalette::WindowText, QColor(0x10, 0x28, 0x50));
    setPalette(colours);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName("imgLogo");
    imgLogo->setPixmap(ApplicationIcon().pixmap(96, 96));
    auto* title = new QLabel(ProductName, this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);

    VersLabel = new QLabel(this);
    VersLabel->setObjectName("VersLabel");
    StartLabel = new QLabel(this);
    StartLabel->setObjectName("StartLabel");
    BarProgress = new TBarProgress(this);
    BarProgress->setObjectName("BarProgress");
    BarProgress->setFixedHeight(14);
    BarProgress->hide();

    auto* panel = new QVBoxLayout;
    panel->addWidget(title);
    panel->addWidget(VersLabel);
    panel->addStretch();
    panel->addWidget(StartLabel);
    panel->addWidget(BarProgress);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(18, 18, 18, 18);
    row->setSpacing(18);
    row->addWidget(imgLogo, 0, Qt::AlignTop);
    row->addLayout(panel, 1);
}

void TBuMainForm::BuildMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PopupMenu");
    auto add = [this](QMenu* menu, const char* name, const char* caption, std::function<void()> click) {
        QAction* action = menu->addAction(TrQ(caption));
        action->setObjectName(name);
        if (click) {
            connect(action, &QAction::triggered, this, std::move(click));
        }
        return action;
    };
    add(PopupMenu, "Tessaro", TrNoopDefault("&Tessaro"), [this] { Logic.TessaroClick(); });
    PopupMenu->addSeparator();
    SofortStarten = PopupMenu->addMenu(TrQ("&Start backups"));
    SofortStarten->setObjectName("SofortStarten");
    add(PopupMenu, "Restore", TrNoopDefault("Start &restore .."), [this] { Logic.RestoreClick(); });
    add(PopupMenu, "Cleanup", TrNoopDefault("&Clean up .."), [this] { Logic.CleanupClick(); });
    QMenu* shutdown = PopupMenu->addMenu(TrQ("Shut&down"));
    shutdown->setObjectName("Quitwindowsand1");
    add(shutdown, "BackupOff", TrNoopDefault("with Backup and &power off"),
        [this] { Logic.BackupShutdownClick(EndActionPowerOff); });
    add(shutdown, "BackupRestart", TrNoopDefault("with &Backup and restart"),
        [this] { Logic.BackupShutdownClick(EndActionRestart); });
    add(shutdown, "ShutdownOff", TrNoopDefault("and power &off"), [this] { Logic.ShutdownClick(EndActionPowerOff); });
    add(shutdown, "ShutdownRestart", TrNoopDefault("and &restart"), [this] { Logic.ShutdownClick(EndActionRestart); });
    QMenu* view = PopupMenu->addMenu(TrQ("&View"));
    view->setObjectName("View1");
    add(view, "Protokoll", TrNoopDefault("&Log file"), [this] { Logic.ProtokollClick(); });
    add(view, "Version", TrNoopDefault("&Version info"), [this] { Logic.VersionClick(); });
    PopupMenu->addSeparator();
    add(PopupMenu, "StopSofort", TrNoopDefault("&Quit program"), [this] { Logic.StopSofortClick(); });
    PopupMenu->addSeparator();
    add(PopupMenu, "abbrechen1", TrNoopDefault("&Cancel"), {});
    // The menu bar's title for the same menu.
    PopupMenu->setTitle(TrQ(TrNoopDefault("&Tessaro")));
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] { EnableMenuItems(); });
    UpdateTaskMenu();
}

// The tray opens the menu only when its items may run; the menu bar opens it at any time,
// so its items are greyed out meanwhile.
void TBuMainForm::EnableMenuItems()
{
    const bool allowed = Logic.TrayMenuAllowed();
    for (QAction* action : PopupMenu->actions()) {
        if (!action->isSeparator() && action != SofortStarten->menuAction() && action->objectName() != "abbrechen1") {
            action->setEnabled(allowed);
        }
    }
    UpdateTaskMenu();
    if (!allowed) {
        SofortStarten->setEnabled(false);
    }
}

void TBuMainForm::UpdateTaskMenu()
{
    SofortStarten->clear();
    const std::vector<TTaskMenuItem> items = Logic.TaskMenuItems();
    SofortStarten->setEnabled(!items.empty());
    for (const TTaskMenuItem& item : items) {
        QAction* action = SofortStarten->addAction(QStr(item.Caption));
        action->setObjectName(QStr(item.Name));
        const std::string selector = item.Selector;
        connect(action, &QAction::triggered, this, [this, selector] { Logic.SofortStartenClick(selector); });
    }
}

void TBuMainForm::WatchInstanceServer(TInstanceServer* server)
{
    instanceServer = server;
    if (!server || server->Fd() < 0) {
        return;
    }
    instanceNotifier = new QSocketNotifier(server->Fd(), QSocketNotifier::Read, this);
    connect(instanceNotifier, &QSocketNotifier::activated, this, [this] { ReadInstanceRequest(); });
}

void TBuMainForm::ReadInstanceRequest()
{
    if (const std::optional<TInstanceRequest> request = instanceServer->ReadRequest()) {
        Logic.HandleRequest(*request);
    }
}

void TBuMainForm::ShowProgressBar()
{
    StartLabel->hide();
    BarProgress->show();
    BarProgress->SetStatus(TProgressStatus::psOn);
}

void TBuMainForm::CenterOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TBuMainForm::ShowMainWindow(bool show)
{
    if (show) {
        CenterOnScreen();
    }
    setVisible(show);
}

void TBuMainForm::RaiseMainWindow()
{
    showNormal();
    raise();
    activateWindow();
}

void TBuMainForm::SetTimer(bool on, int intervalMs)
{
    Timer->setInterval(intervalMs);
    if (on) {
        Timer->start();
    } else {
        Timer->stop();
    }
}

void TBuMainForm::AddTrayIcon(const std::string& icon, const std::string& tip)
{
    if (QSystemTrayIcon* tray = TrayIconOf(this)) {
        tray->setIcon(TrayIconPicture(icon));
        tray->setToolTip(QStr(tip));
        return;
    }
    ::AddTrayIcon(this, TrayCallbackMessage, TrayIconPicture(icon), QStr(tip));
}

bool TBuMainForm::TrayAvailable() const
{
    return TrayAvailability();
}

void TBuMainForm::BecomeMenuWindow()
{
    if (MenuBar) {
        return;
    }
    MenuBar = new QMenuBar(this);
    MenuBar->setObjectName("MenuBar");
    MenuBar->addMenu(PopupMenu);
    layout()->setMenuBar(MenuBar);
    StartLabel->hide();
    BarProgress->hide();
    // A frame, a task bar entry and a minimise button, which the splash has not.
    setWindowFlags(Qt::Window);
    setFixedSize(width(), height() + MenuBar->sizeHint().height());
}

void TBuMainForm::ShowMenuWindow(const std::string& icon, const std::string& tip)
{
    BecomeMenuWindow();
    setWindowTitle(QStr(tip));
    setWindowIcon(TrayIconPicture(icon));
    if (!isMinimized()) {
        showMinimized();
    }
}

void TBuMainForm::SetTrayIcon(const std::string& icon)
{
    ModifyTrayIcon(this, TrayIconPicture(icon));
    if (MenuBar) {
        setWindowIcon(TrayIconPicture(icon));
    }
}

void TBuMainForm::RemoveTrayIcon()
{
    ::RemoveTrayIcon(this);
    if (MenuBar) {
        hide();
    }
}

void TBuMainForm::RestoreRunWindows()
{
    if (RestoreRunHook) {
        RestoreRunHook();
    }
}

void TBuMainForm::PopupTrayMenu()
{
    UpdateTaskMenu();
    PopupMenu->popup(QCursor::pos());
}

void TBuMainForm::ToggleProgressWindow()
{
    if (progressWindow) {
        progressWindow->setVisible(!progressWindow->isVisible());
    }
}

void TBuMainForm::BringProgressToFront()
{
    if (progressWindow && progressWindow->isVisible()) {
        progressWindow->raise();
        progressWindow->activateWindow();
    }
}

void TBuMainForm::BringApplicationToFront()
{
    if (progressWindow && progressWindow->isVisible()) {
        BringProgressToFront();
    } else if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    } else if (isVisible()) {
        RaiseMainWindow();
    }
}

void TBuMainForm::CloseProgram()
{
    hide();
    ::RemoveTrayIcon(this);
    QCoreApplication::exit(0);
}

bool TBuMainForm::event(QEvent* event)
{
    if (event->type() == TTrayMessageEvent::EventType()) {
        const auto* tray = static_cast<TTrayMessageEvent*>(event);
        if (tray->Reason == QSystemTrayIcon::Trigger) {
            Logic.TrayMessage(TrayLeftButtonDown);
        } else if (tray->Reason == QSystemTrayIcon::Context) {
            Logic.TrayMessage(TrayRightButtonDown);
        }
        return true;
    }
    return QWidget::event(event);
}

void TBuMainForm::showEvent(QShowEvent* event)
{
    VersLabel->setText(QStr(Logic.Info.VersionText));
    StartLabel->setText(
        TrQ((Logic.StartFlags & StartFlagBatch) ? "Starting batch processing" : TrNoopDefault("Starting Tessaro")));
    QWidget::showEvent(event);
}

void TBuMainForm::closeEvent(QCloseEvent* event)
{
    // The menu window is the tray icon's stand-in: closing it must not lose the timed tasks.
    if (MenuBar) {
        event->ignore();
        showMinimized();
        return;
    }
    ::RemoveTrayIcon(this);
    QWidget::closeEvent(event);
}
