#include "ui/LayoutCheck.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionToolButton>
#include <QTextDocument>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// "QCheckBox 'Overwrite &older files' (cbxOlder)": the class, its text and its name.
std::string Describe(const QWidget& widget)
{
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        text = label->text();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        text = button->text();
    } else if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) {
        text = group->title();
    }
    std::string out = widget.metaObject()->className();
    if (!text.isEmpty()) {
        out += " '" + text.left(60).toStdString() + "'";
    }
    if (!widget.objectName().isEmpty()) {
        out += " (" + widget.objectName().toStdString() + ")";
    }
    return out;
}

// The widget and the nearest holders that say which part of the window it is in.
std::string Where(const QWidget& widget)
{
    std::string out = Describe(widget);
    for (const QWidget* up = widget.parentWidget(); up && !up->isWindow(); up = up->parentWidget()) {
        if (qobject_cast<const QGroupBox*>(up) || !up->objectName().isEmpty()) {
            out += " in " + Describe(*up);
            break;
        }
    }
    return out;
}

std::string Fault(const QWidget& widget, const std::string& what, int needed, int available)
{
    return Where(widget) + ": " + what + " needs " + std::to_string(needed) + " px, has " + std::to_string(available);
}

// Scrolled contents move inside their viewport by design.
bool InsideScrolledContents(const QWidget& widget, const QWidget& window)
{
    for (const QWidget* up = widget.parentWidget(); up && up != &window; up = up->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(up->parentWidget());
        if (area && area->viewport() == up) {
            return true;
        }
    }
    return false;
}

bool IsRichText(const QLabel& label)
{
    return label.textFormat() == Qt::RichText ||
           (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
}

// The room QLabel leaves for its text beside frame, margin and indent.
int LabelTextWidth(const QLabel& label)
{
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0) {
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) - label.margin() * 2;
    }
    const bool indented = indent > 0 && (label.alignment() & (Qt::AlignLeft | Qt::AlignRight)) != 0;
    return label.contentsRect().width() - 2 * label.margin() - (indented ? indent : 0);
}

void CheckLabel(const QLabel& label, std::vector<std::string>& problems)
{
    if (label.text().isEmpty()) {
        return;
    }
    const QFontMetrics metrics = label.fontMetrics();
    const int available = LabelTextWidth(label);
    const int flags = label.buddy() ? Qt::TextShowMnemonic : 0;
    if (!label.wordWrap()) {
        const int needed = IsRichText(label) ? label.minimumSizeHint().width() - (label.width() - available)
                                             : metrics.size(flags, label.text()).width();
        if (needed > available) {
            problems.push_back(Fault(label, "text", needed, available));
        }
        return;
    }
    if (!IsRichText(label)) {
        const QRect room(0, 0, available, 1 << 20);
        const QRect used = metrics.boundingRect(room, flags | Qt::TextWordWrap | int(label.alignment()), label.text());
        if (used.width() > available) {
            problems.push_back(Fault(label, "longest word", used.width(), available));
        }
    }
    if (const int height = label.heightForWidth(label.width()); height > label.height()) {
        problems.push_back(Fault(label, "wrapped text height", height, label.height()));
    }
}

int IconRoom(const QAbstractButton& button)
{
    return button.icon().isNull() ? 0 : button.iconSize().width() + 4;
}

void CheckCheckOrRadio(const QAbstractButton& button, bool radio, std::vector<std::string>& problems)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    const QRect contents = button.style()->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, &button);
    const int needed = button.fontMetrics().size(Qt::TextShowMnemonic, button.text()).width() + IconRoom(button);
    const int available = std::min(contents.right() + 1, button.width()) - contents.left();
    if (needed > available) {
        problems.push_back(Fault(button, "text beside its indicator", needed, available));
    }
}

void CheckPushButton(const QPushButton& button, std::vector<std::string>& problems)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    if (button.menu()) {
        option.features |= QStyleOptionButton::HasMenu;
    }
    const QRect contents = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    int needed = button.fontMetrics().size(Qt::TextShowMnemonic, button.text()).width() + IconRoom(button);
    if (button.menu()) {
        needed += button.style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button);
    }
    if (needed > contents.width()) {
        problems.push_back(Fault(button, "text", needed, contents.width()));
    }
}

void CheckToolButton(const QToolButton& button, std::vector<std::string>& problems)
{
    if (button.toolButtonStyle() == Qt::ToolButtonIconOnly && !button.icon().isNull()) {
        return;
    }
    int needed = button.fontMetrics().size(Qt::TextShowMnemonic, button.text()).width();
    if (button.toolButtonStyle() == Qt::ToolButtonTextBesideIcon) {
        needed += IconRoom(button);
    }
    if (const int available = button.width() - 2; needed > available) {
        problems.push_back(Fault(button, "text", needed, available));
    }
}

void CheckButton(const QAbstractButton& button, std::vector<std::string>& problems)
{
    if (button.text().isEmpty()) {
        return;
    }
    if (qobject_cast<const QRadioButton*>(&button)) {
        CheckCheckOrRadio(button, true, problems);
    } else if (qobject_cast<const QCheckBox*>(&button)) {
        CheckCheckOrRadio(button, false, problems);
    } else if (const auto* push = qobject_cast<const QPushButton*>(&button)) {
        CheckPushButton(*push, problems);
    } else if (const auto* tool = qobject_cast<const QToolButton*>(&button)) {
        CheckToolButton(*tool, problems);
    }
}

// The title with its check box, as the style places it, must lie inside the group box.
void CheckGroupTitle(const QGroupBox& group, std::vector<std::string>& problems)
{
    if (group.title().isEmpty()) {
        return;
    }
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.lineWidth = 1;
    option.textAlignment = group.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (group.isCheckable()) {
        option.subControls |= QStyle::SC_GroupBoxCheckBox;
    }
    if (group.isFlat()) {
        option.features |= QStyleOptionFrame::Flat;
    }
    QRect title = group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group);
    if (group.isCheckable()) {
        title |= group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxCheckBox, &group);
    }
    if (title.left() < 0 || title.right() >= group.width()) {
        problems.push_back(Fault(group, "title", title.width(), group.width() - std::max(0, title.left())));
    }
}

// A widget that its holder does not show whole is cut off.
void CheckInsideHolder(const QWidget& widget, std::vector<std::string>& problems)
{
    const QWidget* holder = widget.parentWidget();
    const QRect place = widget.geometry();
    if (!holder || holder->rect().contains(place)) {
        return;
    }
    const QRect shown = holder->rect().intersected(place);
    problems.push_back(Where(widget) + ": lies partly outside " +
                       (holder->isWindow() ? std::string("its window") : Describe(*holder)) + " (shows " +
                       std::to_string(shown.width()) + "x" + std::to_string(shown.height()) + " of " +
                       std::to_string(place.width()) + "x" + std::to_string(place.height()) + ")");
}

// Contents larger than their view are reached through its scroll bar that way.
void CheckScrollView(const QScrollArea& view, std::vector<std::string>& problems)
{
    const QWidget* contents = view.widget();
    if (!contents || !view.isVisible()) {
        return;
    }
    if (contents->height() > view.viewport()->height() && !view.verticalScrollBar()->isVisible()) {
        problems.push_back(
            Fault(view, "contents' height without a scroll bar", contents->height(), view.viewport()->height()));
    }
    if (contents->width() > view.viewport()->width() && !view.horizontalScrollBar()->isVisible()) {
        problems.push_back(
            Fault(view, "contents' width without a scroll bar", contents->width(), view.viewport()->width()));
    }
}

} // namespace

std::vector<std::string> LayoutProblems(const QWidget& window)
{
    std::vector<std::string> problems;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->isWindow() || !widget->isVisibleTo(&window) || InsideScrolledContents(*widget, window)) {
            continue;
        }
        CheckInsideHolder(*widget, problems);
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            CheckLabel(*label, problems);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            CheckButton(*button, problems);
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            CheckGroupTitle(*group, problems);
        } else if (const auto* view = qobject_cast<const QScrollArea*>(widget)) {
            CheckScrollView(*view, problems);
        }
    }
    return problems;
}

void ExpectTidyLayout(const QWidget& window, const std::string& name)
{
    for (const std::string& problem : LayoutProblems(window)) {
        ADD_FAILURE() << name << ": " << problem;
    }
}

namespace {

std::string SizeText(const QSize& size)
{
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// The size below which the window cannot be made: its own minimum and its layout's.
QSize SmallestSize(const QWidget& window)
{
    QSize smallest = window.minimumSize();
    if (const QLayout* layout = window.layout(); layout && layout->sizeConstraint() != QLayout::SetNoConstraint) {
        smallest = smallest.expandedTo(layout->totalMinimumSize());
    }
    return smallest;
}

} // namespace

std::vector<std::string> ScreenFitProblems(const QWidget& window)
{
    std::vector<std::string> problems;
    const QScreen* screen = window.screen();
    if (!screen) {
        return problems;
    }
    const QRect area = screen->availableGeometry();
    const QSize smallest = SmallestSize(window);
    if (smallest.width() > area.width() || smallest.height() > area.height()) {
        problems.push_back("smallest size " + SizeText(smallest) + " exceeds the screen's " + SizeText(area.size()));
    }
    if (window.isVisible() && !area.contains(window.frameGeometry())) {
        const QRect frame = window.frameGeometry();
        problems.push_back("window at " + std::to_string(frame.x()) + "," + std::to_string(frame.y()) + " size " +
                           SizeText(frame.size()) + " lies partly off the screen's " + SizeText(area.size()));
    }
    return problems;
}

void ExpectFitsItsScreen(const QWidget& window, const std::string& name)
{
    for (const std::string& problem : ScreenFitProblems(window)) {
        ADD_FAILURE() << name << ": " << problem;
    }
}
