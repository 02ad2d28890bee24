#include "tasks/TaskEditor.h"
#include "TempFolder.h"
#include "foundation/IniFile.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "tasks/DirScan.h"
#include "tasks/TaskEditorSources.h"
#include "tasks/TaskFile.h"

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

// The editor's decisions without its window: load and save, the question before a
// task goes, export, the scan by type and the summary, the subfolder marks, the layout.

namespace {

// File dialogs answered by title (the queued answers first, one per asking); an empty
// answer cancels.
class TScriptedFileDialogs : public ITaskEditorDialogs
{
public:
    std::map<std::string, std::string> Answers;
    std::map<std::string, std::deque<std::string>> Queued;
    std::vector<std::string> Asked;
    bool OpenTaskFile(const std::string& title, std::string& file) override { return Answer(title, file); }
    bool SaveTaskFile(const std::string& title, std::string& file) override { return Answer(title, file); }

private:
    bool Answer(const std::string& title, std::string& file)
    {
        Asked.push_back(title);
        std::deque<std::string>& queued = Queued[title];
        if (queued.empty()) {
            file = Answers[title];
        } else {
            file = queued.front();
            queued.pop_front();
        }
        return !file.empty();
    }
};

struct TEditorFixture
{
    TTempFolder folder;
    TScriptedMessageDialogs boxes;
    TScriptedFileDialogs files;
    TTaskEditor editor;

    TEditorFixture()
    {
        std::filesystem::create_directories(folder.Host("src/docs"));
        std::filesystem::create_directories(folder.Host("dest"));
        editor.Settings.FileName = folder.Win("settings.ini");
        editor.TaskEnv.FileVersion = "1.0";
        editor.Dialogs = &files;
        editor.Task.Destination = folder.Win("dest");
    }
    void AddSource(const std::string& relative)
    {
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = folder.Win(relative) + "\\";
        editor.Task.Sources.push_back(entry);
        editor.SelectedEntry = 0;
    }
    TBackupTask ReadBack(const std::string& file) const
    {
        TBackupTask task;
        ReadTaskFile(task, file, true, false, editor.TaskEnv);
        return task;
    }
};

std::string SaveTitle()
{
    return "Save actual task";
}

} // namespace

// ---- saving and the question before a task goes --------------------------------------

TEST(TaskEditorSave, SaveAsReopenAndAskAgain)
{
    TEditorFixture f;
    f.AddSource("src/docs");
    f.editor.Task.Note = "first";
    f.editor.Task.Modified = true;
    f.files.Answers[SaveTitle()] = f.folder.Win("task.buj");

    ASSERT_TRUE(f.editor.SaveTaskItemClick()); // no file yet: the save dialog
    EXPECT_EQ(f.editor.Task.FileName, f.folder.Win("task.buj"));
    EXPECT_FALSE(f.editor.Task.Modified);
    EXPECT_EQ(f.editor.TaskState, TaskStateLoaded);
    EXPECT_EQ(f.editor.TaskHistory->Items().front(), f.folder.Win("task.buj"));

    f.editor.Task.Note = "second";
    f.editor.Task.Modified = true;
    f.boxes.QueueAnswer(MrYes); // "Save changed task to task.buj"
    ASSERT_TRUE(f.editor.NewTaskClick());
    EXPECT_EQ(f.boxes.Shown().front().text, "Save changed task to task.buj");
    EXPECT_TRUE(f.editor.Task.Sources.empty());
    EXPECT_TRUE(f.editor.Task.FileName.empty());
    EXPECT_EQ(f.editor.TaskState, TaskStateNew);
    // New keeps the destination text.
    EXPECT_EQ(f.editor.Task.Destination, f.folder.Win("dest"));

    ASSERT_TRUE(f.editor.LoadFromListClick(f.folder.Win("task.buj")));
    EXPECT_EQ(f.editor.Task.Note, "second");
    ASSERT_EQ(f.editor.Task.Sources.size(), 1u);
    EXPECT_EQ(f.editor.SelectedEntry, 0);
    EXPECT_FALSE(f.editor.Task.Modified);
}

TEST(TaskEditorSave, UnchangedTaskGoesWithoutAQuestion)
{
    TEditorFixture f;
    EXPECT_TRUE(f.editor.AskSaveChangedTask());
    EXPECT_EQ(f.boxes.ShownCount(), 0u);
}

TEST(TaskEditorSave, AnswersToTheQuestion)
{
    TEditorFixture f;
    f.AddSource("src/docs");
    f.editor.Task.Modified = true;

    f.boxes.QueueAnswer(MrCancel);
    EXPECT_FALSE(f.editor.AskSaveChangedTask());
    EXPECT_TRUE(f.editor.Task.Modified);
    EXPECT_EQ(f.boxes.LastText(), "Save new backup task?");

    // "Yes" and then a cancelled save dialog: the edits must not be dropped.
    f.boxes.QueueAnswer(MrYes);
    EXPECT_FALSE(f.editor.AskSaveChangedTask());
    EXPECT_EQ(f.editor.Task.Sources.size(), 1u);

    f.boxes.QueueAnswer(MrNo);
    EXPECT_TRUE(f.editor.AskSaveChangedTask());
    EXPECT_FALSE(f.editor.Task.Modified);
}

TEST(TaskEditorSave, YesWithFailingChecksKeepsTheTask)
{
    TEditorFixture f;
    f.AddSource("src/docs");
    f.editor.Task.Destination.clear(); // the check asks for a destination
    f.editor.Task.Modified = true;
    f.boxes.QueueAnswer(MrYes);
    f.boxes.QueueAnswer(MrCancel); // "Please select a backup destination"
    EXPECT_FALSE(f.editor.OpenTaskClick());
    EXPECT_TRUE(f.files.Asked.empty());
    EXPECT_TRUE(f.editor.Task.Modified);
}

TEST(TaskEditorSave, FailedWriteKeepsNameAndChangedFlag)
{
    TEditorFixture f;
    f.AddSource("src/docs");
    f.editor.Task.FileName = f.folder.Win("task.buj");
    f.editor.Task.Modified = true;
    f.editor.TaskState = TaskStateLoaded;
    // A folder where the file should be cannot be written.
    std::filesystem::create_directories(f.folder.Host("blocked.buj"));

    f.boxes.QueueAnswer(MrYes);
    f.files.Answers[SaveTitle()] = f.folder.Win("blocked.buj");
    EXPECT_FALSE(f.editor.SaveTaskAsItemClick());
    EXPECT_EQ(f.editor.Task.FileName, f.folder.Win("task.buj"));
    EXPECT_TRUE(f.editor.Task.Modified);
    EXPECT_NE(f.boxes.LastText().find("Error saving task: "), std::string::npos);
    EXPECT_TRUE(f.editor.TaskHistory->Items().empty());
}

TEST(TaskEditorSave, ReadOnlyTaskFileIsSavedUnderAnotherName)
{
    TEditorFixture f;
    f.AddSource("src/docs");
    ASSERT_TRUE(WriteTaskFile(f.editor.Task, f.folder.Win("locked.buj"), -1, -1, f.editor.TaskEnv));
    std::filesystem::permissions(f.folder.Host("locked.buj"), std::filesystem::perms::owner_read);
    f.editor.Task.Note = "changed";
    f.files.Answers[SaveTitle()] = f.folder.Win("copy.buj");

    ASSERT_TRUE(f.editor.SaveTaskItemClick());
    EXPECT_EQ(f.boxes.Shown().front().text, "The loaded task file is read only, save task using another name!");
    EXPECT_EQ(f.editor.Task.FileName, f.folder.Win("copy.buj"));
    EXPECT_EQ(f.ReadBack(f.folder.Win("copy.buj")).Note, "changed");
    EXPECT_EQ(f.ReadBack(f.folder.Win("locked.buj")).Note, "");
}

TEST(TaskEditorSave, DeleteOptionAsksBeforeSaving)
{
    TEditorFixture f;
    f.AddSource("src/docs");
    f.editor.Task.DeleteFile = true;
    f.files.Answers[SaveTitle()] = f.folder.Win("task.buj");
    f.boxes.QueueAnswer(MrNo);
    EXPECT_FALSE(f.editor.SaveTaskItemClick());
    EXPECT_NE(f.boxes.LastText().find("Do you really want to save this task?"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(f.folder.Host("task.buj")));
}

TEST(TaskEditorSave, ExportWritesTheSelectionAndKeepsTheTask)
{
    TEditorFixture f;
    std::filesystem::create_directories(f.folder.Host("src/photos"));
    f.AddSource("src/docs");
    f.AddSource("src/photos");
    f.editor.Task.FileName = f.folder.Win("task.buj");
    f.editor.Task.Modified = true;
    f.editor.SelectedEntry = 1;
    f.files.Answers["Save selected directories as new task"] = f.folder.Win("export.buj");

    ASSERT_TRUE(f.editor.ExportierenClick());
    const TBackupTask exported = f.ReadBack(f.folder.Win("export.buj"));
    ASSERT_EQ(exported.Sources.size(), 1u);
    EXPECT_EQ(exported.Sources[0].SourceDir, f.folder.Win("src/photos") + "\\");
    EXPECT_EQ(f.editor.Task.FileName, f.folder.Win("task.buj"));
    EXPECT_TRUE(f.editor.Task.Modified);
    EXPECT_FALSE(std::filesystem::exists(f.folder.Host("task.buj")));

    f.editor.SelectedEntry = -1; // no selection: every entry
    ASSERT_TRUE(f.editor.ExportierenClick());
    EXPECT_EQ(f.ReadBack(f.folder.Win("export.buj")).Sources.size(), 2u);

    // A name of blanks only is no name, for the export as for saving: the dialog says so and
    // asks again.
    const std::string refusal = "A task name must not be empty or consist of blanks only!";
    f.files.Queued["Save selected directories as new task"] = {f.folder.Win("   .buj"), ""};
    EXPECT_FALSE(f.editor.ExportierenClick());
    EXPECT_EQ(f.boxes.LastText(), refusal);
    f.files.Queued[SaveTitle()] = {f.folder.Win("  .buj"), ""};
    EXPECT_FALSE(f.editor.SaveTaskAsItemClick());
    EXPECT_FALSE(std::filesystem::exists(f.folder.Host("   .buj")));
    EXPECT_FALSE(std::filesystem::exists(f.folder.Host("  .buj")));
    EXPECT_EQ(f.editor.Task.FileName, f.folder.Win("task.buj"));
    EXPECT_TRUE(f.editor.Task.Modified);

    const size_t shown = f.boxes.ShownCount();
    f.files.Queued[SaveTitle()] = {f.folder.Win("  .buj"), f.folder.Win("named.buj")};
    EXPECT_TRUE(f.editor.SaveTaskAsItemClick());
    EXPECT_EQ(f.boxes.ShownCount(), shown + 1);
    EXPECT_EQ(f.editor.Task.FileName, f.folder.Win("named.buj"));
    EXPECT_TRUE(std::filesystem::exists(f.folder.Host("named.buj")));
}

TEST(TaskEditorSave, ImportAppendsAndMarksChanged)
{
    TEditorFixture f;
    f.AddSource("src/docs");
    ASSERT_TRUE(WriteTaskFile(f.editor.Task, f.folder.Win("other.buj"), -1, -1, f.editor.TaskEnv));
    f.editor.Task.FileName = f.folder.Win("task.buj");
    f.files.Answers["Import directories to backup"] = f.folder.Win("other.buj");
    int summaries = 0;
    f.editor.ShowSummary = [&summaries] { ++summaries; };

    ASSERT_TRUE(f.editor.ImportierenClick());
    EXPECT_EQ(f.editor.Task.Sources.size(), 2u); // listed twice
    EXPECT_TRUE(f.editor.Task.Modified);
    EXPECT_EQ(f.editor.Task.FileName, f.folder.Win("task.buj"));
    EXPECT_EQ(summaries, 1);
}

TEST(TaskEditorSave, MissingHistoryEntryIsReportedAndDropped)
{
    TEditorFixture f;
    f.editor.TaskHistory->AddItem(f.folder.Win("gone.buj"));
    EXPECT_FALSE(f.editor.LoadFromListClick(f.folder.Win("gone.buj")));
    EXPECT_EQ(f.boxes.LastText(), "File\r\n\"" + f.folder.Win("gone.buj") + "\"\r\nnot found!");
    EXPECT_TRUE(f.editor.TaskHistory->Items().empty());
}

TEST(TaskEditorLoad, CurrentTaskOrTheDefaults)
{
    TEditorFixture f;
    f.editor.Settings.NoCompress = {"zip", "7z"};
    f.editor.TaskEnv = TaskFileEnvFrom(f.editor.Settings);
    f.editor.TaskEnv.FileVersion = "1.0";
    f.editor.Settings.LastFile = f.folder.Win("planned.buj");
    f.editor.LoadCurrentTask();
    EXPECT_EQ(f.editor.TaskState, TaskStateNewWithFile);
    EXPECT_EQ(f.editor.Task.NoCompTypes, (std::vector<std::string>{"zip", "7z"}));
    EXPECT_EQ(f.editor.Header().Caption, "New task: planned");

    f.AddSource("src/docs");
    ASSERT_TRUE(WriteTaskFile(f.editor.Task, f.folder.Win("planned.buj"), -1, -1, f.editor.TaskEnv));
    f.editor.LoadCurrentTask();
    EXPECT_EQ(f.editor.TaskState, TaskStateLoaded);
    EXPECT_EQ(f.editor.Task.Sources.size(), 1u);
    EXPECT_FALSE(f.editor.Task.Modified);
}

TEST(TaskEditorLoad, SettingsKeepTheCurrentTaskAndTheHistory)
{
    TEditorFixture f;
    f.editor.Task.FileName = f.folder.Win("a.buj");
    f.editor.TaskHistory->AddItem(f.folder.Win("b.buj"));
    f.editor.TaskHistory->AddItem(f.folder.Win("a.buj"));
    f.editor.WriteSettings();

    TTaskEditor again;
    again.ReadSettings(f.folder.Win("settings.ini"));
    EXPECT_EQ(again.Settings.LastFile, f.folder.Win("a.buj"));
    EXPECT_EQ(again.TaskHistory->Items(), (std::vector<std::string>{f.folder.Win("a.buj"), f.folder.Win("b.buj")}));
}

TEST(TaskEditorHeader, CaptionAndHintByState)
{
    EXPECT_EQ(TaskHeaderText(TaskStateNew, "", "").Caption, "New backup task");
    const TTaskHeader loaded = TaskHeaderText(TaskStateLoaded, "C:\\home\\ann\\Daily.buj", "docs,\"my photos\"");
    EXPECT_EQ(loaded.Caption, "Backup task: Daily");
    EXPECT_EQ(loaded.Hint, "Backup task: C:\\home\\ann\\Daily.buj\r\ndocs\r\nmy photos");
}

TEST(TaskEditorLayout, ClientSizeAt96And120Dpi)
{
    EXPECT_EQ(EditorClientSize(false, 96), (TClientSize{796, 548}));
    EXPECT_EQ(EditorClientSize(true, 96), (TClientSize{512, 475}));
    EXPECT_EQ(EditorClientSize(false, 120), (TClientSize{1029, 719}));
    EXPECT_EQ(EditorClientSize(true, 120), (TClientSize{674, 628}));
}

// ---- the scan ------------------------------------------------------------------------------

namespace {

TExtensionList EntryOf(const TTempFolder& folder, const std::string& relative)
{
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = folder.Win(relative) + "\\";
    return entry;
}

int CountOf(const TTypeList& list, const std::string& type)
{
    const int index = list.IndexOf(type);
    return index < 0 ? -1 : list[index].Counter.Count;
}

} // namespace

TEST(DirScan, CountsByTypeInListMode)
{
    TTempFolder folder;
    std::filesystem::create_directories(folder.Host("s/sub"));
    folder.WriteHostFile("s/a.doc", "aaaa");
    folder.WriteHostFile("s/b.txt", "bb");
    folder.WriteHostFile("s/sub/c.txt", "c");
    folder.WriteHostFile("s/README", "r");
    TExtensionList entry = EntryOf(folder, "s");
    entry.Mode = TypeModeInclude;
    entry.IncludeList.SetTypes({"doc"});

    ASSERT_TRUE(ScanSourceEntry(entry, false));
    EXPECT_EQ(entry.FileCount, 1);
    EXPECT_EQ(entry.ByteCount, 4);
    EXPECT_EQ(entry.SelCount, 3);
    EXPECT_EQ(entry.SelBytes, 4);
    EXPECT_EQ(CountOf(entry.IncludeList, "doc"), 1);
    EXPECT_EQ(CountOf(entry.ExcludeList, "TXT"), 2);
    EXPECT_EQ(CountOf(entry.ExcludeList, "<ohne>"), 1);
    // Sorted after a complete scan.
    EXPECT_EQ(entry.ExcludeList.Types(), (std::vector<std::string>{"<ohne>", "TXT"}));
}

TEST(DirScan, ExcludedSubfoldersAndLinksAddNothing)
{
    TTempFolder folder;
    std::filesystem::create_directories(folder.Host("s/skip/deeper"));
    folder.WriteHostFile("s/a.jpg", "12345");
    folder.WriteHostFile("s/skip/b.jpg", "1");
    folder.WriteHostFile("s/skip/deeper/c.jpg", "1");
    std::filesystem::create_directory_symlink(folder.Host("s"), folder.Host("s/loop"));
    TExtensionList entry = EntryOf(folder, "s");
    entry.SubDirs.Add(folder.Win("s/skip") + "\\");

    ASSERT_TRUE(ScanSourceEntry(entry, false));
    EXPECT_EQ(entry.FileCount, 1); // mode 1: every type but the listed ones
    EXPECT_EQ(CountOf(entry.IncludeList, "JPG"), 1);
}

TEST(DirScan, ExtensionFilterListsUnselectedTypes)
{
    TTempFolder folder;
    std::filesystem::create_directories(folder.Host("s"));
    folder.WriteHostFile("s/small.txt", "1");
    folder.WriteHostFile("s/big.log", std::string(100, 'x'));
    TExtensionList entry = EntryOf(folder, "s");
    entry.IncludeList.SetTypes({"OLD"});
    entry.ExtFilter.Mode = TTextFilter::ModeInclude;
    entry.ExtFilter.SetMask("TXT");
    entry.SizeMode = SizeModeSmaller; // only files below 50 bytes are selected
    entry.MaxSize = 50;

    ASSERT_TRUE(ScanSourceEntry(entry, false));
    EXPECT_FALSE(entry.IncludeList.Contains("OLD")); // rebuilt by the filter
    EXPECT_EQ(CountOf(entry.IncludeList, "TXT"), 1);
    EXPECT_EQ(CountOf(entry.ExcludeList, "LOG"), 0);
    EXPECT_EQ(entry.FileCount, 1);
    EXPECT_EQ(entry.SelCount, 0);
}

TEST(DirScan, SummaryTextsTreatUncountedAsNone)
{
    TBackupTask task;
    EXPECT_EQ(TaskSummaryTexts(task, -1).Sum, "");
    TExtensionList counted;
    counted.FileCount = 1;
    counted.ByteCount = 2048;
    TExtensionList uncounted;
    uncounted.FileCount = -1;
    uncounted.ByteCount = -1;
    task.Sources = {counted, uncounted};

    TTaskSummary summary = TaskSummaryTexts(task, 1);
    EXPECT_EQ(summary.Sum, "1 file with 2.00 kB");
    EXPECT_EQ(summary.IncludeSum, "none");
    EXPECT_EQ(summary.ExcludeSum, "none");
    task.Sources[1].FileCount = 3;
    task.Sources[1].ByteCount = 1024;
    EXPECT_EQ(TaskSummaryTexts(task, 0).Sum, "4 files with 3.00 kB");
}

// ---- source lines and subfolder marks ------------------------------------------------

TEST(SourceLines, FolderExclusionsAndFilters)
{
    TExtensionList entry;
    entry.SourceDir = "C:\\Data";
    for (const char* sub : {"C:\\Data\\a\\", "C:\\Data\\b\\", "C:\\Data\\c\\"}) {
        entry.SubDirs.Add(sub);
    }
    EXPECT_EQ(SourceLineText(entry), "C:\\Data [-3] (all)");

    entry.SubDirs.Clear();
    entry.DateFilter.TimeMode = TimeModeLastDays;
    entry.DateFilter.Days = 7;
    entry.NameFilter.Mode = TTextFilter::ModeExclude;
    entry.NameFilter.SetMask("tmp*");
    entry.AttrArchive = AttrRequired;
    entry.AttrHidden = AttrExcluded;
    entry.SizeMode = SizeModeLarger;
    entry.MinSize = 1024;
    EXPECT_EQ(SourceLineText(entry), "C:\\Data (last 7 days except of tmp* [+a-h] >1.00 kB)");
    EXPECT_EQ(FilterText(entry), "except of tmp*");
    EXPECT_EQ(TimeText(entry), "last 7 days (+a-h, >1.00 kB)");
}

TEST(SourceLines, AddingChecksDrivesAndOverlaps)
{
    TBackupTask task;
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = "C:\\Data\\";
    task.Sources.push_back(entry);
    task.DestMode = DestCloneOfSource;
    EXPECT_EQ(CheckNewSource(task, "D:\\Other", true).Check, TAddCheck::SeveralDrives);
    const TAddDecision inside = CheckNewSource(task, "C:\\Data\\Sub", true);
    EXPECT_EQ(inside.Check, TAddCheck::Overlaps);
    EXPECT_EQ(
        OverlapQuestion(task, "C:\\Data\\Sub", inside.OverlapIndex),
        "Overlapping directories:\r\nC:\\Data\\Sub\r\nwith existing item 1:\r\nC:\\Data\\\r\nAdd directory anyway?");
    EXPECT_EQ(CheckNewSource(task, "C:\\Other", true).Check, TAddCheck::Ok);
}

TEST(SubDirTree, ClicksMarkAndUnmarkSubfolders)
{
    TTempFolder folder;
    for (const char* dir : {"s/a/a1", "s/a/a2", "s/b"}) {
        std::filesystem::create_directories(folder.Host(dir));
    }
    TExtensionList entry = EntryOf(folder, "s");
    const std::string a = folder.Win("s/a") + "\\";
    const std::string a1 = a + "a1\\";
    const std::string a2 = a + "a2\\";
    const std::string b = folder.Win("s/b") + "\\";
    TSubDirTree tree;
    tree.Build(entry);
    const auto child = [](TDirNode& node, const std::string& name) -> TDirNode& {
        for (auto& c : node.Children) {
            if (c->Name == name) {
                return *c;
            }
        }
        throw std::runtime_error("no " + name);
    };

    // The root without exclusions: every first-level folder is excluded.
    tree.Click(tree.Root, entry);
    EXPECT_TRUE(entry.SubDirs.Contains(a) && entry.SubDirs.Contains(b));
    EXPECT_EQ(tree.Root.State, DirPartly);
    TDirNode& nodeA = child(tree.Root, "a");
    EXPECT_EQ(nodeA.State, DirExcluded);

    // A child of an excluded folder: the folder gives way to its other children.
    tree.Expand(nodeA, entry);
    TDirNode& nodeA1 = child(nodeA, "a1");
    EXPECT_EQ(nodeA1.State, DirExcluded);
    tree.Click(nodeA1, entry);
    EXPECT_FALSE(entry.SubDirs.Contains(a));
    EXPECT_FALSE(entry.SubDirs.Contains(a1));
    EXPECT_TRUE(entry.SubDirs.Contains(a2));
    EXPECT_EQ(nodeA.State, DirPartly);

    // A partly excluded folder: everything below it is included again.
    tree.Click(nodeA, entry);
    EXPECT_FALSE(entry.SubDirs.Contains(a2));
    EXPECT_EQ(nodeA.State, DirIncluded);
    EXPECT_EQ(child(nodeA, "a2").State, DirIncluded);
    EXPECT_TRUE(entry.SubDirs.Contains(b));
    EXPECT_EQ(tree.Root.State, DirPartly);

    tree.Click(child(tree.Root, "b"), entry);
    EXPECT_TRUE(entry.SubDirs.Empty());
    EXPECT_EQ(tree.Root.State, DirIncluded);

    // A newly built tree shows the stored marks.
    entry.SubDirs.Add(a1);
    tree.Build(entry);
    tree.Expand(tree.Root, entry);
    EXPECT_EQ(child(tree.Root, "a").State, DirPartly);
    EXPECT_EQ(child(tree.Root, "b").State, DirIncluded);
}

TEST(SubDirTree, FolderMasksExcludeWithoutEnteringAndAreNotSaved)
{
    TTempFolder folder;
    for (const char* dir : {"s/cache", "s/work/cache", "s/work/cache/deep", "s/work/src"}) {
        std::filesystem::create_directories(folder.Host(dir));
    }
    TExtensionList entry = EntryOf(folder, "s");
    entry.DirFilters = {"cache"};
    ApplyDirMasks(entry);
    EXPECT_EQ(entry.SubDirs.Count(), 2);
    EXPECT_TRUE(entry.SubDirs.Contains(folder.Win("s/work/cache") + "\\"));
    EXPECT_TRUE(entry.SubDirs[0].FromMask);

    entry.SubDirs.Add(folder.Win("s/work/src") + "\\");
    UnapplyDirMasks(entry);
    EXPECT_EQ(entry.SubDirs.Count(), 1); // the user's own choice stays

    TTextFilter filter;
    EXPECT_FALSE(ParseDirMask("!#", filter));
    EXPECT_TRUE(ParseDirMask("!#^c", filter));
    EXPECT_TRUE(filter.IsRegEx);
    EXPECT_EQ(filter.Mode, TTextFilter::ModeExclude);
}

// A long line is cut in its folder part only, so the filters stay readable; one
// character counts one unit of width here.
TEST(SourceLines, LongFoldersAreCutInTheMiddleToFit)
{
    const auto width = [](const std::string& text) { return static_cast<int>(text.size()); };
    TExtensionList entry;
    entry.SourceDir = "/home/ann/Documents/Reports/2026/Quarterly/Drafts";
    entry.SubDirs.Add("C:\\x\\");
    const std::string full = SourceLineText(entry);
    EXPECT_EQ(FittedSourceLine(entry, width, 200), full);
    const std::string cut = FittedSourceLine(entry, width, 40);
    EXPECT_LE(cut.size(), 40u);
    EXPECT_NE(cut.find("..."), std::string::npos);
    EXPECT_EQ(cut.rfind("/home/", 0), 0u);
    EXPECT_NE(cut.find("/Drafts [-1] (all)"), std::string::npos);
    // Too narrow for anything: the folder gets as short as it can and the filters stay.
    EXPECT_NE(FittedSourceLine(entry, width, 5).find("[-1] (all)"), std::string::npos);
}

TEST(SourceLines, SizeGaugeColourAndLevel)
{
    EXPECT_EQ(SizeGaugeOf(1024).Level, 0);
    EXPECT_FALSE(SizeGaugeOf(1024).Red);
    EXPECT_EQ(SizeGaugeOf(1025).Level, 0);     // round(1025 / 20480)
    EXPECT_EQ(SizeGaugeOf(102400).Level, 5);   // 102400 / 20480
    EXPECT_EQ(SizeGaugeOf(102401).Level, 6);   // round(0.5) + 5
    EXPECT_EQ(SizeGaugeOf(1048576).Level, 10); // 5.12 + 5, at most 10
    EXPECT_FALSE(SizeGaugeOf(1048576).Red);
    EXPECT_TRUE(SizeGaugeOf(1048577).Red);
    EXPECT_EQ(SizeGaugeOf(1048577).Level, 1);  // round(0.5)
    EXPECT_EQ(SizeGaugeOf(10485760).Level, 5); // 10485760 / 2097152
    EXPECT_EQ(SizeGaugeOf(10485761).Level, 6); // round(0.5) + 5
    EXPECT_EQ(SizeGaugeOf(int64_t{1} << 40).Level, 10);
}
