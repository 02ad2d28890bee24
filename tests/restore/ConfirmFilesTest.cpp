#include "restore/ConfirmFiles.h"

#include "foundation/ScriptedMessageDialogs.h"

#include <gtest/gtest.h>

namespace {

TTransferItem File(const std::string& name, std::int64_t size)
{
    return {name, TFileTransferInfo(TransferFile, true, false, size, 0, 0, "C:\\d\\" + name, "E:\\b\\" + name)};
}

TTransferItem Folder(const std::string& name)
{
    return {name, TFileTransferInfo(TransferFolder, true, false, 0, 0x10, 0, "C:\\d", "E:\\b")};
}

// b  | ..\one: x y | ..\empty | ..\two: z
TTransferList RestoreList()
{
    return {Folder("b"),   File("a.txt", 100),    Folder("..\\one\\"), File("x", 1000),
            File("y", 24), Folder("..\\empty\\"), Folder("..\\two\\"), File("z", 1)};
}

std::string Selected(const TTransferList& list)
{
    std::string out;
    for (const auto& item : list) {
        out += item.Info.Selected ? '1' : '0';
    }
    return out;
}

// A clean-up lists files it proposes to leave unselected: the selection shows from the start,
// and unchecking "only selected" takes every file.
TEST(ConfirmSelection, AListWithRowsLeftUnselectedShowsItsSelection)
{
    TTransferList list = RestoreList();
    list[4].Info.Selected = false;
    TConfirmSelection sel(TConfirmMode::DeleteFiles, list);
    EXPECT_TRUE(sel.OnlySelected());
    EXPECT_EQ(sel.CountText(), "3 Files");
    sel.SetOnlySelected(false);
    EXPECT_EQ(sel.CountText(), "4 Files");
}

TEST(ConfirmSelection, FolderRowSelectsExactlyTheFilesOfThatFolder)
{
    TTransferList list = RestoreList();
    TConfirmSelection sel(TConfirmMode::Restore, list);
    EXPECT_FALSE(sel.OnlySelected());
    sel.Press(2, false, false);
    EXPECT_TRUE(sel.OnlySelected());
    // Folder rows keep their flag: the restore creates folders from them.
    EXPECT_EQ(Selected(list), "10111110");
    EXPECT_EQ(sel.SelectedCount(), 2);
    EXPECT_EQ(sel.Current(), 3);
    EXPECT_EQ(sel.Anchor(), 3);
    EXPECT_EQ(sel.CountText(), "2 Files");
    EXPECT_EQ(sel.SelectedBytes(), 1024);
    EXPECT_EQ(sel.SizeText(), "1.00 kB");

    // With Ctrl the next folder's files are added; a folder followed by a folder adds nothing.
    sel.Press(6, false, true);
    EXPECT_EQ(sel.SelectedCount(), 3);
    sel.Press(5, false, true);
    EXPECT_EQ(sel.SelectedCount(), 3);
    // Without Ctrl an empty folder clears the selection.
    sel.Press(5, false, false);
    EXPECT_EQ(sel.SelectedCount(), 0);
    EXPECT_EQ(sel.CountText(), "");
    EXPECT_FALSE(sel.MayAccept());
}

TEST(ConfirmSelection, PlainCtrlAndShiftPresses)
{
    TTransferList list = RestoreList();
    TConfirmSelection sel(TConfirmMode::Restore, list);
    sel.Press(1, false, false);
    EXPECT_EQ(sel.SelectedCount(), 1);
    EXPECT_EQ(sel.CountText(), "1 File");
    sel.Press(4, false, true);
    EXPECT_EQ(sel.SelectedCount(), 2);
    sel.Press(4, false, true);
    EXPECT_EQ(sel.SelectedCount(), 1);
    // Shift from the anchor (row 4) to row 7: folder rows inside the range are skipped.
    sel.Press(7, true, false);
    EXPECT_EQ(sel.SelectedCount(), 2);
    EXPECT_TRUE(list[4].Info.Selected);
    EXPECT_TRUE(list[7].Info.Selected);
    EXPECT_FALSE(list[1].Info.Selected);
    EXPECT_TRUE(sel.MayAccept());

    // Unchecking "only selected" selects every file again.
    sel.SetOnlySelected(false);
    EXPECT_EQ(sel.SelectedCount(), 4);
    EXPECT_EQ(sel.SelectedBytes(), 1125);
}

TEST(ConfirmSelection, FolderModesAndTexts)
{
    TTransferList folders = {Folder("BD01"), Folder("BD02"), Folder("BD03")};
    TConfirmSelection del(TConfirmMode::DeleteFolders, folders);
    EXPECT_TRUE(del.Selectable(0));
    del.Press(1, false, false);
    EXPECT_EQ(Selected(folders), "010");
    EXPECT_EQ(del.CountText(), "1 Directory");
    del.Press(2, false, true);
    EXPECT_EQ(del.CountText(), "2 Directories");
    EXPECT_EQ(del.SizeText(), "");

    // The file deletion drops a folder row standing last.
    TTransferList files = {Folder("x"), File("a", 1), Folder("..\\y\\")};
    TConfirmSelection delFiles(TConfirmMode::DeleteFiles, files);
    EXPECT_EQ(delFiles.RowCount(), 2);

    EXPECT_EQ(ConfirmTexts(TConfirmMode::DeleteFolders).Caption, "Delete Directories");
    EXPECT_EQ(ConfirmTexts(TConfirmMode::DeleteFiles).Question, "Are you sure to delete these Files?");
    EXPECT_EQ(ConfirmTexts(TConfirmMode::Restore).NothingSelected, "No Files selected!");
    EXPECT_EQ(NoCandidatesText(TConfirmMode::DeleteFolders), "No fitting Directories found");
}

TEST(ConfirmSelection, NoCandidatesTellsAndRefuses)
{
    TScriptedMessageDialogs dialogs;
    TScopedMessageDialogs scope(dialogs);
    TTransferList empty;
    TConfirmRequest request;
    EXPECT_FALSE(ConfirmFiles(request, empty));
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].text, "No fitting Files found");
    request.Count = 1;
    TTransferList one = {File("a", 1)};
    EXPECT_TRUE(ConfirmFiles(request, one));
}

} // namespace
