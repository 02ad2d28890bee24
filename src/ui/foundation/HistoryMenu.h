#pragma once

#include "foundation/HistoryList.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

class QAction;
class QActionGroup;

// A THistoryList that lists its entries in a menu ("&1 entry", "&2 ...", hexadecimal
// numbers) behind the items the menu already held, and copies the menu into a second one.
class THistoryMenu : public QObject, public THistoryList
{
    Q_OBJECT
public:
    explicit THistoryMenu(QObject* parent = nullptr);
    ~THistoryMenu() override;

    void SetMenu(QMenu* menu);
    void SetSecondMenu(QMenu* menu);
    QMenu* Menu() const { return menu; }

    // Checks the chosen entry and fires OnSelect with it.
    virtual void MenuItemClick(QAction* item);

    // The text an entry shows in the menu (the entry itself without it), e.g. a host path.
    std::function<std::string(const std::string&)> ShownEntry;

protected:
    void RemoveMenuEntries() override;
    void BuildMenuEntries() override;

private:
    void CopyToSecondMenu();

    QPointer<QMenu> menu;
    QPointer<QMenu> secondMenu;
    int menuFixedCount = 0;
    QActionGroup* group;
};
