#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/DialogButtons.h"

#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/QtText.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString Dlg(const char* msgid)
{
    return QStr(TrDialogs(msgid));
}

} // namespace

TSelectFromListDialog::TSelectFromListDialog(QWidget* parent)
    : QDialog(parent), lbxStringList(new QListWidget(this)), description(new QLabel(this)),
      btnInsert(new QPushButton(Dlg("&Insert"), this)), btnEdit(new QPushButton(Dlg("&Change"), this)),
      btnDelete(new QPushButton(Dlg("&Remove"), this)), btnUp(new QPushButton(Dlg("Up"), this)),
      btnDown(new QPushButton(Dlg("Down"), this))
{
    description->setWordWrap(true);
    lbxStringList->setMinimumSize(300, 200);
    auto* side = new QVBoxLayout;
    for (QPushButton* button : {btnInsert, btnEdit, btnDelete, btnUp, btnDown}) {
        button->setAutoDefault(false);
        side->addWidget(button);
    }
    side->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(lbxStringList, 1);
    middle->addLayout(side);
    auto* buttons = AcceptCancelButtons(this, Dlg("OK"), Dlg("Cancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(description);
    layout->addLayout(middle);
    layout->addWidget(buttons);

    connect(btnInsert, &QPushButton::clicked, this, &TSelectFromListDialog::InsertClick);
    connect(btnEdit, &QPushButton::clicked, this, &TSelectFromListDialog::EditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TSelectFromListDialog::DeleteClick);
    connect(btnUp, &QPushButton::clicked, this, &TSelectFromListDialog::UpClick);
    connect(btnDown, &QPushButton::clicked, this, &TSelectFromListDialog::DownClick);
    connect(lbxStringList, &QListWidget::itemDoubleClicked, this, &TSelectFromListDialog::DoubleClicked);
    AskItem = [this](const std::string& caption, std::string& text) {
        const QPoint at = mapToGlobal(QPoint(20, 20));
        return InputText({at.x(), at.y()}, caption, TrDialogs("Name:"), text);
    };
}

bool TSelectFromListDialog::Execute(TScreenPoint position, const std::string& caption, std::string& selection,
                                    std::vector<std::string>& list, char cut, int columns, bool multiSelect,
                                    bool showMoveButtons, bool showEditButtons, const std::string& descriptionText)
{
    setWindowTitle(QStr(caption));
    description->setText(QStr(descriptionText));
    description->setVisible(!descriptionText.empty());
    editButtons = showEditButtons;
    for (QPushButton* button : {btnInsert, btnEdit, btnDelete}) {
        button->setVisible(showEditButtons);
    }
    btnUp->setVisible(showMoveButtons);
    btnDown->setVisible(showMoveButtons);
    lbxStringList->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                                                : QAbstractItemView::SingleSelection);
    lbxStringList->setFlow(QListView::TopToBottom);
    lbxStringList->setWrapping(columns > 1);
    lbxStringList->clear();
    for (const std::string& item : list) {
        lbxStringList->addItem(QStr(item));
    }
    for (int index : SelectedIndexes(list, selection, multiSelect)) {
        lbxStringList->item(index)->setSelected(true);
        lbxStringList->setCurrentRow(index, QItemSelectionModel::Select);
    }
    adjustSize();
    if (position.x < 0 && position.y < 0) {
        PlaceAtOrCentre(*this, position);
    } else {
        // A negative part keeps the dialog's current place; then it stays inside the screen.
        const QPoint wanted(position.x >= 0 ? position.x : x(), position.y >= 0 ? position.y : y());
        QRect area(0, 0, 1 << 16, 1 << 16);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            area = screen->availableGeometry();
        }
        move(std::clamp(wanted.x(), area.left(), std::max(area.left(), area.right() - width())),
             std::clamp(wanted.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    if (exec() != QDialog::Accepted) {
        return false;
    }
    std::vector<std::string> items;
    std::vector<int> selected;
    for (int i = 0; i < lbxStringList->count(); ++i) {
        items.push_back(CutItem(lbxStringList->item(i)->text().toStdString(), cut));
        if (lbxStringList->item(i)->isSelected()) {
            selected.push_back(i);
        }
    }
    if (showEditButtons) {
        list = items;
    }
    selection = SelectionText(items, selected, multiSelect, 0);
    return true;
}

TListEditRules TSelectFromListDialog::Rules() const
{
    TListEditRules rules;
    for (int i = 0; i < lbxStringList->count(); ++i) {
        rules.Items.push_back(lbxStringList->item(i)->text().toStdString());
    }
    const QList<QListWidgetItem*> chosen = lbxStringList->selectedItems();
    rules.Selected = chosen.isEmpty() ? -1 : lbxStringList->row(chosen.front());
    return rules;
}

void TSelectFromListDialog::Show(const TListEditRules& rules)
{
    lbxStringList->clear();
    for (const std::string& item : rules.Items) {
        lbxStringList->addItem(QStr(item));
    }
    if (rules.HasSelection()) {
        lbxStringList->setCurrentRow(rules.Selected, QItemSelectionModel::ClearAndSelect);
    }
}

void TSelectFromListDialog::InsertClick()
{
    std::string text;
    if (AskItem(TrDialogs("Insert"), text)) {
        TListEditRules rules = Rules();
        rules.Insert(text);
        Show(rules);
    }
}

void TSelectFromListDialog::EditClick()
{
    TListEditRules rules = Rules();
    if (!rules.HasSelection()) {
        return;
    }
    std::string text = rules.Items[static_cast<size_t>(rules.Selected)];
    if (AskItem(TrDialogs("Change"), text)) {
        rules.Change(text);
        Show(rules);
    }
}

void TSelectFromListDialog::DeleteClick()
{
    TListEditRules rules = Rules();
    if (!rules.HasSelection()) {
        return;
    }
    const std::string question =
        ReplaceText(TrDialogs("Remove item: \r\n%s?"), "%s", rules.Items[static_cast<size_t>(rules.Selected)]);
    if (MessageDialog(windowTitle().toStdString(), question, TMsgDlgType::Confirmation, MbYesNo) == MrYes) {
        rules.Remove();
        Show(rules);
    }
}

void TSelectFromListDialog::UpClick()
{
    if (TListEditRules rules = Rules(); rules.MoveUp()) {
        Show(rules);
    }
}

void TSelectFromListDialog::DownClick()
{
    if (TListEditRules rules = Rules(); rules.MoveDown()) {
        Show(rules);
    }
}

void TSelectFromListDialog::DoubleClicked()
{
    if (editButtons) {
        EditClick();
    } else {
        accept();
    }
}
