#include "restore/ConfirmFiles.h"

#include "foundation/MessageDialogs.h"
#include "foundation/NumberText.h"
#include "foundation/Translate.h"
#include "tasks/IniValues.h"

#include <algorithm>

namespace {

IConfirmFiles* registered = nullptr;

std::string KindWord(TConfirmMode mode)
{
    return mode == TConfirmMode::DeleteFolders ? TrDefault("Directories") : TrDefault("Files");
}

} // namespace

TConfirmTexts ConfirmTexts(TConfirmMode mode)
{
    TConfirmTexts texts;
    const std::string kind = KindWord(mode);
    texts.NothingSelected = FormatText(TrDefault("No %s selected!"), kind);
    if (mode == TConfirmMode::Restore) {
        texts.Caption = TrDefault("Restore files");
        texts.DirLabel = TrDefault("from directory");
        texts.Question = TrDefault("Are you sure to restore these files?");
        texts.OnlySelected = TrDefault("Restore only selected files");
    } else {
        texts.Caption = FormatText(TrDefault("Delete %s"), kind);
        texts.DirLabel = TrDefault("Root directory");
        texts.Question = FormatText(TrDefault("Are you sure to delete these %s?"), kind);
        texts.OnlySelected = FormatText(TrDefault("Delete only selected %s"), kind);
    }
    return texts;
}

std::string NoCandidatesText(TConfirmMode mode)
{
    return FormatText(TrDefault("No fitting %s found"), KindWord(mode));
}

TConfirmSelection::TConfirmSelection(TConfirmMode selectMode, TTransferList& items)
    : mode(selectMode), list(items), rowCount(static_cast<int>(items.size()))
{
    if (mode == TConfirmMode::DeleteFiles && rowCount > 0 && list.back().Info.IsFolder()) {
        --rowCount;
    }
    // A list that comes with rows the run proposes to leave shows its selection at once.
    for (int row = 0; row < rowCount; ++row) {
        onlySelected = onlySelected || (Selectable(row) && !Row(row).Info.Selected);
    }
}

bool TConfirmSelection::Selectable(int row) const
{
    if (row < 0 || row >= rowCount) {
        return false;
    }
    return mode == TConfirmMode::DeleteFolders || !Row(row).Info.IsFolder();
}

void TConfirmSelection::ClearSelectable()
{
    for (int row = 0; row < rowCount; ++row) {
        if (Selectable(row)) {
            list[static_cast<std::size_t>(row)].Info.Selected = false;
        }
    }
}

void TConfirmSelection::SetSelection(int bulk, int first, int last)
{
    if (bulk == SelectAll) {
        for (int row = 0; row < rowCount; ++row) {
            list[static_cast<std::size_t>(row)].Info.Selected = Selectable(row);
        }
    } else if (bulk == SelectNone) {
        const bool keepFirst = first >= 0 && first == anchor && Selectable(first);
        const bool kept = keepFirst && Row(first).Info.Selected;
        ClearSelectable();
        if (keepFirst) {
            list[static_cast<std::size_t>(first)].Info.Selected = kept;
        }
    }
    if (first < 0 || first >= rowCount) {
        return;
    }
    if (last < 0) {
        if (Selectable(first)) {
            auto& info = list[static_cast<std::size_t>(first)].Info;
            info.Selected = !info.Selected;
        }
        return;
    }
    const int from = std::min(first, last);
    const int to = std::min(std::max(first, last), rowCount - 1);
    for (int row = from; row <= to; ++row) {
        if (Selectable(row)) {
            list[static_cast<std::size_t>(row)].Info.Selected = true;
        }
    }
}

void TConfirmSelection::PressFolder(int row, bool ctrl)
{
    int end = row + 1;
    while (end < rowCount && !Row(end).Info.IsFolder()) {
        ++end;
    }
    if (!ctrl) {
        ClearSelectable();
    }
    if (end > row + 1) {
        SetSelection(SelectKeep, row + 1, end - 1);
        current = row + 1;
    }
}

void TConfirmSelection::Press(int row, bool shift, bool ctrl)
{
    if (row < 0 || row >= rowCount) {
        return;
    }
    onlySelected = true;
    if (!Selectable(row)) {
        PressFolder(row, ctrl);
    } else {
        current = row;
        if (shift && anchor >= 0) {
            ClearSelectable();
            SetSelection(SelectKeep, anchor, row);
        } else if (ctrl) {
            SetSelection(SelectKeep, row);
        } else {
            ClearSelectable();
            SetSelection(SelectKeep, row);
        }
    }
    anchor = current;
}

void TConfirmSelection::SetOnlySelected(bool checked)
{
    onlySelected = checked;
    if (!checked) {
        SetSelection(SelectAll, -1);
    }
}

int TConfirmSelection::SelectedCount() const
{
    int count = 0;
    for (int row = 0; row < rowCount; ++row) {
        count += Selectable(row) && Row(row).Info.Selected ? 1 : 0;
    }
    return count;
}

std::int64_t TConfirmSelection::SelectedBytes() const
{
    std::int64_t bytes = 0;
    for (int row = 0; row < rowCount; ++row) {
        if (Selectable(row) && Row(row).Info.Selected) {
            bytes += Row(row).Info.Size;
        }
    }
    return bytes;
}

std::string TConfirmSelection::CountText() const
{
    const int count = SelectedCount();
    if (count == 0) {
        return {};
    }
    const bool folders = mode == TConfirmMode::DeleteFolders;
    if (count == 1) {
        return folders ? TrDefault("1 Directory") : TrDefault("1 File");
    }
    return std::to_string(count) + " " + KindWord(mode);
}

std::string TConfirmSelection::SizeText() const
{
    if (mode == TConfirmMode::DeleteFolders || SelectedCount() == 0) {
        return {};
    }
    return SizeToText(SelectedBytes());
}

bool TConfirmSelection::MayAccept() const
{
    return !onlySelected || SelectedCount() > 0;
}

void RegisterConfirmFiles(IConfirmFiles* confirm)
{
    registered = confirm;
}

bool ConfirmFiles(const TConfirmRequest& request, TTransferList& list)
{
    if (request.Count <= 0) {
        MessageDialog(ConfirmTexts(request.Mode).Caption, NoCandidatesText(request.Mode), TMsgDlgType::Information,
                      MbOk);
        return false;
    }
    return registered ? registered->Execute(request, list) : true;
}
