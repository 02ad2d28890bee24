#include "ui/foundation/InputDialogs.h"
#include "ui/foundation/DialogButtons.h"

#include "foundation/DialogChecks.h"
#include "foundation/History.h"
#include "foundation/Translate.h"
#include "ui/foundation/NumberEdits.h"
#include "ui/foundation/QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString Dlg(const char* msgid)
{
    return QStr(TrDialogs(msgid));
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog)
{
    return AcceptCancelButtons(dialog, Dlg("OK"), Dlg("Cancel"));
}

QString CodeText(int code)
{
    return code < 32 ? QString() : QString(QChar(code));
}

} // namespace

void PlaceAtOrCentre(QDialog& dialog, TScreenPoint position)
{
    dialog.adjustSize();
    if (position.x >= 0) {
        dialog.move(position.x, std::max(position.y, 0));
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.move(area.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
}

TInputTextDialog::TInputTextDialog(QWidget* parent)
    : QDialog(parent), descriptor(new QLabel(this)), textFeld(new QComboBox(this)),
      charTabBtn(new QPushButton(Dlg("Character table"), this))
{
    textFeld->setEditable(true);
    textFeld->setInsertPolicy(QComboBox::NoInsert);
    textFeld->setMinimumWidth(320);
    descriptor->setBuddy(textFeld);
    auto* row = new QHBoxLayout;
    row->addWidget(textFeld, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(descriptor);
    layout->addLayout(row);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(charTabBtn);
    bottom->addStretch();
    bottom->addWidget(OkCancelButtons(this));
    layout->addLayout(bottom);
    connect(charTabBtn, &QPushButton::clicked, this, [this] {
        if (const int code = ShowCharTable(font)) {
            AppendChar(code);
        }
    });
}

void TInputTextDialog::Setup(TScreenPoint position, const std::string& caption, const std::string& prompt,
                             const std::string& text, const std::vector<std::string>* history, bool sorted,
                             const std::string& fontName, bool showCharTable)
{
    textFeld->clear();
    if (history) {
        QStringList items;
        for (const std::string& item : *history) {
            items << QStr(item);
        }
        if (sorted) {
            items.sort(Qt::CaseInsensitive);
        }
        textFeld->addItems(items);
    }
    setWindowTitle(QStr(caption));
    descriptor->setText(QStr(prompt));
    charTabBtn->setVisible(showCharTable);
    font = fontName;
    if (!fontName.empty()) {
        QFont inputFont = textFeld->font();
        inputFont.setFamily(QStr(fontName));
        textFeld->setFont(inputFont);
    }
    textFeld->setEditText(QStr(text));
    textFeld->lineEdit()->selectAll();
    textFeld->setFocus();
    PlaceAtOrCentre(*this, position);
}

std::string TInputTextDialog::Text() const
{
    return textFeld->currentText().toStdString();
}

std::vector<std::string> TInputTextDialog::Items() const
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(textFeld->count()));
    for (int i = 0; i < textFeld->count(); ++i) {
        items.push_back(textFeld->itemText(i).toStdString());
    }
    return items;
}

void TInputTextDialog::AppendChar(int code)
{
    textFeld->setEditText(textFeld->currentText() + CodeText(code));
    textFeld->setFocus();
    textFeld->lineEdit()->end(false);
}

bool InputText(TScreenPoint position, const std::string& caption, const std::string& prompt, std::string& text,
               std::vector<std::string>* history, bool sorted, int maxCount, const std::string& fontName,
               bool showCharTable)
{
    TInputTextDialog dialog(QApplication::activeWindow());
    dialog.Setup(position, caption, prompt, text, history, sorted, fontName, showCharTable);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    text = dialog.Text();
    std::vector<std::string> items = dialog.Items();
    AddToHistory(items, text, maxCount >= 1 ? maxCount : DefaultHistoryMax);
    if (history && maxCount >= 1) {
        *history = items;
    }
    return true;
}

TCharTableDialog::TCharTableDialog(const std::string& fontName, QWidget* parent)
    : QDialog(parent), charGrid(new QTableWidget(17, 17, this))
{
    setWindowTitle(Dlg("Character table"));
    charGrid->horizontalHeader()->hide();
    charGrid->verticalHeader()->hide();
    charGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    charGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont cellFont = charGrid->font();
    if (!fontName.empty()) {
        cellFont.setFamily(QStr(fontName));
    }
    cellFont.setPointSize(8);
    const int cell = QFontMetrics(cellFont).height() + 8;
    charGrid->horizontalHeader()->setMinimumSectionSize(0);
    charGrid->verticalHeader()->setMinimumSectionSize(0);
    charGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    charGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int i = 0; i < 17; ++i) {
        charGrid->setColumnWidth(i, cell);
        charGrid->setRowHeight(i, cell);
    }
    for (int row = 0; row < 17; ++row) {
        for (int column = 0; column < 17; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (row == 0 || column == 0) {
                item->setText(row + column == 0 ? QString() : QString::number(std::max(row, column) - 1, 16).toUpper());
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(palette().button());
            } else {
                item->setText(CodeText(CharTableCode(row, column)));
                item->setFont(cellFont);
            }
            charGrid->setItem(row, column, item);
        }
    }
    charGrid->setFixedSize(17 * cell + 2 * charGrid->frameWidth() + 2, 17 * cell + 2 * charGrid->frameWidth() + 2);
    charGrid->setCurrentCell(5, 2);
    auto* buttons = AcceptCancelButtons(this, Dlg("Select"), Dlg("Cancel"));
    connect(charGrid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (CharTableCode(row, column) != 0) {
            accept();
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(charGrid);
    layout->addWidget(buttons);
}

int TCharTableDialog::SelectedCode() const
{
    return CharTableCode(charGrid->currentRow(), charGrid->currentColumn());
}

int ShowCharTable(const std::string& fontName)
{
    TCharTableDialog dialog(fontName, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted ? dialog.SelectedCode() : 0;
}

TInputNumberDialog::TInputNumberDialog(QWidget* parent)
    : QDialog(parent), descriptorLabel(new QLabel(this)), extra(new QLabel(this)), numUpDown(new TNumUpDown(this)),
      units(new QLabel(this))
{
    descriptorLabel->setBuddy(numUpDown);
    auto* row = new QHBoxLayout;
    row->addWidget(numUpDown);
    row->addSpacing(20);
    row->addWidget(units);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(descriptorLabel);
    layout->addLayout(row);
    layout->addWidget(extra);
    layout->addWidget(OkCancelButtons(this));
}

QLineEdit* TInputNumberDialog::NumFeld() const
{
    return numUpDown->Edit();
}

void TInputNumberDialog::Setup(TScreenPoint position, const std::string& caption, const std::string& descriptor,
                               int initial, bool hex, int maximum, int minimum, int digits,
                               const std::string& extraLabel, const std::string& unitText)
{
    setWindowTitle(QStr(caption));
    descriptorLabel->setText(QStr(descriptor));
    extra->setText(QStr(extraLabel));
    extra->setVisible(!extraLabel.empty());
    units->setText(QStr(unitText));
    numUpDown->SetDigits(digits);
    numUpDown->SetHex(hex);
    numUpDown->setRange(std::min(minimum, maximum), std::max(minimum, maximum));
    numUpDown->setValue(initial);
    // As wide as digits + 2 zeros, plus the arrows.
    const int zeros = QFontMetrics(numUpDown->font()).horizontalAdvance(QString(std::max(digits, 1) + 2, '0'));
    numUpDown->setMinimumWidth(zeros + 32);
    value = initial;
    NumFeld()->setFocus();
    PlaceAtOrCentre(*this, position);
}

bool TInputNumberDialog::CheckInput()
{
    int read = 0;
    const std::string error = CheckNumberInput(NumFeld()->text().toStdString(), numUpDown->Hex(), numUpDown->Digits(),
                                               numUpDown->minimum(), numUpDown->maximum(), read);
    if (!error.empty()) {
        const QPoint below = NumFeld()->mapToGlobal(QPoint(0, NumFeld()->height()));
        ErrorDialogAt(windowTitle().toStdString(), error, {below.x(), below.y()});
        NumFeld()->setFocus();
        return false;
    }
    value = read;
    return true;
}

void TInputNumberDialog::accept()
{
    if (CheckInput()) {
        QDialog::accept();
    }
}

bool InputNumber(TScreenPoint position, const std::string& caption, const std::string& descriptor, int& value,
                 bool hexadecimal, int maximum, int minimum, int digits, const std::string& extraLabel,
                 const std::string& unitText)
{
    TInputNumberDialog dialog(QApplication::activeWindow());
    dialog.Setup(position, caption, descriptor, value, hexadecimal, maximum, minimum, digits, extraLabel, unitText);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    value = dialog.Value();
    return true;
}
