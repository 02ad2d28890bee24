#include "ui/foundation/HistoryMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

THistoryMenu::THistoryMenu(QObject* parent) : QObject(parent), group(new QActionGroup(this))
{
    group->setExclusive(true);
}

THistoryMenu::~THistoryMenu()
{
    RemoveMenuEntries();
}

void THistoryMenu::SetMenu(QMenu* newMenu)
{
    RemoveMenuEntries();
    menu = newMenu;
    menuFixedCount = menu ? static_cast<int>(menu->actions().size()) : 0;
    BuildMenuEntries();
}

void THistoryMenu::SetSecondMenu(QMenu* newMenu)
{
    secondMenu = newMenu;
    CopyToSecondMenu();
}

void THistoryMenu::RemoveMenuEntries()
{
    if (!menu) {
        return;
    }
    QList<QAction*> actions = menu->actions();
    while (actions.size() > menuFixedCount) {
        QAction* action = actions.takeLast();
        if (action->isChecked()) {
            CurrentItem = action->data().toString().toStdString();
        }
        menu->removeAction(action);
        delete action;
    }
}

void THistoryMenu::BuildMenuEntries()
{
    if (menu) {
        if (menuFixedCount > 0 && Count() > 0) {
            menu->addSeparator();
        }
        for (int i = 0; i < Count(); ++i) {
            const std::string& entry = (*this)[i];
            auto* action = new QAction(
                QString::fromStdString(HistoryMenuCaption(i, ShownEntry ? ShownEntry(entry) : entry)), menu);
            action->setData(QString::fromStdString(entry));
            action->setCheckable(RadioItems);
            if (RadioItems) {
                action->setActionGroup(group);
                action->setChecked((*this)[i] == CurrentItem);
            }
            connect(action, &QAction::triggered, this, [this, action] { MenuItemClick(action); });
            menu->addAction(action);
        }
    }
    CopyToSecondMenu();
}

void THistoryMenu::CopyToSecondMenu()
{
    if (!secondMenu) {
        return;
    }
    secondMenu->clear();
    if (!menu) {
        return;
    }
    for (QAction* original : menu->actions()) {
        if (original->isSeparator()) {
            secondMenu->addSeparator();
            continue;
        }
        auto* copy = new QAction(original->icon(), original->text(), secondMenu);
        copy->setShortcut(original->shortcut());
        copy->setCheckable(original->isCheckable());
        copy->setChecked(original->isChecked());
        copy->setEnabled(original->isEnabled());
        copy->setVisible(original->isVisible());
        copy->setMenu(original->menu());
        connect(copy, &QAction::triggered, original, [original] { original->trigger(); });
        secondMenu->addAction(copy);
    }
}

void THistoryMenu::MenuItemClick(QAction* item)
{
    if (!OnSelect || !item) {
        return;
    }
    if (item->isCheckable()) {
        item->setChecked(true);
    }
    const int index = HistoryIndexFromCaption(item->text().toStdString());
    if (index >= 0 && index < Count()) {
        const std::string entry = (*this)[index];
        OnSelect(*this, entry);
    }
}
