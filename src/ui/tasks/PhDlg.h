#pragma once

#include <QDialog>

class QButtonGroup;
class QStackedWidget;

// Picks a placeholder to insert: page 1 the folder and name tokens (without the program
// folder), any other page the date and time tokens. Each page keeps its last choice.
class TPlaceHolderDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TPlaceHolderDialog(QWidget* parent = nullptr);

    // The index of the chosen token in its table (tasks/Placeholders.h), -1 on Cancel.
    int Execute(int mode);
    // The token text of Execute's result for the page; empty for -1.
    static std::string TokenOf(int mode, int index);

    // The page shown by the last Execute, and its chosen index, for tests.
    void ShowPage(int mode);
    int ChosenIndex() const;
    void Choose(int index);

    QStackedWidget* PageControl = nullptr;
    QButtonGroup* TmPlaceHolderRG = nullptr;
    QButtonGroup* PaPlaceHolderRG = nullptr;

private:
    int shownMode = 0;
};

// The program's one placeholder dialog, made on first use.
TPlaceHolderDialog& PlaceHolderDialog();
