#include "TempFolder.h"
#include "foundation/DateUtils.h"
#include "foundation/Translate.h"
#include "tasks/AutoTaskPage.h"
#include "tasks/FilterRules.h"
#include "tasks/OptionRules.h"
#include "tasks/PreviewRows.h"
#include "tasks/Schedule.h"
#include "tasks/TaskModel.h"
#include "tasks/TypeListEditor.h"
#include "tasks/TypeLists.h"

#include <fstream>
#include <gtest/gtest.h>

// ---- name filter close check ------------------------------------------------------

TEST(NameFilterCommit, EmptyMaskIncludesEverythingAsWildcards)
{
    TTextFilter filter;
    std::string history;
    ASSERT_TRUE(CommitNameFilter({"", true, TTextFilter::ModeInclude}, filter, history));
    EXPECT_EQ(filter.Mode, TTextFilter::ModeInclude);
    EXPECT_FALSE(filter.IsRegEx);
    EXPECT_EQ(filter.GetMask(), "*");
    EXPECT_EQ(history, "*");
}

TEST(NameFilterCommit, RefusedMaskLeavesTheFilterAsItWas)
{
    TTextFilter filter;
    filter.Mode = TTextFilter::ModeExclude;
    filter.SetMask("*.tmp");
    std::string history = "x";
    EXPECT_FALSE(CommitNameFilter({"[", true, TTextFilter::ModeInclude}, filter, history));
    EXPECT_EQ(filter.Mode, TTextFilter::ModeExclude);
    EXPECT_FALSE(filter.IsRegEx);
    EXPECT_EQ(filter.GetMask(), "*.tmp");
    EXPECT_TRUE(history.empty());
    EXPECT_NE(InvalidMaskText(DomainDefault, true).find("\\D"), std::string::npos);
    EXPECT_NE(InvalidMaskText(DomainDefault, true).find("A+[bc]."), std::string::npos);
    EXPECT_EQ(InvalidMaskText(DomainDefault, false), "Invalid filter mask!\r\nShould look like * or [ab]*");
}

TEST(NameFilterCommit, SwitchedOffFilterKeepsItsMaskWhenTheNewOneIsBad)
{
    TTextFilter filter;
    filter.Mode = TTextFilter::ModeInclude;
    filter.SetMask("*.doc");
    std::string history;
    ASSERT_TRUE(CommitNameFilter({"[", true, TTextFilter::ModeOff}, filter, history));
    EXPECT_EQ(filter.Mode, TTextFilter::ModeOff);
    EXPECT_EQ(filter.GetMask(), "*.doc");
    EXPECT_TRUE(history.empty());
    ASSERT_TRUE(CommitNameFilter({"^a.*", true, TTextFilter::ModeExclude}, filter, history));
    EXPECT_TRUE(filter.IsRegEx);
    EXPECT_EQ(filter.GetMask(), "^a.*");
}

// ---- size fields and date window -----------------------------------------------

TEST(SizeField, UntouchedTextKeepsTheExactValue)
{
    TSizeField field;
    field.Show(1500);
    int64_t value = 0;
    ASSERT_TRUE(field.Read(field.Shown(), value));
    EXPECT_EQ(value, 1500);
    ASSERT_TRUE(field.Read("10 kB", value));
    EXPECT_EQ(value, 10240);
    ASSERT_TRUE(field.Read("2 MB", value));
    EXPECT_EQ(value, 2097152);
    EXPECT_FALSE(field.Read("ten", value));
}

TEST(DateWindowCommit, UnusedDatesComeFromTheRememberedRecord)
{
    TDateFilter date;
    TDateFilter remembered;
    remembered.DateFrom = 40000;
    remembered.DateTo = 41000;
    remembered.DayTime = 0.25;
    TDateWindowControls controls;
    controls.Mode = TimeModeUntil;
    controls.From = 45000.75; // not used by "older than"
    controls.To = 45500.3;
    CommitDateWindow(controls, date, remembered);
    EXPECT_EQ(date.TimeMode, TimeModeUntil);
    EXPECT_DOUBLE_EQ(date.DateTo, 45500);
    EXPECT_DOUBLE_EQ(date.DateFrom, 40000);
    EXPECT_DOUBLE_EQ(date.DayTime, 0.25);
    EXPECT_DOUBLE_EQ(remembered.DateTo, 45500);

    controls.Mode = TimeModeSinceTime;
    CommitDateWindow(controls, date, remembered);
    EXPECT_DOUBLE_EQ(date.DayTime, 0.75);
    EXPECT_DOUBLE_EQ(date.DateFrom, 40000);
    EXPECT_EQ(AttributeStateOf(true, true), AttrRequired);
    EXPECT_EQ(AttributeStateOf(false, true), AttrExcluded);
}

// ---- schedule ------------------------------------------------------------------------

namespace {

const TDateTime Wednesday = EncodeDate(2026, 12, 9);

} // namespace

TEST(ScheduleEdit, DailyRotationFixesTodaysWeekday)
{
    TSchedule schedule;
    schedule.SchedMode = 0;
    TScheduleEdit edit(schedule, Wednesday);
    EXPECT_FALSE(edit.Controls.CountEnabled);
    edit.RecurrenceChosen(StepDaily);
    EXPECT_EQ(edit.Value.Cycles, 7);
    EXPECT_EQ(edit.Value.ActCycle, 3);
    EXPECT_EQ(edit.Value.LastCycle, NoCycleYet);
    EXPECT_FALSE(edit.Controls.ActualEnabled);
    EXPECT_EQ(edit.Controls.CountMax, 366);
    EXPECT_FALSE(edit.Controls.FullDayVisible);
    edit.SchemeChosen(1);
    EXPECT_TRUE(edit.Controls.FullDayVisible);
    edit.CountChanged(10);
    EXPECT_TRUE(edit.Controls.ActualEnabled);
    EXPECT_FALSE(edit.Controls.FullDayVisible);
}

TEST(ScheduleEdit, WeeklyRotationRestartsAtCycleOne)
{
    TSchedule schedule;
    schedule.StepMode = StepDaily;
    schedule.Cycles = 14;
    schedule.ActCycle = 9;
    schedule.LastCycle = 8;
    schedule.SchedMode = 1;
    TScheduleEdit edit(schedule, Wednesday);
    EXPECT_TRUE(edit.Controls.FullDayVisible);
    edit.RecurrenceChosen(StepDaily); // the same item again changes nothing
    EXPECT_EQ(edit.Value, schedule);
    edit.RecurrenceChosen(StepWeekly);
    EXPECT_EQ(edit.Value.Cycles, 4);
    EXPECT_EQ(edit.Value.ActCycle, 1);
    EXPECT_EQ(edit.Value.LastCycle, NoCycleYet);
    EXPECT_EQ(edit.Controls.CountMax, 52);
    // A weekly rotation never offers the full-backup weekday, whatever its count.
    edit.CountChanged(14);
    EXPECT_FALSE(edit.Controls.FullDayVisible);
    edit.RecurrenceChosen(StepNone);
    EXPECT_EQ(edit.Value.SchedMode, 0);
    EXPECT_FALSE(edit.Controls.SchemeEnabled);
}

TEST(ScheduleSummary, WeekCycleLineOnlyForDailyRotation)
{
    TSchedule schedule;
    EXPECT_EQ(ScheduleSummary(schedule), "No configured schedule");
    schedule.StepMode = StepDaily;
    schedule.Cycles = 14;
    schedule.SchedMode = 1;
    schedule.StartDay = 0;
    EXPECT_EQ(ScheduleSummary(schedule), "Mode: 1x full + differential\r2 Week cycle, start on Monday");
    schedule.StepMode = StepOncePerWeek;
    schedule.ActCycle = 3;
    EXPECT_EQ(ScheduleSummary(schedule),
              "Mode: 1x full + differential\rWeekly change (14 weeks)\rActual cycle: 3.week");
    schedule.StepMode = StepWeekly;
    schedule.SchedMode = 0;
    EXPECT_EQ(ScheduleSummary(schedule),
              "Mode: as defined in task\rDayly - weekly change (14 weeks)\rActual cycle: 3.week");
}

// ---- suffix, log, start note, commands ---------------------------------------------------

TEST(SuffixRules, CounterSplitAndJoin)
{
    std::string suffix = "old#5";
    EXPECT_EQ(SplitSuffixCounter(suffix), 5);
    EXPECT_EQ(suffix, "old#");
    suffix = "old#x";
    EXPECT_EQ(SplitSuffixCounter(suffix), 0);
    EXPECT_EQ(suffix, "oldx");

    const TSuffixParts parts = SplitSuffix("bak-#3");
    EXPECT_EQ(parts.Text, "bak");
    EXPECT_EQ(parts.Count, 3);
    EXPECT_EQ(JoinSuffix(parts), "bak-#3");
    EXPECT_EQ(JoinSuffix({"bak", 0}), "bak");
    const TSuffixParts zero = SplitSuffix("#0");
    EXPECT_EQ(zero.Count, 0);
    EXPECT_FALSE(ValidSuffixText(zero.Text));
    EXPECT_FALSE(ValidSuffixText("a:b"));
    EXPECT_TRUE(ValidSuffixText("%bdate%"));
}

TEST(LogRules, DialogDropsTheCommandLineFlagAndLabelJoinsFlags)
{
    EXPECT_EQ(LogSettingOf(0x92 & 0x0F, (0x92 & 16) != 0, false, false), 0x12u);
    EXPECT_EQ(LogLabelText(2 | 16 | 64), "long on B+R+P");
    EXPECT_EQ(LogLabelText(0 | 16), "off");
    EXPECT_EQ(LogLabelText(3 | 32), "extended on B+C");
}

// ---- which option controls may be used --------------------------------------------------

TEST(OptionEnabling, LayoutMethodDestinationAndCopyKindDecide)
{
    struct TCase
    {
        const char* what;
        int destMode, sources, method;
        bool ftp, shellCopy, compress;
        // method, archive bits, sync, security, verify, empty folders, compression, shell copy, zip name
        bool m, a, s, sec, v, d, c, sh, z;
    };
    const TCase cases[] = {
        {"drives separated", DestDrivesSeparated, 1, MethodCopy, false, false, true, 1, 1, 1, 1, 1, 1, 1, 0, 0},
        {"one zip file", DestZipFile, 1, MethodCopy, false, false, true, 0, 1, 0, 0, 1, 0, 0, 0, 1},
        {"zip per folder", DestZipPerDirectory, 1, MethodCopy, false, false, true, 0, 1, 0, 0, 1, 1, 0, 0, 1},
        {"one folder, two sources", DestOneDirectory, 2, MethodCopy, false, false, true, 0, 1, 0, 0, 1, 1, 1, 0, 0},
        {"one folder, one source", DestOneDirectory, 1, MethodCopy, false, false, true, 1, 1, 1, 1, 1, 1, 1, 0, 0},
        {"full backup", DestCloneOfSource, 1, MethodFull, false, false, true, 1, 0, 0, 0, 1, 1, 1, 0, 0},
        {"ftp", DestDrivesSeparated, 1, MethodCopy, true, false, true, 1, 1, 1, 0, 0, 0, 1, 0, 0},
        {"shell copy", DestDrivesSeparated, 1, MethodCopy, false, true, false, 1, 1, 1, 1, 1, 1, 0, 1, 0},
        {"no compression", DestDrivesSeparated, 1, MethodCopy, false, false, false, 1, 1, 1, 1, 1, 1, 1, 1, 0},
    };
    for (const TCase& c : cases) {
        TBackupTask task;
        task.DestMode = c.destMode;
        task.Sources.resize(static_cast<size_t>(c.sources));
        task.SetBackupMethod(c.method);
        task.FtpBackup = c.ftp;
        task.ShellCopy = c.shellCopy;
        task.Compress = c.compress;
        const TOptionEnabling on = OptionEnablingOf(task);
        const bool got[] = {on.Method, on.ArchiveBits, on.Sync,      on.NoBak,  on.Verify,
                            on.DelDir, on.Compression, on.ShellCopy, on.ZipName};
        const bool want[] = {c.m, c.a, c.s, c.sec, c.v, c.d, c.c, c.sh, c.z};
        for (size_t i = 0; i < std::size(want); ++i) {
            EXPECT_EQ(got[i], want[i]) << c.what << ", control " << i;
        }
        EXPECT_EQ(on.CreationTime, !c.z) << c.what;
        EXPECT_EQ(on.Encrypt, !c.shellCopy) << c.what;
        EXPECT_EQ(on.TimeCompare, !c.ftp) << c.what;
    }

    TBackupTask task;
    task.BakFiles = true;
    EXPECT_TRUE(OptionEnablingOf(task).BakName);
    task.FtpBackup = true;
    EXPECT_FALSE(OptionEnablingOf(task).KeepBak || OptionEnablingOf(task).BakName);
}

TEST(OptionEnabling, PlainCopyLayoutsDropSyncAndMethodButKeepTheArchiveBits)
{
    TBackupTask task;
    task.Sources.resize(2);
    task.SetBackupMethod(MethodIncremental);
    task.SyncMode = SyncAllFiles;
    task.ShellCopy = true;
    EXPECT_TRUE(ChangeDestMode(task, DestZipFile, false));
    EXPECT_EQ(task.SyncMode, SyncOff);
    EXPECT_EQ(task.BackupMethod(), MethodCopy);
    EXPECT_TRUE(task.ArchBit && task.UseArch);
    EXPECT_FALSE(task.ShellCopy);

    // In one folder the second source takes the method away as well.
    task.DestMode = DestOneDirectory;
    task.Sources.resize(1);
    task.SetBackupMethod(MethodDifferential);
    EXPECT_FALSE(LimitToLayout(task));
    task.Sources.resize(2);
    EXPECT_TRUE(LimitToLayout(task));
    EXPECT_EQ(task.BackupMethod(), MethodCopy);
}

TEST(StartNote, HashesBecomeQuotes)
{
    TTempFolder folder;
    std::ofstream(folder.Host("t.buj")) << "[Global]\nNote=say #ok# twice\n";
    EXPECT_EQ(ReadTaskNote(folder.Win() + "\\t.buj"), "say \"ok\" twice");
    std::ofstream(folder.Host("plain.buj")) << "[Global]\nDestination=E:\\B\n";
    EXPECT_EQ(ReadTaskNote(folder.Win() + "\\plain.buj"), "");
    EXPECT_EQ(ReadTaskNote(folder.Win() + "\\missing.buj"), "");
}

TEST(CommandRules, WaitWordRoundTripAndEmptyCommandsInactive)
{
    TCommandControls controls = CommandControlsOf("backup-db", 0x2005, 30);
    EXPECT_TRUE(controls.Active);
    EXPECT_FALSE(controls.WaitForEnd);
    EXPECT_EQ(controls.Seconds, 5);
    std::string command;
    int32_t wait = 0;
    CommitCommand(controls, command, wait);
    EXPECT_EQ(wait, 0x2005);

    controls.Text.clear();
    CommitCommand(controls, command, wait);
    EXPECT_EQ(command, "");
    EXPECT_EQ(wait & CommandEnabledBit, 0);

    controls = CommandControlsOf("x", 0x2000, 30);
    EXPECT_TRUE(controls.WaitForEnd);
    EXPECT_EQ(controls.Seconds, 30);
}

TEST(CommandRules, BrowsingStartsAtTheProgram)
{
    TBrowseStart start = ProgramBrowseStart(false, "C:\\Tools\\run.exe -x", "", "C:\\Tasks\\");
    EXPECT_EQ(start.Folder, "C:\\Tools\\");
    EXPECT_EQ(start.FileName, "run.exe");
    EXPECT_EQ(start.FilterIndex, 1);
    start = ProgramBrowseStart(true, "", "\"C:\\My Tools\\go.cmd\" now", "C:\\Tasks\\");
    EXPECT_EQ(start.Folder, "C:\\My Tools\\");
    EXPECT_EQ(start.FileName, "");
    EXPECT_EQ(start.FilterIndex, 2);
    start = ProgramBrowseStart(true, "", "", "C:\\Tasks\\");
    EXPECT_EQ(start.Folder, "C:\\Tasks\\");
}

// ---- preview -------------------------------------------------------------------------------

TEST(PreviewRows, FoldersWithoutChosenFilesAreHidden)
{
    const std::vector<TPreviewLine> lines = {{"*..\\", 0},        {"#..\\tmp (all files)", 0}, {"*..\\docs", 7},
                                             {" a.txt|d|1 B", 0}, {"#..\\docs\\x", 0},         {"*..\\empty", 0}};
    EXPECT_EQ(PreviewRows(lines, false), (std::vector<size_t>{2, 3, 4}));
    EXPECT_EQ(PreviewRows(lines, true).size(), lines.size());
    EXPECT_TRUE(PreviewRows({}, true).empty());
    EXPECT_EQ(PreviewRowOf(lines[2]).Date, "7 Files");
    EXPECT_EQ(PreviewRowOf(lines[5]).Date, "No files");
    const TPreviewRow file = PreviewRowOf(lines[3]);
    EXPECT_EQ(file.Name, "a.txt");
    EXPECT_EQ(file.Size, "1 B");
    EXPECT_EQ(file.Picture, PreviewPictureFile);
    EXPECT_EQ(PreviewSummary(0, 0), "");
    EXPECT_EQ(PreviewSummary(1, 2048), "1 file with 2.00 kB");
}

TEST(PreviewEntry, ListsTheChosenFilesOfARealTree)
{
    TTempFolder folder;
    std::filesystem::create_directories(folder.Host("src/sub/deep"));
    std::ofstream(folder.Host("src/a.txt")) << "12345";
    std::ofstream(folder.Host("src/b.log")) << "x";
    std::ofstream(folder.Host("src/sub/deep/c.txt")) << "abc";
    TBackupTask task;
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = folder.Win() + "\\src\\";
    entry.Mode = TypeModeInclude;
    entry.IncludeList.SetTypes({"txt"});
    const TPreview chosen = PreviewEntry(task, entry, false, Now());
    EXPECT_EQ(chosen.Count, 2);
    EXPECT_EQ(chosen.Bytes, 8);
    const std::vector<size_t> rows = PreviewRows(chosen.Lines, false);
    std::vector<std::string> names;
    for (size_t row : rows) {
        names.push_back(PreviewRowOf(chosen.Lines[row]).Name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"..\\", "a.txt", "..\\sub\\deep", "c.txt"}));
    const TPreview left = PreviewEntry(task, entry, true, Now());
    EXPECT_EQ(left.Count, 1);
    EXPECT_EQ(PreviewSummary(left.Count, left.Bytes), "1 file with 1 B");
}

// ---- named type lists ------------------------------------------------------------------------

TEST(TypeListEditor, NewUpdateApplyDelete)
{
    TNamedTypeLists lists;
    TTypeListEditor editor(lists, {});
    TExtensionList entry;
    entry.Mode = TypeModeInclude;
    entry.IncludeList.SetTypes({"doc", "odt"});
    editor.New("Texts", entry);
    EXPECT_EQ(editor.Current, 0);
    EXPECT_EQ(editor.ShownTypes(), (std::vector<std::string>{"doc", "odt"}));
    EXPECT_EQ(editor.ModeText(), "only these file types");
    editor.New("texts", entry); // the same name ignoring case updates
    EXPECT_EQ(lists.Count(), 1);

    TExtensionList target;
    target.NameFilter.Mode = TTextFilter::ModeInclude;
    target.FileCount = 12;
    ASSERT_TRUE(editor.Apply(target));
    EXPECT_EQ(target.NameFilter.Mode, TTextFilter::ModeOff);
    EXPECT_EQ(target.Mode, TypeModeInclude);
    EXPECT_EQ(target.FileCount, 0);

    editor.Delete();
    EXPECT_EQ(editor.Current, -1);
    EXPECT_EQ(lists.Count(), 0);
    EXPECT_TRUE(editor.ShownTypes().empty());
    EXPECT_FALSE(editor.Update(entry));
}

TEST(TypeListEditor, LoadingFiles)
{
    TTempFolder folder;
    std::ofstream(folder.Host("Images.but")) << "[Filter]\nExclude=jpg,png\n";
    std::ofstream(folder.Host("odd.but")) << "[Filter]\nName=Odd\nMode=2\nExclude=tmp\n";
    std::ofstream(folder.Host("inc.but")) << "[Filter]\nName=Odd\nMode=0\nInclude=txt\n";
    TNamedTypeLists lists;
    TTypeListEditor editor(lists, {});
    ASSERT_TRUE(editor.Load(folder.Win() + "\\Images.but", {}));
    EXPECT_EQ(lists[editor.Current].Name, "Images");
    EXPECT_EQ(lists[editor.Current].List.Mode, TypeModeExclude);
    EXPECT_EQ(editor.ShownTypes(), (std::vector<std::string>{"jpg", "png"}));
    ASSERT_TRUE(editor.Load(folder.Win() + "\\odd.but", {}));
    EXPECT_EQ(lists[editor.Current].List.Mode, TypeModeExclude);
    EXPECT_EQ(editor.ShownTypes(), (std::vector<std::string>{"tmp"}));
    EXPECT_FALSE(editor.Load(folder.Win() + "\\inc.but", [] { return false; }));
    EXPECT_EQ(lists[1].List.Mode, TypeModeExclude);
    ASSERT_TRUE(editor.Load(folder.Win() + "\\inc.but", [] { return true; }));
    EXPECT_EQ(lists[1].List.Mode, TypeModeInclude);
    EXPECT_EQ(editor.ShownTypes(), (std::vector<std::string>{"txt"}));

    editor.Current = 0;
    ASSERT_TRUE(editor.Save(folder.Win() + "\\out.but", "Tessaro", "1.0"));
    EXPECT_EQ(ReadTypeListName(folder.Win() + "\\out.but"), "Images");
}

// ---- slot page values ------------------------------------------------------------------------

TEST(AutoTaskPage, ViewAndStore)
{
    TAutoTask slot;
    slot.Mode = AutoDailyAt;
    slot.Priority = 4;
    slot.NextBackup = 45000 + 0.75;
    TAutoTaskView view = AutoTaskViewOf(slot);
    EXPECT_EQ(slot.Mode, AutoNever); // a slot without a task runs never
    EXPECT_EQ(view.LastBackup, "no");
    EXPECT_EQ(view.StartTime, "18:00");
    EXPECT_EQ(view.PriorityIndex, 3);

    PutTaskIntoSlot(slot, "C:\\Tasks\\Nightly.buj");
    EXPECT_EQ(slot.DisplayName, "Nightly");
    const TDateTime now = EncodeDateTime(2026, 12, 9, 19, 0, 0);
    StoreAutoTaskInput({AutoDailyAt, "18:30", 1, EndNotVisible}, slot, now);
    EXPECT_DOUBLE_EQ(slot.NextBackup, EncodeDateTime(2026, 12, 10, 18, 30, 0));
    EXPECT_EQ(slot.Priority, 1);
    EXPECT_EQ(slot.AutoEnd, EndNotVisible);
    EXPECT_EQ(EndModeForChoice(AutoOnLogoff), EndCloseAfterDelay);
    EXPECT_EQ(EndModeForChoice(AutoEveryLogon), EndWaitForUser);
    ClearSlot(slot);
    EXPECT_TRUE(slot.Free());
    EXPECT_EQ(slot.Mode, AutoNever);
}

TEST(AutoTaskPage, TheSlotOfATaskFile)
{
    TAutoTaskSlots slots;
    slots[2] = TAutoTask("C:\\Tasks\\Daily.buj");
    slots[5] = TAutoTask("C:\\Tasks\\Nightly.buj");
    EXPECT_EQ(SlotOfTask(slots, "C:\\Tasks\\Nightly.buj"), 5);
    EXPECT_EQ(SlotOfTask(slots, "C:\\Tasks\\Other.buj"), 0);
    EXPECT_EQ(SlotOfTask(slots, ""), 0); // not the first free slot
}
