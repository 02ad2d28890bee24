#pragma once

#include "foundation/TextFilter.h"

#include <QDialog>
#include <QWidget>
#include <string>

class QCheckBox;
class QRadioButton;
class THistoryCombo;

// The name-filter controls shared by the filter dialogs: include / exclude / off, the
// regular-expression box and the mask with its history.
class TNameFilterBox : public QWidget
{
    Q_OBJECT
public:
    // Texts of the three buttons and the check box, already translated.
    TNameFilterBox(QWidget* parent, const QString& include, const QString& exclude, const QString& regEx);

    void ShowFilter(const TTextFilter& filter);
    // The close check on the caller's filter: true when the mask was accepted (the filter
    // then holds the controls and the history the text); false shows the error box
    // (errorDomain, errorCaption) and leaves the filter untouched.
    bool CommitFilter(TTextFilter& filter, const char* errorDomain, const std::string& errorCaption);

    QRadioButton* IncMaskBtn = nullptr;
    QRadioButton* ExcMaskBtn = nullptr;
    QRadioButton* NoMaskBtn = nullptr;
    QCheckBox* RegExpCB = nullptr;
    THistoryCombo* cbxFilter = nullptr;

private:
    void EnableMask();
};

// Edits one name filter.
class TFilterDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFilterDialog(QWidget* parent = nullptr);

    // The filter is changed only on OK.
    bool Execute(const std::string& caption, TTextFilter& filter);
    void LoadFromIni(const std::string& iniName, const std::string& section);

    TNameFilterBox* Filter = nullptr;
    // The filter the dialog works on while it is open (filled by Execute).
    TTextFilter Scratch;

    // OK closes only after the close check passed.
    void accept() override;
};
