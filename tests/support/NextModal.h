#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

// Acts on the next modal dialog once it is open (the work before it may run the event
// loop); gives up after about a second.
inline void WithNextModal(std::function<void(QDialog&)> act, int tries = 200)
{
    QTimer::singleShot(5, [act, tries] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            act(*dialog);
        } else if (tries > 0) {
            WithNextModal(act, tries - 1);
        }
    });
}
