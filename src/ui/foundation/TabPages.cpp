#include "ui/foundation/TabPages.h"

#include <QSignalBlocker>
#include <QTabWidget>

void ShowPageQuietly(QTabWidget& pages, int index)
{
    const QSignalBlocker quiet(&pages);
    pages.setCurrentIndex(index);
}
