#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <functional>

// Holds back a shutdown of the system while automatic tasks wait for it: a "delay"
// inhibitor of systemd-logind, and the signal that the shutdown has begun. Without a
// system bus or logind nothing happens.
class TSessionWatch : public QObject
{
    Q_OBJECT
public:
    explicit TSessionWatch(QObject* parent = nullptr);

    // Called when the shutdown begins while the inhibitor is held.
    std::function<void()> OnShutdown;

    // Takes or releases the inhibitor; true when it is held afterwards as asked.
    bool SetInhibit(bool on);
    bool Inhibiting() const { return lock.isValid(); }

private slots:
    void PrepareForShutdown(bool starting);

private:
    QDBusUnixFileDescriptor lock;
    bool connected = false;
};
