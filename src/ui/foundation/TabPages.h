#pragma once

class QTabWidget;

// Pages whose change by the user (click, arrow keys, wheel) runs a handler through
// QTabWidget::currentChanged: the program shows the page its state asks for with this, so
// that the handler runs for the user's changes only.
void ShowPageQuietly(QTabWidget& pages, int index);
