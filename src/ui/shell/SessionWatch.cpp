#include "ui/shell/SessionWatch.h"

#include "foundation/Translate.h"
#include "ui/foundation/QtText.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace {

const char* const LogindService = "org.freedesktop.login1";
const char* const LogindPath = "/org/freedesktop/login1";
const char* const LogindManager = "org.freedesktop.login1.Manager";

} // namespace

TSessionWatch::TSessionWatch(QObject* parent) : QObject(parent)
{}

bool TSessionWatch::SetInhibit(bool on)
{
    if (!on) {
        lock = QDBusUnixFileDescriptor();
        return true;
    }
    if (lock.isValid()) {
        return true;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return false;
    }
    if (!connected) {
        connected = bus.connect(LogindService, LogindPath, LogindManager, "PrepareForShutdown", this,
                                SLOT(PrepareForShutdown(bool)));
    }
    QDBusInterface manager(LogindService, LogindPath, LogindManager, bus);
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call("Inhibit", "shutdown", "Tessaro", QStr(TrDefault("Backup tasks at logoff or shutdown")), "delay");
    if (!reply.isValid()) {
        return false;
    }
    lock = reply.value();
    return lock.isValid();
}

void TSessionWatch::PrepareForShutdown(bool starting)
{
    if (starting && lock.isValid() && OnShutdown) {
        OnShutdown();
    }
}
