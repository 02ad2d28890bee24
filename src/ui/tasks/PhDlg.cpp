#include "ui/tasks/PhDlg.h"

#include "tasks/Placeholders.h"
#include "ui/tasks/DialogTools.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QPointer>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int PathMode = 1;

QWidget* RadioPage(QWidget* parent, QButtonGroup* group, const std::vector<const char*>& items)
{
    auto* page = new QWidget(parent);
    auto* box = new QGroupBox(TrQ("Placeholder for"), page);
    auto* boxLayout = new QVBoxLayout(box);
    for (size_t i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(TrQ(items[i]), box);
        group->addButton(button, static_cast<int>(i));
        boxLayout->addWidget(button);
    }
    group->button(0)->setChecked(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    return page;
}

} // namespace

TPlaceHolderDialog::TPlaceHolderDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(TrQ("Insert placeholder"));
    PageControl = new QStackedWidget(this);
    TmPlaceHolderRG = new QButtonGroup(this);
    PaPlaceHolderRG = new QButtonGroup(this);
    PageControl->addWidget(
        RadioPage(this, TmPlaceHolderRG,
                  {TrNoopDefault("Date (e.g. 2003-12-04)"), TrNoopDefault("Day of week (e.g. Mo,Tu)"),
                   TrNoopDefault("Day of year  (001 .. 365)"), TrNoopDefault("Week of year  (01 .. 53)"),
                   TrNoopDefault("Day of month (01 .. 31)"), TrNoopDefault("Week of month (1 .. 6)"),
                   TrNoopDefault("Month of year (01 .. 12)"), TrNoopDefault("Year  (e.g. 2003)"),
                   TrNoopDefault("Time (0000 .. 2359)")}));
    PageControl->addWidget(
        RadioPage(this, PaPlaceHolderRG,
                  {TrNoopDefault("My Documents"), TrNoopDefault("Application Data"), TrNoopDefault("User Profile"),
                   TrNoopDefault("Username"), TrNoopDefault("Computername"), TrNoopDefault("Desktop"),
                   TrNoopDefault("Favorites"), TrNoopDefault("Program Files")}));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addWidget(OkCancelButtons(this));
}

void TPlaceHolderDialog::ShowPage(int mode)
{
    shownMode = mode == PathMode ? PathMode : 0;
    PageControl->setCurrentIndex(shownMode == PathMode ? 1 : 0);
    adjustSize();
}

int TPlaceHolderDialog::ChosenIndex() const
{
    return (shownMode == PathMode ? PaPlaceHolderRG : TmPlaceHolderRG)->checkedId();
}

void TPlaceHolderDialog::Choose(int index)
{
    if (QAbstractButton* button = (shownMode == PathMode ? PaPlaceHolderRG : TmPlaceHolderRG)->button(index)) {
        button->setChecked(true);
    }
}

int TPlaceHolderDialog::Execute(int mode)
{
    ShowPage(mode);
    return exec() == QDialog::Accepted ? ChosenIndex() : -1;
}

std::string TPlaceHolderDialog::TokenOf(int mode, int index)
{
    if (index < 0 || index >= PlaceholderCount) {
        return {};
    }
    return mode == PathMode ? PathPlaceholders[static_cast<size_t>(index)]
                            : DatePlaceholders[static_cast<size_t>(index)];
}

TPlaceHolderDialog& PlaceHolderDialog()
{
    static QPointer<TPlaceHolderDialog> dialog;
    if (!dialog) {
        dialog = new TPlaceHolderDialog(QApplication::activeWindow());
    }
    return *dialog;
}
