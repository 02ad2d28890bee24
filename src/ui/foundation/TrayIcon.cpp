#include "ui/foundation/TrayIcon.h"

#include "foundation/TrayIconFlags.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace {

const char* const TrayObjectName = "TessaroTrayIcon";

} // namespace

TTrayMessageEvent::TTrayMessageEvent(int message, QSystemTrayIcon::ActivationReason reason)
    : QEvent(EventType()), Message(message), Reason(reason)
{}

QEvent::Type TTrayMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QSystemTrayIcon* TrayIconOf(const QWidget* window)
{
    return window ? window->findChild<QSystemTrayIcon*>(TrayObjectName, Qt::FindDirectChildrenOnly) : nullptr;
}

bool AddTrayIcon(QWidget* window, int callbackMessage, const QIcon& icon, const QString& tip)
{
    if (!window || TrayIconOf(window)) {
        return false;
    }
    const unsigned flags = TrayIconFlags(callbackMessage, !icon.isNull(), tip.toStdString());
    auto* tray = new QSystemTrayIcon(window);
    tray->setObjectName(TrayObjectName);
    if (flags & NIF_ICON) {
        tray->setIcon(icon);
    }
    if (flags & NIF_TIP) {
        tray->setToolTip(QString::fromStdString(TrayTipText(tip.toStdString())));
    }
    if (flags & NIF_MESSAGE) {
        QPointer<QWidget> target(window);
        QObject::connect(tray, &QSystemTrayIcon::activated, window,
                         [target, callbackMessage](QSystemTrayIcon::ActivationReason reason) {
                             if (target) {
                                 QCoreApplication::postEvent(target, new TTrayMessageEvent(callbackMessage, reason));
                             }
                         });
    }
    tray->show();
    return true;
}

bool ModifyTrayIcon(QWidget* window, const QIcon& icon)
{
    QSystemTrayIcon* tray = TrayIconOf(window);
    if (!tray) {
        return false;
    }
    if (!icon.isNull()) {
        tray->setIcon(icon);
    }
    return true;
}

bool RemoveTrayIcon(QWidget* window)
{
    QSystemTrayIcon* tray = TrayIconOf(window);
    if (!tray) {
        return false;
    }
    tray->hide();
    delete tray;
    return true;
}
