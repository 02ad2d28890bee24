#pragma once

// TfrmShow: the captured output of a program, shown for some seconds (without a close
// button) or until closed. Created for one output and freed afterwards.

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

class TfrmShow : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmShow(QWidget* parent = nullptr);

    void Clear();
    void AppendText(const std::string& text);
    // seconds > 0: shown that long while messages are processed, then closed; 0: modal
    // with the close button. An empty output shows nothing.
    void ShowOutput(int seconds);

    QPlainTextEdit* Memo() const { return memo; }
    QPushButton* CloseButton() const { return closeBtn; }

private:
    QPlainTextEdit* memo;
    QPushButton* closeBtn;
};

// Registers TfrmShow as the output window of RunProgramWithOutput.
void InstallProgramOutputWindow();
