#pragma once

#include <QEvent>
#include <QIcon>
#include <QString>
#include <QSystemTrayIcon>

class QWidget;

// The tray icon of a window (one per window). Mouse actions on it reach the window as a
// TTrayMessageEvent carrying the callback message given to AddTrayIcon.
class TTrayMessageEvent : public QEvent
{
public:
    TTrayMessageEvent(int message, QSystemTrayIcon::ActivationReason reason);
    static QEvent::Type EventType();

    int Message;
    QSystemTrayIcon::ActivationReason Reason;
};

// True when the icon was created (showing it needs a tray on the desktop).
bool AddTrayIcon(QWidget* window, int callbackMessage, const QIcon& icon, const QString& tip);
bool ModifyTrayIcon(QWidget* window, const QIcon& icon);
bool RemoveTrayIcon(QWidget* window);
// The window's tray icon, nullptr when it has none.
QSystemTrayIcon* TrayIconOf(const QWidget* window);
