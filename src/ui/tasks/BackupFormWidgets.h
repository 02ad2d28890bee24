#pragma once

// Widget helpers shared by the task editor's source files (BackupForm*.cpp).

#include "foundation/Translate.h"
#include "ui/foundation/QtText.h"

#include <QAction>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <string>

namespace BackupFormWidgets {

inline QString Tr(const char* msgid)
{
    return QStr(TrDefault(msgid));
}

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QToolButton* SpeedButton(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* button = Named(new QToolButton(parent), name);
    button->setText(Tr(caption));
    button->setToolTip(Tr(hint));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

inline QAction* MenuItem(QMenu* menu, const char* name, const char* caption)
{
    QAction* action = menu->addAction(Tr(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// Role of the Windows path kept in the items of the folder trees.
constexpr int PathRole = Qt::UserRole + 1;
// The placeholder child of a tree item that was not expanded yet.
constexpr const char* NotListed = "...";

inline QTreeWidgetItem* FolderItem(const QString& text, const std::string& winPath)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, PathRole, QStr(winPath));
    item->addChild(new QTreeWidgetItem(QStringList{QString::fromLatin1(NotListed)}));
    return item;
}

} // namespace BackupFormWidgets
