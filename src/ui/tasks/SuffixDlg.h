#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QSpinBox;
class QToolButton;

// The suffix of kept older copies of destination files and how many to keep.
class TSuffixDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TSuffixDialog(QWidget* parent = nullptr);

    bool Execute(std::string& suffix);
    // The two halves of Execute around the modal loop.
    void ShowSuffix(const std::string& suffix);
    std::string Suffix() const;
    // The close check; shows the error and keeps the dialog open when false.
    bool CanClose();
    // OK closes only after the close check passed.
    void accept() override;

    QLineEdit* edtSuffix = nullptr;
    QSpinBox* spMaxCounter = nullptr;
    QToolButton* btnFileDate = nullptr;
    QToolButton* btnBuDate = nullptr;
    QToolButton* btnBuTime = nullptr;
};
