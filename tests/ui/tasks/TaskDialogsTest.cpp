#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/Translate.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/NumberEdits.h"
#include "ui/tasks/AddPrograms.h"
#include "ui/tasks/BuFtpDlg.h"
#include "ui/tasks/DatumWahl.h"
#include "ui/tasks/FilePreview.h"
#include "ui/tasks/FilterDlg.h"
#include "ui/tasks/FtpProxyDlg.h"
#include "ui/tasks/LogDlg.h"
#include "ui/tasks/PhDlg.h"
#include "ui/tasks/ScheduleDlg.h"
#include "ui/tasks/StartDlg.h"
#include "ui/tasks/SuffixDlg.h"
#include "ui/tasks/TimeCompareDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs `act` inside the next modal loop of the dialog, then accepts or rejects it.
void WhileOpen(QDialog& dialog, std::function<void()> act, bool accept)
{
    QTimer::singleShot(0, &dialog, [&dialog, act, accept] {
        act();
        if (accept) {
            dialog.accept();
        } else {
            dialog.reject();
        }
    });
}

} // namespace

TEST(FilterDialog, RefusedMaskThenCancelLeavesTheFilter)
{
    TScriptedMessageDialogs boxes;
    TFilterDialog dialog;
    TTextFilter filter;
    filter.Mode = TTextFilter::ModeExclude;
    filter.SetMask("*.bak");
    WhileOpen(
        dialog,
        [&] {
            dialog.Filter->IncMaskBtn->setChecked(true);
            dialog.Filter->RegExpCB->setChecked(true);
            dialog.Filter->cbxFilter->SetText("[");
            EXPECT_FALSE(dialog.Filter->CommitFilter(dialog.Scratch, DomainDialogs, "Mask"));
        },
        false);
    EXPECT_FALSE(dialog.Execute("Mask", filter));
    EXPECT_EQ(boxes.ShownCount(), 1u);
    EXPECT_NE(boxes.LastText().find("A+[bc]."), std::string::npos);
    EXPECT_EQ(filter.Mode, TTextFilter::ModeExclude);
    EXPECT_FALSE(filter.IsRegEx);
    EXPECT_EQ(filter.GetMask(), "*.bak");

    WhileOpen(
        dialog, [&] { dialog.Filter->cbxFilter->SetText("*.tmp|*.old"); }, true);
    ASSERT_TRUE(dialog.Execute("Mask", filter));
    EXPECT_EQ(filter.GetMask(), "*.tmp|*.old");
    EXPECT_EQ(filter.Mode, TTextFilter::ModeExclude);
}

TEST(DatumWahlDialog, UntouchedSizesStayExactAndChangedOnesAreParsed)
{
    TScriptedMessageDialogs boxes;
    TDatumWahlDialog dialog;
    TExtensionList entry;
    entry.SizeMode = SizeModeBetween;
    entry.MinSize = 1500;
    entry.MaxSize = 1'000'001;
    entry.AttrHidden = AttrExcluded;
    TDateFilter remembered;
    WhileOpen(
        dialog, [] {}, true);
    ASSERT_TRUE(dialog.Execute(entry, remembered));
    EXPECT_EQ(entry.MinSize, 1500);
    EXPECT_EQ(entry.MaxSize, 1'000'001);
    EXPECT_EQ(entry.AttrHidden, AttrExcluded);

    WhileOpen(
        dialog,
        [&] {
            dialog.edMin->setText("10 kB");
            dialog.edMax->setText("2 MB");
            dialog.cbArcInclude->setChecked(true);
            dialog.cbHidInclude->setChecked(true); // unchecks its "not" partner
            EXPECT_FALSE(dialog.cbHidExclude->isChecked());
        },
        true);
    ASSERT_TRUE(dialog.Execute(entry, remembered));
    EXPECT_EQ(entry.MinSize, 10240);
    EXPECT_EQ(entry.MaxSize, 2097152);
    EXPECT_EQ(entry.AttrArchive, AttrRequired);
    EXPECT_EQ(entry.AttrHidden, AttrRequired);

    // A bad size keeps the dialog open; Cancel afterwards changes nothing.
    const TExtensionList before = entry;
    WhileOpen(
        dialog,
        [&] {
            dialog.edMax->setText("lots");
            dialog.rbTmLastDays->setChecked(true);
            EXPECT_FALSE(dialog.CanClose());
        },
        false);
    EXPECT_FALSE(dialog.Execute(entry, remembered));
    EXPECT_EQ(boxes.LastText(), "Invalid size value!");
    EXPECT_TRUE(entry == before);
    EXPECT_EQ(entry.DateFilter.TimeMode, TimeModeAny);
}

TEST(ScheduleDialog, FillingTheControlsNeverEditsAndCancelKeepsTheBlock)
{
    TScheduleDialog dialog;
    TSchedule schedule;
    schedule.StepMode = StepDaily;
    schedule.Cycles = 14;
    schedule.ActCycle = 9;
    schedule.LastCycle = 8;
    schedule.SchedMode = 1;
    dialog.ShowSchedule(schedule, EncodeDate(2026, 12, 9));
    EXPECT_EQ(dialog.Schedule(), schedule);
    EXPECT_EQ(dialog.ZyklusEdit->value(), 14);
    EXPECT_FALSE(dialog.AktZykEdit->isEnabled());
    EXPECT_FALSE(dialog.gbFull->isHidden());

    WhileOpen(
        dialog, [&] { dialog.rgSched->button(StepWeekly)->click(); }, false);
    TSchedule kept = schedule;
    EXPECT_FALSE(dialog.Execute(kept));
    EXPECT_EQ(kept, schedule);

    WhileOpen(
        dialog,
        [&] {
            dialog.rgSched->button(StepWeekly)->click();
            dialog.ZyklusEdit->setValue(6);
        },
        true);
    ASSERT_TRUE(dialog.Execute(kept));
    EXPECT_EQ(kept.StepMode, StepWeekly);
    EXPECT_EQ(kept.Cycles, 6);
    EXPECT_EQ(kept.ActCycle, 1);
    EXPECT_EQ(kept.LastCycle, NoCycleYet);
    EXPECT_TRUE(dialog.gbFull->isHidden());
}

TEST(FtpDialog, ProxyBoxAndFolderButton)
{
    TFtpDialog dialog;
    TFtpParams params;
    params.Host = "ftp.example.org";
    params.SubDir = "/backup";
    params.Proxy = {"proxy.lan", "pu", "pp", 8021, 3};
    dialog.ShowParams(params, false, true);
    EXPECT_EQ(dialog.edtPort->text(), "21") << "a port in plain digits";
    EXPECT_TRUE(dialog.cbProxy->isChecked());
    EXPECT_EQ(dialog.edProxy->text(), "proxy.lan:8021");
    EXPECT_TRUE(dialog.btnShow->isHidden());
    dialog.cbProxy->click();
    EXPECT_FALSE(dialog.btProxy->isEnabled());
    TFtpParams taken;
    dialog.TakeParams(taken);
    EXPECT_EQ(taken.Proxy.ProxyType, 0);
    EXPECT_EQ(taken.Proxy.Server, "proxy.lan");
    EXPECT_EQ(taken.Proxy.Port, 8021);

    // Checking the box for a record without a proxy and cancelling unchecks it again.
    params.Proxy = {};
    dialog.ShowParams(params, false, true);
    int opened = 0;
    dialog.EditProxy = [&](TFtpProxyParams&) { return ++opened, false; };
    dialog.cbProxy->click();
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(dialog.cbProxy->isChecked());

    dialog.ChoosePlaceholder = [] { return 0; };
    dialog.btnPhDirClick();
    EXPECT_EQ(dialog.hcbDir->Text(), "/backup%date%");

    dialog.ShowParams(params, false, false);
    dialog.ChooseSubDir = [](const TFtpParams& current, std::string& subDir) {
        EXPECT_EQ(current.SubDir, "/backup");
        subDir = "a/b";
        return true;
    };
    dialog.btnPhDirClick();
    EXPECT_EQ(dialog.hcbDir->Text(), "/backup/a/b");
    dialog.edtPort->SetValue(65535);
    EXPECT_EQ(dialog.edtPort->Value(), 65535);
}

// A port out of range is set back to the range's end and named in the range error;
// OK does not close the dialog then.
TEST(FtpDialog, APortOutOfRangeKeepsTheDialogOpen)
{
    TScriptedMessageDialogs boxes;
    TFtpProxyDialog dialog;
    TFtpProxyParams proxy;
    proxy.ProxyType = 1;
    bool stayedOpen = false;
    WhileOpen(
        dialog,
        [&] {
            dialog.edtPort->setText("70000");
            dialog.accept();
            stayedOpen = dialog.isVisible();
        },
        true);
    ASSERT_TRUE(dialog.Execute(proxy, false));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(boxes.LastText(), RangeErrorText(1, 65535, TNumMode::nmDecimal));
    EXPECT_EQ(proxy.Port, 65535);
}

TEST(FtpProxyDialog, NoProxyStartsAtTheFirstMethod)
{
    TFtpProxyDialog dialog;
    TFtpProxyParams proxy;
    WhileOpen(
        dialog,
        [&] {
            EXPECT_EQ(dialog.rgMethod->checkedId(), 0);
            EXPECT_EQ(dialog.edtPort->text(), "2121");
        },
        true);
    ASSERT_TRUE(dialog.Execute(proxy, false));
    EXPECT_EQ(proxy.ProxyType, 1);
    EXPECT_EQ(proxy.Port, 2121);
    EXPECT_EQ(dialog.edtPort->MaxValue, 65535);
}

TEST(SuffixDialog, CounterIsResetOnEveryCall)
{
    TScriptedMessageDialogs boxes;
    TSuffixDialog dialog;
    dialog.ShowSuffix("bak-#3");
    EXPECT_EQ(dialog.edtSuffix->text(), "bak");
    EXPECT_EQ(dialog.spMaxCounter->value(), 3);
    EXPECT_EQ(dialog.Suffix(), "bak-#3");
    dialog.spMaxCounter->setValue(0);
    EXPECT_EQ(dialog.Suffix(), "bak");
    dialog.ShowSuffix("old");
    EXPECT_EQ(dialog.spMaxCounter->value(), 0);
    dialog.ShowSuffix("#0");
    EXPECT_EQ(dialog.edtSuffix->text(), "");
    EXPECT_FALSE(dialog.CanClose());
    EXPECT_EQ(boxes.LastText(), "Invalid suffix for backup copies!");
    dialog.btnBuDate->click();
    EXPECT_EQ(dialog.edtSuffix->text(), "%bdate%");
    EXPECT_TRUE(dialog.CanClose());
}

TEST(SmallDialogs, LogTimeCompareAndPlaceholders)
{
    TLogDialog log;
    uint32_t setting = 0x92;
    WhileOpen(
        log, [] {}, true);
    ASSERT_TRUE(log.Execute(setting));
    EXPECT_EQ(setting, 0x12u);

    TTimeCompareDialog time;
    int32_t tolerance = 2;
    bool ignore = false;
    WhileOpen(
        time,
        [&] {
            time.edTimeDiff->setValue(3600);
            time.cbDstIgnore->setChecked(true);
        },
        false);
    EXPECT_FALSE(time.Execute(tolerance, ignore));
    EXPECT_EQ(tolerance, 2);
    EXPECT_FALSE(ignore);

    TPlaceHolderDialog placeholders;
    WhileOpen(
        placeholders, [&] { placeholders.Choose(8); }, true);
    EXPECT_LT(placeholders.Execute(1), 8); // the program folder is never offered
    WhileOpen(
        placeholders, [&] { placeholders.Choose(3); }, true);
    EXPECT_EQ(placeholders.Execute(0), 3);
    WhileOpen(
        placeholders, [] {}, true);
    EXPECT_EQ(placeholders.Execute(0), 3); // the page keeps its last choice
    WhileOpen(
        placeholders, [] {}, false);
    EXPECT_EQ(placeholders.Execute(0), -1);
    EXPECT_EQ(TPlaceHolderDialog::TokenOf(0, 3), "%week%");
    EXPECT_EQ(TPlaceHolderDialog::TokenOf(1, 0), "%perspath%");
}

TEST(StartDialog, NoteShownWithQuotesAndHiddenWithout)
{
    TTempFolder folder;
    std::ofstream(folder.Host("note.buj")) << "[Global]\nNote=#ok#\n";
    std::ofstream(folder.Host("plain.buj")) << "[Global]\nDestination=E:\\\n";
    TStartDialog dialog;
    dialog.ShowTask("Tessaro", folder.Win("plain.buj"));
    EXPECT_TRUE(dialog.memNote->isHidden());
    dialog.ShowTask("Tessaro", folder.Win("note.buj"));
    EXPECT_FALSE(dialog.memNote->isHidden());
    EXPECT_EQ(dialog.memNote->toPlainText(), "\"ok\"");
    QTimer::singleShot(0, &dialog, [&] { dialog.EditBtn->click(); });
    EXPECT_EQ(dialog.Execute("Tessaro", folder.Win("note.buj")), 6);
    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    EXPECT_EQ(dialog.Execute("Tessaro", folder.Win("note.buj")), 2);
}

TEST(AddProgramsDialog, BrowseAndWaitWords)
{
    TAddProgramsDialog dialog;
    std::string pre = "C:\\Tools\\run.exe -x";
    int32_t preWait = 0x2005;
    std::string post;
    int32_t postWait = 0x2000;
    TBrowseStart seen;
    dialog.ChooseProgram = [&](const std::string&, const TBrowseStart& start, std::string& file) {
        seen = start;
        file = "D:\\b.cmd";
        return true;
    };
    WhileOpen(
        dialog,
        [&] {
            EXPECT_TRUE(dialog.Pre.Seconds->isEnabled());
            EXPECT_FALSE(dialog.Post.Seconds->isEnabled());
            dialog.PreCommandBtnClick();
        },
        true);
    ASSERT_TRUE(dialog.Execute("C:\\Tasks\\", pre, preWait, post, postWait));
    EXPECT_EQ(seen.Folder, "C:\\Tools\\");
    EXPECT_EQ(seen.FileName, "run.exe");
    EXPECT_EQ(pre, "\"D:\\b.cmd\"");
    EXPECT_EQ(preWait, 0x2005);
    EXPECT_EQ(post, "");
    EXPECT_EQ(postWait, 0); // an empty command is never active
}

// The fields show and take host paths; the task keeps the program as Windows text.
TEST(AddProgramsDialog, FieldsShowAndTakeHostPaths)
{
    TAddProgramsDialog dialog;
    std::string pre = "\"C:\\home\\ann\\my tool.sh\" -x";
    int32_t preWait = 0x2000;
    std::string post = "touch /home/ann/done";
    int32_t postWait = 0x2000;
    TBrowseStart seen;
    dialog.ChooseProgram = [&](const std::string&, const TBrowseStart& start, std::string& file) {
        seen = start;
        file = "/home/ann/bin/dump db.sh";
        return true;
    };
    WhileOpen(
        dialog,
        [&] {
            EXPECT_EQ(dialog.Pre.Command->text().toStdString(), "\"/home/ann/my tool.sh\" -x");
            EXPECT_EQ(dialog.Post.Command->text().toStdString(), "touch /home/ann/done");
            dialog.PreCommandBtnClick();
            EXPECT_EQ(dialog.Pre.Command->text().toStdString(), "\"/home/ann/bin/dump db.sh\"");
        },
        true);
    ASSERT_TRUE(dialog.Execute("C:\\Tasks\\", pre, preWait, post, postWait));
    EXPECT_EQ(seen.Folder, "C:\\home\\ann\\");
    EXPECT_EQ(seen.FileName, "my tool.sh");
    EXPECT_EQ(pre, "\"C:\\home\\ann\\bin\\dump db.sh\"");
    EXPECT_EQ(post, "touch /home/ann/done");
}

TEST(FilePreview, RowsFollowTheAllFoldersBox)
{
    const std::vector<TPreviewLine> lines = {
        {"*..\\", 0}, {"#..\\x (all files)", 0}, {"*..\\docs", 1}, {" a.txt|2026-12-09|5 B", 0}};
    TShowFilePreview preview;
    preview.ShowList("Preview of backup selection", "C:\\tmp\\src\\", lines, "1 file with 5 B");
    EXPECT_EQ(preview.RowCount(), 2);
    EXPECT_EQ(preview.RowTexts(1), (std::vector<std::string>{"a.txt", "2026-12-09", "5 B"}));
    preview.cbxAllDirs->setChecked(true);
    EXPECT_EQ(preview.RowCount(), 4);
    EXPECT_EQ(preview.lblBase->text().toStdString(), "/tmp/src");
}
