#include "ui/foundation/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMargins>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <utility>

namespace {

// Before the window manager framed a window its frame is unknown: a window placed then is
// given room for a usual title bar and border (a bottom handle too), so that the frame added
// later keeps it on the screen.
QMargins ExpectedFrame(const QWidget& window)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen") ||
        window.windowFlags().testFlag(Qt::FramelessWindowHint)) {
        return {};
    }
    const int line = window.fontMetrics().height();
    return {line / 4 + 1, 2 * line + 1, line / 4 + 1, line / 2};
}

// The frame the window manager gave the window; none before it framed it. Qt reads the
// frame from the window the manager put around it, which it may still be sizing: a frame
// smaller than the window is no frame yet.
QMargins RealFrame(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    const QMargins frame = handle && window.isVisible() ? handle->frameMargins() : QMargins();
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0) {
        return {};
    }
    return frame;
}

bool Framed(const QWidget& window)
{
    return !RealFrame(window).isNull();
}

// The window with its frame: the window manager's once it framed the window, the expected
// one around the window before.
QRect OuterRect(const QWidget& window)
{
    const QMargins frame = RealFrame(window);
    return window.geometry().marginsAdded(frame.isNull() ? ExpectedFrame(window) : frame);
}

QSize OuterSize(const QWidget& window)
{
    return OuterRect(window).size();
}

// Moves the window so that its frame's top left corner is at the point. The window's own
// rectangle is set: a move of a window is taken for one of its frame only once Qt knows it.
void MoveOuterTo(QWidget& window, QPoint topLeft)
{
    const QPoint inset = window.geometry().topLeft() - OuterRect(window).topLeft();
    const bool sized = window.testAttribute(Qt::WA_Resized);
    window.setGeometry(QRect(topLeft + inset, window.size()));
    // A move only: a window never shown is still sized to its contents when it shows.
    window.setAttribute(Qt::WA_Resized, sized);
}

// The window at the size (no larger than the room on its screen) and kept on that screen,
// asked for in one request: each request is an answer the window manager sends back.
void SetFittedGeometry(QWidget& window, QSize wanted)
{
    const QRect outer = OuterRect(window);
    const QRect area = AvailableAreaFor(outer);
    const QSize frame = outer.size() - window.size();
    const QSize size = wanted.boundedTo(area.size() - frame);
    const QRect fitted = KeptInside(QRect(outer.topLeft(), size + frame), area);
    const QRect inner(fitted.topLeft() + window.geometry().topLeft() - outer.topLeft(), size);
    if (inner != window.geometry()) {
        window.setGeometry(inner);
    }
}

// Fits the window once more when the window manager has framed it, now that the frame is
// known. Qt sends no event for that (a window manager that leaves the window where it asked
// to be sends no move either), so the window's frame is looked at a while after it was shown;
// once framed, a few looks more, as the manager's answers to a window it is placing come late.
class TFitWhenFramed : public QObject
{
public:
    TFitWhenFramed(QWidget& shown, QSize wish, bool toContents)
        : QObject(&shown), window(shown), wanted(wish), contents(toContents)
    {
        auto* timer = new QTimer(this);
        timer->setInterval(PollMs);
        connect(timer, &QTimer::timeout, this, [this] { Look(); });
        timer->start();
    }

private:
    static constexpr int PollMs = 25;
    static constexpr int Polls = 120;
    static constexpr int FramedPolls = 8;

    void Look()
    {
        const bool framed = Framed(window);
        if (framed) {
            // It may have grown for its contents meanwhile.
            SetFittedGeometry(window, wanted.expandedTo(contents ? window.sizeHint() : window.size()));
        }
        const bool done = framed ? ++framedPolls == FramedPolls : !window.isVisible() || ++polls == Polls;
        if (done) {
            deleteLater();
        }
    }

    QWidget& window;
    QSize wanted;
    bool contents;
    int polls = 0;
    int framedPolls = 0;
};

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
    void showEvent(QShowEvent* event) override
    {
        QScrollArea::showEvent(event);
        shownWish = window()->sizeHint();
    }

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
    // Only for contents that grew since the window was shown or last grown: a window that
    // changes its size while the window manager frames it gets its answers back as layout
    // changes, which must not start another change; and a window the user made smaller stays so.
    void GrowWindow()
    {
        QWidget* shown = window();
        const QSize wish = shown->sizeHint();
        if (wish.width() <= shownWish.width() && wish.height() <= shownWish.height()) {
            return;
        }
        shownWish = wish;
        SetFittedGeometry(*shown, shown->size().expandedTo(wish));
    }

    QSize shownWish;
};

// Opens the window at its contents' whole size the first time (Qt would cap it at two thirds
// of the screen), centred on its owner, and keeps it on its screen each time it is shown. All
// of it before the window is mapped: a window manager that is still placing a new window
// takes no later move or resize of it for certain.
class TFitWhenShown : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
            auto* window = static_cast<QWidget*>(watched);
            QSize wanted = window->size();
            if (!std::exchange(shownBefore, true)) {
                wanted = window->sizeHint().expandedTo(window->minimumSizeHint());
                window->resize(wanted.boundedTo(RoomOnScreen(*window)));
                CentreOnOwner(*window, OwnerWindow(*window));
            }
            FitOnScreen(*window);
            FitOnScreenOnceFramed(*window, wanted, true);
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
    QRect centre = owner ? OuterRect(*owner) : AvailableAreaFor(OuterRect(window));
    if (owner && !owner->isVisible()) {
        centre = AvailableAreaFor(OuterRect(*owner));
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
    const QRect wanted(OuterRect(*owner).topLeft() + offset, OuterSize(window));
    MoveOuterTo(window, KeptInside(wanted, AvailableAreaFor(OuterRect(*owner))).topLeft());
}

void KeepOnScreen(QWidget& window)
{
    const QRect outer = OuterRect(window);
    const QRect area = AvailableAreaFor(outer);
    if (!area.contains(outer)) {
        MoveOuterTo(window, KeptInside(outer, area).topLeft());
    }
}

QSize RoomOnScreen(const QWidget& window)
{
    const QRect outer = OuterRect(window);
    return AvailableAreaFor(outer).size() - (outer.size() - window.size());
}

void FitOnScreen(QWidget& window)
{
    SetFittedGeometry(window, window.size());
}

void FitOnScreenOnceFramed(QWidget& window, QSize wanted, bool toContents)
{
    if (!Framed(window) && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        new TFitWhenFramed(window, wanted, toContents);
    }
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

void OwnAnew(std::unique_ptr<TOwnedWhileOpen>& owned, QWidget& window)
{
    // Handed back first: a window that still has its former owner as parent is adopted by none.
    owned.reset();
    owned = std::make_unique<TOwnedWhileOpen>(window, OwnerWindow(window));
}

void ModalToItsOwners(QWidget& window)
{
    // Blocks its parent's window and those above it; a window without a parent blocks none.
    window.setWindowModality(Qt::WindowModal);
}

QSize WithRoomForScrollBars(const QWidget& window, QSize wanted, const QAbstractScrollArea& view)
{
    const QSize room = RoomOnScreen(window);
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
    view->setFocusPolicy(Qt::NoFocus); // no stop of the Tab key of its own
    view->setWidget(page);
    auto* outer = new QVBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(view);
    window.installEventFilter(new TFitWhenShown(&window));
}
