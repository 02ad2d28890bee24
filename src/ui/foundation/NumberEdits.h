#pragma once

// Number edit controls over the number text of NumberEditText.h:
//   TNumUpDown   an up-down spin box showing its position in decimal or "$" hexadecimal
//   TNumberEdit  a 64-bit integer in four bases, optionally grouped by bytes
//   TRangeEdit   a TNumberEdit that keeps its value inside MinValue..MaxValue
//   TFloatEdit   a floating-point number in one of six formats

#include "foundation/NumberEditText.h"

#include <QLineEdit>
#include <QSpinBox>
#include <cstdint>
#include <functional>

class TNumUpDown : public QSpinBox
{
    Q_OBJECT
public:
    explicit TNumUpDown(QWidget* parent = nullptr);

    bool Hex() const { return hex; }
    void SetHex(bool on);
    int Digits() const { return digits; }
    void SetDigits(int count);
    // Asked before the position changes; false refuses the change.
    std::function<bool(int newPosition)> OnChanging;
    QLineEdit* Edit() const { return lineEdit(); }

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void stepBy(int steps) override;

private:
    bool hex = false;
    int digits = 4;
};

class TNumberEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    TNumberFormat Format;
    // The text's value; an unreadable text reads 0.
    virtual std::int64_t Value() const;
    virtual void SetValue(std::int64_t value);
    // Writes the text again after Format changed.
    void Rewrite() { SetValue(Value()); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    std::int64_t TextValue() const;
};

class TRangeEdit : public TNumberEdit
{
    Q_OBJECT
public:
    explicit TRangeEdit(QWidget* parent = nullptr);

    std::int64_t MinValue = 0;
    std::int64_t MaxValue = 100;
    bool RangeChecking = true;

    std::int64_t Value() const override;
    void SetValue(std::int64_t value) override;
    // What leaving the control does: a value outside the range is clamped and written,
    // then the range error is shown (the program's message box) and the focus comes
    // back. False when the value had to be clamped.
    bool CheckRange();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool checking = false;
};

// A field of a port number: plain digits ("21", not "0000000021") from 1 to maxPort.
TRangeEdit* NewPortEdit(QWidget* parent, std::int64_t maxPort, std::int64_t port);

class TFloatEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TFloatEdit(QWidget* parent = nullptr);

    TNumFloatFormat FloatFormat = TNumFloatFormat::ffFixed;
    int Digits = 10;
    int Decimal = 2;

    // The text's value; 0 when it is not a number.
    double Value() const;
    void SetValue(double value);
    // False when the text is not a number.
    bool ReadValue(double& value) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
