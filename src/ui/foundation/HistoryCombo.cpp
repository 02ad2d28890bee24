#include "ui/foundation/HistoryCombo.h"

#include <QFocusEvent>
#include <QLineEdit>

THistoryCombo::THistoryCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

THistoryCombo::~THistoryCombo()
{
    SaveHistory();
}

void THistoryCombo::SetMaxItems(int value)
{
    history.SetMaxItems(value);
    Refresh();
}

void THistoryCombo::Loaded()
{
    if (HasIniPlace()) {
        history.LoadFromIni(IniFileName, IniSection);
        Refresh();
    }
}

void THistoryCombo::LoadHistory(const std::string& fileName, const std::string& section)
{
    IniFileName = fileName;
    IniSection = section;
    Loaded();
}

void THistoryCombo::AddItem(const std::string& text)
{
    history.AddItem(text);
    Refresh();
}

bool THistoryCombo::SaveHistory()
{
    return !HasIniPlace() || history.SaveToIni(IniFileName, IniSection, EraseSection);
}

void THistoryCombo::Refresh()
{
    const QString text = currentText();
    const QSignalBlocker blocker(this);
    clear();
    for (const std::string& entry : history.Items()) {
        addItem(QString::fromStdString(entry));
    }
    setEditText(text);
}

void THistoryCombo::SetText(const std::string& text)
{
    setEditText(QString::fromStdString(text));
}

void THistoryCombo::focusOutEvent(QFocusEvent* event)
{
    // Opening the drop-down list takes the focus too; that is no leaving.
    if (AutoUpdate && event->reason() != Qt::PopupFocusReason) {
        AddItem(Text());
    }
    QComboBox::focusOutEvent(event);
}
