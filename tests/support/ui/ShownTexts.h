#pragma once

#include <QStringList>

class QWidget;

// Every text a person can read in the window and its children: the caption, labels,
// buttons, group titles, tab titles, combo box entries, line edits and list rows.
QStringList ShownTexts(const QWidget& window);

// The texts among them that hold a Windows path ("C:\...") or a backslash.
QStringList TextsWithWindowsPaths(const QWidget& window);
