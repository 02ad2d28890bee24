#include "ui/foundation/WheelGate.h"

#include <QEvent>
#include <QWidget>

namespace {

class TWheelGate : public QObject
{
public:
    explicit TWheelGate(QWidget& control) : QObject(&control), guarded(control) { control.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &guarded && event->type() == QEvent::Wheel && !guarded.hasFocus()) {
            // Ignored and filtered: the application hands the wheel on to the parents.
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& guarded;
};

} // namespace

void TakeWheelOnlyWhenFocused(QWidget& control)
{
    // The wheel would give the focus otherwise.
    control.setFocusPolicy(Qt::StrongFocus);
    new TWheelGate(control);
}
