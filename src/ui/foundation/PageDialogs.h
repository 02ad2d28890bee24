#pragma once

// Two dialogs created once at start-up: the paper margins of printing (TRandDialog) and a
// multi-line list editor (TMemoDialog).

#include <QDialog>
#include <string>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class TFloatEdit;

struct TPageMargins
{
    int Left = 200; // 0.1 mm
    int Top = 150;
    int Right = 100;
    int Bottom = 150;
};

class TRandDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TRandDialog(QWidget* parent = nullptr);
    // An empty caption keeps "Paper margins".
    bool Execute(const std::string& caption, TPageMargins& margins);

    TFloatEdit* TopEdit() const { return top; }
    TFloatEdit* BottomEdit() const { return bottom; }
    TFloatEdit* LeftEdit() const { return left; }
    TFloatEdit* RightEdit() const { return right; }

private:
    TFloatEdit* top;
    TFloatEdit* bottom;
    TFloatEdit* left;
    TFloatEdit* right;
};

class TMemoDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TMemoDialog(QWidget* parent = nullptr);
    // text: comma text in and out, one item per line of the memo.
    bool Execute(const std::string& caption, const std::string& label, std::string& text);
    QPlainTextEdit* Memo() const { return memo; }

private:
    QLabel* label;
    QPlainTextEdit* memo;
};
