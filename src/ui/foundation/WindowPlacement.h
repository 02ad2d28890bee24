#pragma once

// Where windows open: over the window they belong to, in front of it, and on a screen.
//
//   TOwnedWhileOpen owned(chooser, OwnerWindow(chooser));  // modal: stays in front of its owner
//   CentreOnOwner(chooser, owned.Owner());
//   chooser.exec();

#include <QPoint>
#include <QRect>
#include <QSize>
#include <memory>

class QAbstractScrollArea;
class QLayout;
class QWidget;

// The window a dialog is opened over: its parent's window, else the modal window or the
// active window of the program; nullptr when there is none.
QWidget* OwnerWindow(const QWidget& dialog);

// The rectangle moved into the area (its top left corner first when it is larger).
QRect KeptInside(const QRect& rect, const QRect& area);

// The available area of the screen that shows most of the rectangle (else the primary one).
QRect AvailableAreaFor(const QRect& rect);

// Centres the window on the owner (on the screen without one), inside the available area.
void CentreOnOwner(QWidget& window, const QWidget* owner);

// Places the window at the offset from the owner's top left corner, inside the area.
void PlaceAtOwner(QWidget& window, const QWidget* owner, QPoint offset);

// Moves a window whose position (a remembered one) lies off the screens back onto one.
void KeepOnScreen(QWidget& window);

// The largest size the window may take on the screen that shows most of it, its frame
// (or the room expected for one) left out.
QSize RoomOnScreen(const QWidget& window);

// Makes the window no larger than the available area of its screen and moves it onto it;
// for showEvent of windows whose contents scroll where they cannot shrink.
void FitOnScreen(QWidget& window);

// For a window being shown that the window manager has not framed yet: once it has, the
// window is fitted again at the size wanted (or its contents' size, when larger and asked
// for), with the frame it really has in place of the one expected before (see FitOnScreen).
void FitOnScreenOnceFramed(QWidget& window, QSize wanted, bool toContents = false);

// A long-lived window without a parent belongs to its owner while it is open: the window
// manager keeps it in front of the owner, and the owner's modality does not block it.
// It is a window of its own again afterwards, so that it never goes with the owner.
class TOwnedWhileOpen
{
public:
    TOwnedWhileOpen(QWidget& window, QWidget* owner);
    ~TOwnedWhileOpen();
    TOwnedWhileOpen(const TOwnedWhileOpen&) = delete;
    TOwnedWhileOpen& operator=(const TOwnedWhileOpen&) = delete;

    QWidget* Owner() const { return owner; }

private:
    QWidget& window;
    QWidget* owner;
    bool adopted = false;
};

// For a window that opens again and again: it belongs to the window it now opens over
// (OwnerWindow), no longer to the one it opened over before.
void OwnAnew(std::unique_ptr<TOwnedWhileOpen>& owned, QWidget& window);

// A long-lived window shown modally (the task editor, the restore and clean-up windows)
// blocks the windows it belongs to, not every window of the program: the tray icon, and the
// window standing in for it, keep taking clicks while it is open, as a tray that reports its
// clicks by message does, and decide themselves what a click does then.
void ModalToItsOwners(QWidget& window);

// The window size wanted, plus room for a scroll bar of the view where the screen is too
// small one way, so that the view need not scroll the other way as well.
QSize WithRoomForScrollBars(const QWidget& window, QSize wanted, const QAbstractScrollArea& view);

// Lays the window's contents out in a view that fills it and scrolls only where the screen
// is smaller than they are; the window asks for the contents' whole size and is fitted on
// its screen each time it is shown. Call once, with the layout of the contents.
void ScrollContents(QWidget& window, QLayout* contents);
