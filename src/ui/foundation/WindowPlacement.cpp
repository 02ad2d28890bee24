#include "ui/foundation/WindowPlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// The outer size once the window manager framed the window; the inner one before.
QSize OuterSize(const QWidget& window)
{
    const QSize frame = window.frameGeometry().size();
    const QSize inner = window.size();
    return frame.width() >= inner.width() && frame.height() >= inner.height() ? frame : inner;
}

} // namespace

QWidget* OwnerWindow(const QWidget& dialog)
{
    if (QWidget* parent = dialog.parentWidget()) {
        return parent->window();
    }
    for (QWidget* candidate : {QApplication::activeModalWidget(), QApplication::activeWindow()}) {
        if (candidate && candidate != &dialog && candidate->isVisible()) {
            return candidate->window();
        }
    }
    return nullptr;
}

QRect KeptInside(const QRect& rect, const QRect& area)
{
    const int x = std::max(area.left(), std::min(rect.left(), area.right() + 1 - rect.width()));
    const int y = std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - rect.height()));
    return {QPoint(x, y), rect.size()};
}

QRect AvailableAreaFor(const QRect& rect)
{
    QScreen* best = nullptr;
    long long bestShare = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = screen->geometry().intersected(rect);
        const long long share = shared.isEmpty() ? 0 : 1LL * shared.width() * shared.height();
        if (share > bestShare) {
            best = screen;
            bestShare = share;
        }
    }
    if (!best) {
        best = QGuiApplication::primaryScreen();
    }
    return best ? best->availableGeometry() : rect;
}

void CentreOnOwner(QWidget& window, const QWidget* owner)
{
    const QSize size = OuterSize(window);
    QRect centre = owner ? owner->frameGeometry() : AvailableAreaFor(window.frameGeometry());
    if (owner && !owner->isVisible()) {
        centre = AvailableAreaFor(owner->frameGeometry());
    }
    QRect wanted(QPoint(0, 0), size);
    wanted.moveCenter(centre.center());
    window.move(KeptInside(wanted, AvailableAreaFor(centre)).topLeft());
}

void PlaceAtOwner(QWidget& window, const QWidget* owner, QPoint offset)
{
    if (!owner || !owner->isVisible()) {
        CentreOnOwner(window, nullptr);
        return;
    }
    const QRect wanted(owner->frameGeometry().topLeft() + offset, OuterSize(window));
    window.move(KeptInside(wanted, AvailableAreaFor(owner->frameGeometry())).topLeft());
}

void KeepOnScreen(QWidget& window)
{
    const QRect outer(window.frameGeometry().topLeft(), OuterSize(window));
    const QRect area = AvailableAreaFor(outer);
    if (!area.contains(outer)) {
        window.move(KeptInside(outer, area).topLeft());
    }
}

void FitOnScreen(QWidget& window)
{
    const QRect area = AvailableAreaFor(window.frameGeometry());
    const QSize frame = OuterSize(window) - window.size();
    const QSize room = area.size() - frame;
    if (window.width() > room.width() || window.height() > room.height()) {
        window.resize(window.size().boundedTo(room));
    }
    KeepOnScreen(window);
}

TOwnedWhileOpen::TOwnedWhileOpen(QWidget& ownedWindow, QWidget* ownerWindow) : window(ownedWindow), owner(ownerWindow)
{
    if (owner && !window.parentWidget() && owner != &window) {
        const QPoint position = window.pos();
        window.setParent(owner, window.windowFlags() | Qt::Window);
        window.move(position);
        adopted = true;
    }
}

TOwnedWhileOpen::~TOwnedWhileOpen()
{
    if (adopted) {
        const QPoint position = window.pos();
        window.setParent(nullptr, window.windowFlags() | Qt::Window);
        window.move(position);
    }
}
