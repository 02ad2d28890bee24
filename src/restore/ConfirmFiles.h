#pragma once

// The confirmation list of restore and clean-up runs, as logic: which rows are
// selectable, what a click or a range selects, the counts shown, the texts of each
// mode and whether Yes may close. The window (ui/restore/ConfirmFilesDlg) only shows
// this state; the runs ask through IConfirmFiles so that tests answer without a window.
//
//   TConfirmMode, TConfirmTexts, ConfirmTexts, TConfirmSelection, IConfirmFiles,
//   RegisterConfirmFiles, ConfirmFiles, NoCandidatesText

#include "restore/FileTransferInfo.h"

#include <cstdint>
#include <string>

enum class TConfirmMode
{
    Restore = 0,
    DeleteFiles = 1,
    DeleteFolders = 2
};

struct TConfirmTexts
{
    std::string Caption;
    std::string DirLabel;
    std::string Question;
    std::string OnlySelected;
    std::string NothingSelected; // warning when Yes finds no row selected
};

// Translated texts of the window for a mode; the destination label comes from the caller.
TConfirmTexts ConfirmTexts(TConfirmMode mode);
// "No fitting Files found" / "No fitting Directories found".
std::string NoCandidatesText(TConfirmMode mode);

// Bulk changes of SetSelection.
inline constexpr int SelectKeep = 0;
inline constexpr int SelectAll = 1;
inline constexpr int SelectNone = 2;

class TConfirmSelection
{
public:
    // "only selected" starts checked when the list comes with a selectable row unselected.
    TConfirmSelection(TConfirmMode mode, TTransferList& list);

    // Rows shown: in the file deletion a folder row standing last is left out.
    int RowCount() const { return rowCount; }
    // A file row, or any row when folders are deleted.
    bool Selectable(int row) const;
    // Bulk change (SelectKeep, SelectAll, SelectNone but the anchor when it is first);
    // then with last < 0 the first row toggled, else every selectable row between
    // first and last selected.
    void SetSelection(int bulk, int first, int last = -1);

    // A mouse press on a row; checks "only selected".
    void Press(int row, bool shift, bool ctrl);
    // The "only selected" box clicked: unchecking selects every selectable row again.
    void SetOnlySelected(bool checked);
    bool OnlySelected() const { return onlySelected; }

    // "1 File", "%u Files", "1 Directory", "%u Directories"; empty when nothing is selected.
    std::string CountText() const;
    // Total size of the selected rows (empty in the folders mode and when nothing is selected).
    std::string SizeText() const;
    int SelectedCount() const;
    std::int64_t SelectedBytes() const;

    // Yes may close unless "only selected" is checked and nothing is selected.
    bool MayAccept() const;

    int Anchor() const { return anchor; }
    int Current() const { return current; }
    const TTransferItem& Row(int row) const { return list[static_cast<std::size_t>(row)]; }

private:
    void ClearSelectable();
    void PressFolder(int row, bool ctrl);

    TConfirmMode mode;
    TTransferList& list;
    int rowCount = 0;
    int anchor = -1;
    int current = 0;
    bool onlySelected = false;
};

// Lines describing the run, shown above the list.
struct TConfirmRequest
{
    TConfirmMode Mode = TConfirmMode::Restore;
    std::string BaseFolder;
    int Count = 0; // candidates found
    std::string Line1, Line2, Line3;
    std::string DestText;     // restore only
    std::string Warning = {}; // shown first when set
};

class IConfirmFiles
{
public:
    virtual ~IConfirmFiles() = default;
    // Shows the list (count > 0); true when the user answered Yes. The selected flags
    // of the list are what the run takes.
    virtual bool Execute(const TConfirmRequest& request, TTransferList& list) = 0;
};

// Without a registered window every list is accepted as it stands.
void RegisterConfirmFiles(IConfirmFiles* confirm);
// No candidates: the message "No fitting ... found" and false. Otherwise the window.
bool ConfirmFiles(const TConfirmRequest& request, TTransferList& list);
