#include "ui/WindowManager.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMargins>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace {

// What the X server says of a window, in device pixels.
struct TXWindow
{
    QRect Client;
    QMargins Frame; // none before the window manager framed it
    bool operator==(const TXWindow&) const = default;
};

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int Field(const QString& text, const QString& name)
{
    const QRegularExpressionMatch match = QRegularExpression(name + R"(:\s*(-?\d+))").match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

std::optional<TXWindow> LookAt(const QWidget& window)
{
    const QString id = QString::number(window.winId());
    const QString info = Run("xwininfo", {"-id", id});
    if (!info.contains("Map State: IsViewable")) {
        return std::nullopt;
    }
    TXWindow seen;
    seen.Client = QRect(Field(info, "Absolute upper-left X"), Field(info, "Absolute upper-left Y"),
                        Field(info, "Width"), Field(info, "Height"));
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QRegularExpressionMatch extents =
        QRegularExpression(R"(= (\d+), (\d+), (\d+), (\d+))").match(Run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}));
    if (extents.hasMatch()) {
        seen.Frame = QMargins(extents.captured(1).toInt(), extents.captured(3).toInt(), extents.captured(2).toInt(),
                              extents.captured(4).toInt());
    }
    return seen;
}

QRect InDevicePixels(const QRect& rect, qreal ratio)
{
    const auto scaled = [ratio](int value) { return static_cast<int>(std::lround(value * ratio)); };
    return {scaled(rect.x()), scaled(rect.y()), scaled(rect.width()), scaled(rect.height())};
}

// The pixels the checks count in: the X server's device pixels under a window manager, Qt's
// own elsewhere (where rounding to device pixels would add one at 1.25x).
qreal PixelRatio(const QWidget& window)
{
    return UnderWindowManager() ? window.devicePixelRatioF() : 1.0;
}

// The window's client area and frame on the screen, in those pixels.
TXWindow OnScreen(const QWidget& window)
{
    if (UnderWindowManager()) {
        if (const std::optional<TXWindow> seen = LookAt(window)) {
            return *seen;
        }
    }
    const qreal ratio = PixelRatio(window);
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {InDevicePixels(client, ratio), QMargins(client.left() - frame.left(), client.top() - frame.top(),
                                                    frame.right() - client.right(), frame.bottom() - client.bottom()) *
                                               ratio};
}

std::string Text(const QRect& rect)
{
    return std::to_string(rect.width()) + "x" + std::to_string(rect.height()) + " at " + std::to_string(rect.x()) +
           "," + std::to_string(rect.y());
}

std::string Name(const QWidget& control)
{
    std::string name = control.metaObject()->className();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control); button && !button->text().isEmpty()) {
        name += " '" + button->text().toStdString() + "'";
    }
    if (!control.objectName().isEmpty()) {
        name += " (" + control.objectName().toStdString() + ")";
    }
    return name;
}

// What a person works with; the parts of a combo box or spin box count with their box.
bool IsControl(const QWidget& widget)
{
    if (qobject_cast<const QComboBox*>(widget.parentWidget()) ||
        qobject_cast<const QAbstractSpinBox*>(widget.parentWidget())) {
        return false;
    }
    return qobject_cast<const QAbstractButton*>(&widget) || qobject_cast<const QLineEdit*>(&widget) ||
           qobject_cast<const QComboBox*>(&widget) || qobject_cast<const QAbstractSpinBox*>(&widget) ||
           qobject_cast<const QAbstractItemView*>(&widget);
}

// The part of the window (its coordinates) in which the control can show: inside every
// scroll view that holds it, which is first scrolled to show it.
QRect ShownPart(QWidget& window, QWidget& control)
{
    QRect part = window.rect();
    for (QWidget* up = control.parentWidget(); up && up != &window; up = up->parentWidget()) {
        auto* area = qobject_cast<QScrollArea*>(up->parentWidget());
        if (area && area->viewport() == up) {
            // The whole control, not only a field's text cursor as ensureWidgetVisible shows.
            const QRect place(control.mapTo(area->widget(), QPoint(0, 0)), control.size());
            // Qt's scroll leaves the point on the view's edge, a pixel beyond it: hence the margin.
            area->ensureVisible(place.right(), place.bottom(), 1, 1);
            area->ensureVisible(place.left(), place.top(), 1, 1);
            part &= QRect(up->mapTo(&window, QPoint(0, 0)), up->size());
        }
    }
    return part;
}

} // namespace

bool UnderWindowManager()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool SettleUnderWindowManager(const QWidget& window)
{
    if (!UnderWindowManager()) {
        QTest::qWait(0);
        return true;
    }
    // The manager answers within moments; a window still changing after many looks does not settle.
    constexpr int Looks = 150;
    constexpr int SameLooks = 5;
    std::optional<TXWindow> last;
    int same = 0;
    for (int look = 0; look < Looks; ++look) {
        QTest::qWait(100);
        const std::optional<TXWindow> seen = LookAt(window);
        same = seen && !seen->Frame.isNull() && seen == last ? same + 1 : 0;
        if (same == SameLooks) {
            return true;
        }
        last = seen;
    }
    return false;
}

std::vector<std::string> OutOfReach(QWidget& window)
{
    std::vector<std::string> problems;
    const QScreen* screen = window.screen();
    if (!screen) {
        return problems;
    }
    const qreal ratio = PixelRatio(window);
    const QRect area = InDevicePixels(screen->availableGeometry(), ratio);
    const TXWindow shown = OnScreen(window);
    const QRect frame = shown.Client.marginsAdded(shown.Frame);
    if (!area.contains(frame)) {
        problems.push_back("the framed window, " + Text(frame) + ", lies partly off the screen's " + Text(area));
    }
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (!IsControl(*control) || !control->isVisible() || control->window() != &window) {
            continue;
        }
        const QRect part = ShownPart(window, *control);
        const QRect place(control->mapTo(&window, QPoint(0, 0)), control->size());
        // A control larger than the view showing it is reached when part of it shows.
        const bool fits = place.width() <= part.width() && place.height() <= part.height();
        const QRect onScreen = InDevicePixels(place, ratio).translated(shown.Client.topLeft());
        const bool inView = fits ? part.contains(place) : part.intersects(place);
        const bool inScreen = fits ? area.contains(onScreen) : area.intersects(onScreen);
        if (!inView || !inScreen) {
            problems.push_back(Name(*control) + " at " + Text(onScreen) +
                               (inView ? " off the screen's " + Text(area) : " outside the window's view"));
        }
    }
    return problems;
}

void ExpectEveryControlInReach(QWidget& window, const std::string& name)
{
    for (const std::string& problem : OutOfReach(window)) {
        ADD_FAILURE() << name << ": " << problem;
    }
}
