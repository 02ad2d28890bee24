#include "ui/ShownTexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

void AddTreeRows(const QTreeWidget& tree, QStringList& texts)
{
    for (int row = 0; row < tree.topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = tree.topLevelItem(row);
        for (int column = 0; column < item->columnCount(); ++column) {
            texts << item->text(column);
        }
    }
}

void AddComboEntries(const QComboBox& box, QStringList& texts)
{
    texts << box.currentText();
    for (int i = 0; i < box.count(); ++i) {
        texts << box.itemText(i);
    }
}

void AddTabTitles(const QTabWidget& tabs, QStringList& texts)
{
    for (int i = 0; i < tabs.count(); ++i) {
        texts << tabs.tabText(i);
    }
}

} // namespace

QStringList ShownTexts(const QWidget& window)
{
    QStringList texts{window.windowTitle()};
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        if (const auto* label = qobject_cast<const QLabel*>(child)) {
            texts << label->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(child)) {
            texts << button->text();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(child)) {
            texts << group->title();
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(child)) {
            texts << edit->text();
        } else if (const auto* box = qobject_cast<const QComboBox*>(child)) {
            AddComboEntries(*box, texts);
        } else if (const auto* tabs = qobject_cast<const QTabWidget*>(child)) {
            AddTabTitles(*tabs, texts);
        } else if (const auto* tree = qobject_cast<const QTreeWidget*>(child)) {
            AddTreeRows(*tree, texts);
        }
    }
    return texts;
}

QStringList TextsWithWindowsPaths(const QWidget& window)
{
    QStringList found;
    for (const QString& text : ShownTexts(window)) {
        if (text.contains('\\')) {
            found << text;
        }
    }
    return found;
}
