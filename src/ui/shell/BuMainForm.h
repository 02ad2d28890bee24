#pragma once

#include "shell/BuMain.h"
#include "ui/shell/ProgramIcons.h"

#include <QWidget>
#include <functional>

class QLabel;
class QMenu;
class QMenuBar;
class QAction;
class QSocketNotifier;
class QTimer;
class TBarProgress;

// The main window: the splash at start, afterwards the tray icon and its menu.
class TBuMainForm : public QWidget, public IMainWindowView
{
    Q_OBJECT
public:
    explicit TBuMainForm(ITaskEditor& editor, QWidget* parent = nullptr);
    ~TBuMainForm() override;

    TBuMain Logic;
    // Whether the desktop has a system tray; tests replace it.
    std::function<bool()> TrayAvailability;

    // Brings back the windows of a run that its Minimise took to the tray (main.cpp).
    std::function<void()> RestoreRunHook;
    // The progress window that tray clicks show and hide.
    void SetProgressWindow(QWidget* window) { progressWindow = window; }
    // Takes the requests of second starts from the guard's socket.
    void WatchInstanceServer(TInstanceServer* server);
    // Hides StartLabel and shows the running bar.
    void ShowProgressBar();

    // IMainWindowView
    void ShowMainWindow(bool show) override;
    bool MainWindowVisible() const override { return isVisible(); }
    void RaiseMainWindow() override;
    void SetTimer(bool on, int intervalMs) override;
    void AddTrayIcon(const std::string& icon, const std::string& tip) override;
    bool TrayAvailable() const override;
    void ShowMenuWindow(const std::string& icon, const std::string& tip) override;
    void SetTrayIcon(const std::string& icon) override;
    void RemoveTrayIcon() override;
    void RestoreRunWindows() override;
    void PopupTrayMenu() override;
    void ToggleProgressWindow() override;
    void BringProgressToFront() override;
    void BringApplicationToFront() override;
    void CloseProgram() override;
    void UpdateTaskMenu() override;

    QLabel* imgLogo = nullptr;
    QLabel* VersLabel = nullptr;
    QLabel* StartLabel = nullptr;
    TBarProgress* BarProgress = nullptr;
    QTimer* Timer = nullptr;
    QMenu* PopupMenu = nullptr;
    QMenu* SofortStarten = nullptr;
    QMenuBar* MenuBar = nullptr; // the menu window's; holds PopupMenu itself

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    void BuildMenu();
    void EnableMenuItems();
    void BecomeMenuWindow();
    void ReadInstanceRequest();
    void CenterOnScreen();

    QWidget* progressWindow = nullptr;
    QSocketNotifier* instanceNotifier = nullptr;
    TInstanceServer* instanceServer = nullptr;
};
