#include "ui/foundation/NumberEdits.h"

#include "foundation/MessageDialogs.h"
#include "foundation/NumberText.h"
#include "ui/foundation/QtText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

namespace {

// Characters a filter lets through; keys without text (arrows, shortcuts) always pass.
bool KeyAllowed(const QKeyEvent* event, const std::function<bool(char)>& accepts)
{
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & Qt::ControlModifier)) {
        return true;
    }
    for (const QChar ch : text) {
        if (ch.unicode() > 127 || !accepts(static_cast<char>(ch.unicode()))) {
            return false;
        }
    }
    return true;
}

} // namespace

TNumUpDown::TNumUpDown(QWidget* parent) : QSpinBox(parent)
{
    setRange(0, 100);
    setValue(0);
    setWrapping(false);
    setAccelerated(true);
}

void TNumUpDown::SetHex(bool on)
{
    hex = on;
    setDisplayIntegerBase(on ? 16 : 10);
    lineEdit()->setText(textFromValue(value()));
}

void TNumUpDown::SetDigits(int count)
{
    digits = std::clamp(count, 1, 8);
    lineEdit()->setText(textFromValue(value()));
}

QString TNumUpDown::textFromValue(int position) const
{
    return QStr(UpDownText(position, hex, digits));
}

int TNumUpDown::valueFromText(const QString& text) const
{
    int read = 0;
    return UpDownValue(text.toStdString(), hex, read) ? read : value();
}

QValidator::State TNumUpDown::validate(QString& input, int&) const
{
    if (input.isEmpty() || input == "$" || input == "-") {
        return QValidator::Intermediate;
    }
    int read = 0;
    if (!UpDownValue(input.toStdString(), hex, read)) {
        return QValidator::Invalid;
    }
    return read >= minimum() && read <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void TNumUpDown::stepBy(int steps)
{
    const int target = std::clamp(value() + steps * singleStep(), minimum(), maximum());
    if (OnChanging && !OnChanging(target)) {
        return;
    }
    QSpinBox::stepBy(steps);
}

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignLeft);
    setText("0");
}

std::int64_t TNumberEdit::TextValue() const
{
    try {
        return NumberFromEditText(text().toStdString(), Format.NumMode);
    } catch (const EConvertError&) {
        return 0;
    }
}

std::int64_t TNumberEdit::Value() const
{
    return TextValue();
}

void TNumberEdit::SetValue(std::int64_t value)
{
    setText(QStr(NumberToEditText(value, Format)));
}

void TNumberEdit::keyPressEvent(QKeyEvent* event)
{
    if (KeyAllowed(event, NumberEditAccepts)) {
        QLineEdit::keyPressEvent(event);
    }
}

void TNumberEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

TRangeEdit::TRangeEdit(QWidget* parent) : TNumberEdit(parent)
{}

std::int64_t TRangeEdit::Value() const
{
    const std::int64_t value = TextValue();
    return RangeChecking ? ClampToRange(value, MinValue, MaxValue) : value;
}

void TRangeEdit::SetValue(std::int64_t value)
{
    TNumberEdit::SetValue(RangeChecking ? ClampToRange(value, MinValue, MaxValue) : value);
}

bool TRangeEdit::CheckRange()
{
    if (!RangeChecking || checking) {
        return true;
    }
    const std::int64_t value = TextValue();
    const std::int64_t clamped = ClampToRange(value, MinValue, MaxValue);
    if (clamped == value) {
        return true;
    }
    // Clamp first: the error box runs its own event loop, and nothing may see the bad value.
    checking = true;
    TNumberEdit::SetValue(clamped);
    QApplication::beep();
    ErrorDialog({}, RangeErrorText(MinValue, MaxValue, Format.NumMode));
    setFocus();
    checking = false;
    return false;
}

void TRangeEdit::focusOutEvent(QFocusEvent* event)
{
    TNumberEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        CheckRange();
    }
}

TRangeEdit* NewPortEdit(QWidget* parent, std::int64_t maxPort, std::int64_t port)
{
    auto* edit = new TRangeEdit(parent);
    edit->Format.Digits = 1;
    edit->MinValue = 1;
    edit->MaxValue = maxPort;
    edit->SetValue(port);
    return edit;
}

TFloatEdit::TFloatEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignLeft);
    SetValue(0);
}

bool TFloatEdit::ReadValue(double& value) const
{
    return FloatFromEditText(text().toStdString(), DecimalSeparator(), value);
}

double TFloatEdit::Value() const
{
    double value = 0;
    return ReadValue(value) ? value : 0;
}

void TFloatEdit::SetValue(double value)
{
    setText(QStr(FloatToEditText(value, FloatFormat, Digits, Decimal, DecimalSeparator())));
}

void TFloatEdit::keyPressEvent(QKeyEvent* event)
{
    if (KeyAllowed(event, [](char c) { return FloatEditAccepts(c, DecimalSeparator()); })) {
        QLineEdit::keyPressEvent(event);
    }
}
