#include "ui/foundation/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMargins>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <utility>

namespace {

// Before the window manager framed a window its frame is unknown: a window placed then is
// given room for a usual title bar, so that the frame added later keeps it on the screen.
QMargins ExpectedFrame(const QWidget& window)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen") ||
        window.windowFlags().testFlag(Qt::FramelessWindowHint)) {
        return {};
    }
    return {1, 2 * window.fontMetrics().height() + 1, 1, 1};
}

// The window with its frame: the window manager's once it framed the window, the expected
// one around the window before.
QRect OuterRect(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    if (frame != inner && frame.contains(inner)) {
        return frame;
    }
    return inner.marginsAdded(ExpectedFrame(window));
}

QSize OuterSize(const QWidget& window)
{
    return OuterRect(window).size();
}

// Moves the window so that its frame's top left corner is at the point (before it is framed,
// Qt places the window itself there).
void MoveOuterTo(QWidget& window, QPoint topLeft)
{
    window.move(topLeft + (window.pos() - OuterRect(window).topLeft()));
}

// Asks for its contents' whole size, where a plain scroll view caps its wish at a few lines.
class TContentsScroll : public QScrollArea
{
public:
    explicit TContentsScroll(QWidget* parent) : QScrollArea(parent)
    {
        // A range that changed while the window was resized twice in a row (grown, then fitted
        // on its screen) can leave its scroll bar hidden: the bars are laid out again after.
        for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
            connect(
                bar, &QScrollBar::rangeChanged, this,
                [this] { QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest)); }, Qt::QueuedConnection);
        }
    }
    QSize sizeHint() const override
    {
        const int frame = 2 * frameWidth();
        return widget() ? WithRoomForScrollBars(*window(), widget()->sizeHint() + QSize(frame, frame), *this)
                        : QScrollArea::sizeHint();
    }

protected:
    // A plain view keeps its wish when the contents change theirs: pass the change on, and
    // let a shown window grow (within its screen) for contents that grew.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget() && event->type() == QEvent::LayoutRequest) {
            updateGeometry();
            if (window()->isVisible()) {
                QMetaObject::invokeMethod(
                    this, [this] { GrowWindow(); }, Qt::QueuedConnection);
            }
        }
        return QScrollArea::eventFilter(watched, event);
    }

private:
    void GrowWindow()
    {
        QWidget* shown = window();
        const QSize grown = shown->size().expandedTo(shown->sizeHint());
        if (grown != shown->size()) {
            shown->resize(grown);
            FitOnScreen(*shown);
        }
    }
};

// Opens the window at its contents' whole size the first time (Qt would cap it at two thirds
// of the screen), then fits it on its screen once the window manager's frame is known.
class TFitWhenShown : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* window = static_cast<QWidget*>(watched);
            // Queued: the window's own show handling may still change what it shows.
            const bool first = !std::exchange(shownBefore, true);
            QMetaObject::invokeMethod(
                window,
                [window, first] {
                    if (first) {
                        window->resize(window->sizeHint().expandedTo(window->minimumSizeHint()));
                    }
                    FitOnScreen(*window);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool shownBefore = false;
};

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
    MoveOuterTo(window, KeptInside(wanted, AvailableAreaFor(centre)).topLeft());
}

void PlaceAtOwner(QWidget& window, const QWidget* owner, QPoint offset)
{
    if (!owner || !owner->isVisible()) {
        CentreOnOwner(window, nullptr);
        return;
    }
    const QRect wanted(owner->frameGeometry().topLeft() + offset, OuterSize(window));
    MoveOuterTo(window, KeptInside(wanted, AvailableAreaFor(owner->frameGeometry())).topLeft());
}

void KeepOnScreen(QWidget& window)
{
    const QRect outer = OuterRect(window);
    const QRect area = AvailableAreaFor(outer);
    if (!area.contains(outer)) {
        MoveOuterTo(window, KeptInside(outer, area).topLeft());
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

QSize WithRoomForScrollBars(const QWidget& window, QSize wanted, const QAbstractScrollArea& view)
{
    const QRect frame = window.frameGeometry();
    const QSize room = AvailableAreaFor(frame).size() - (OuterSize(window) - window.size());
    const QSize bars(view.verticalScrollBar()->sizeHint().width(), view.horizontalScrollBar()->sizeHint().height());
    return {wanted.width() + (wanted.height() > room.height() ? bars.width() : 0),
            wanted.height() + (wanted.width() > room.width() ? bars.height() : 0)};
}

void ScrollContents(QWidget& window, QLayout* contents)
{
    auto* page = new QWidget;
    page->setObjectName("ScrolledContents");
    page->setLayout(contents);
    auto* view = new TContentsScroll(&window);
    view->setObjectName("ContentsScroll");
    view->setWidgetResizable(true);
    view->setFrameShape(QFrame::NoFrame);
    view->setWidget(page);
    auto* outer = new QVBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(view);
    window.installEventFilter(new TFitWhenShown(&window));
}
