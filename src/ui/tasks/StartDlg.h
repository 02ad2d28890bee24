#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The start note: before a task given on the command line runs, asks whether to start
// it, edit it or cancel, and shows the task's note.
class TStartDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TStartDialog(QWidget* parent = nullptr);

    // Modal result: 1 start, 6 edit, 2 cancel.
    int Execute(const std::string& caption, const std::string& taskFile);
    // Fills the window for the task (Execute without the modal loop).
    void ShowTask(const std::string& caption, const std::string& taskFile);

    QLabel* lblTaskName = nullptr;
    QPlainTextEdit* memNote = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* EditBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    std::string taskFile;
};

// Makes the start note, runs it and frees it.
int ShowStartDialog(const std::string& caption, const std::string& taskFile);
