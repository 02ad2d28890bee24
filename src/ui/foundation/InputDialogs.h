#pragma once

// Small modal input dialogs, each called through one function:
//   InputText     one line of text with a history and an optional character table
//   ShowCharTable the character table alone: the chosen character code, 0 on Cancel
//   InputNumber   an integer in a range, decimal or hexadecimal
// A position with x >= 0 places the dialog there, else it is centred.

#include "foundation/MessageDialogs.h"

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TNumUpDown;

// history: the earlier entries, newest first (may be null); on OK with maxCount >= 1 it
// is replaced by the combo box's items, the confirmed text first.
bool InputText(TScreenPoint position, const std::string& caption, const std::string& prompt, std::string& text,
               std::vector<std::string>* history = nullptr, bool sorted = false, int maxCount = 0,
               const std::string& fontName = {}, bool showCharTable = false);

int ShowCharTable(const std::string& fontName = {});

bool InputNumber(TScreenPoint position, const std::string& caption, const std::string& descriptor, int& value,
                 bool hexadecimal, int maximum, int minimum, int digits, const std::string& extraLabel = {},
                 const std::string& unitText = {});

class TInputTextDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TInputTextDialog(QWidget* parent = nullptr);
    void Setup(TScreenPoint position, const std::string& caption, const std::string& prompt, const std::string& text,
               const std::vector<std::string>* history, bool sorted, const std::string& fontName, bool showCharTable);
    std::string Text() const;
    std::vector<std::string> Items() const;
    QComboBox* TextFeld() const { return textFeld; }
    QPushButton* CharTabBtn() const { return charTabBtn; }
    // Appends a character code at the end of the text (what the character table gives).
    void AppendChar(int code);

private:
    QLabel* descriptor;
    QComboBox* textFeld;
    QPushButton* charTabBtn;
    std::string font;
};

class TCharTableDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TCharTableDialog(const std::string& fontName, QWidget* parent = nullptr);
    // The code of the selected cell (row and column from 1), 0 in the header cells.
    int SelectedCode() const;
    QTableWidget* CharGrid() const { return charGrid; }

private:
    QTableWidget* charGrid;
};

class TInputNumberDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TInputNumberDialog(QWidget* parent = nullptr);
    void Setup(TScreenPoint position, const std::string& caption, const std::string& descriptor, int value, bool hex,
               int maximum, int minimum, int digits, const std::string& extraLabel, const std::string& unitText);
    int Value() const { return value; }
    QLineEdit* NumFeld() const;
    TNumUpDown* NumUpDown() const { return numUpDown; }
    // The close check of OK: false (with the error shown) keeps the dialog open.
    bool CheckInput();
    void accept() override;

private:
    QLabel* descriptorLabel;
    QLabel* extra;
    TNumUpDown* numUpDown;
    QLabel* units;
    int value = 0;
};

// Places a dialog at the position (left, top) unchanged, or centres it on the screen.
void PlaceAtOrCentre(QDialog& dialog, TScreenPoint position);
