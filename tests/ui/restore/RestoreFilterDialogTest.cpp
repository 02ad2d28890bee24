#include "foundation/ScriptedMessageDialogs.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/restore/RestFilterDlg.h"
#include "ui/tasks/FilterDlg.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs `act` inside the dialog's modal loop, then accepts (the close checks run) and, when
// the dialog is still open, rejects it.
void WhileOpen(QDialog& dialog, std::function<void()> act)
{
    QTimer::singleShot(0, &dialog, [&dialog, act] {
        act();
        dialog.accept();
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
}

TEST(RestoreFilterDialog, ARefusedMaskThenCancelLeavesTheFilter)
{
    TScriptedMessageDialogs boxes;
    TRestoreFilterDialog dialog;
    TTextFilter filter;
    filter.Mode = TTextFilter::ModeExclude;
    filter.SetMask("*.bak");
    bool copies = false;
    std::string suffix = "bak";
    WhileOpen(dialog, [&] {
        dialog.Filter->IncMaskBtn->setChecked(true);
        dialog.Filter->RegExpCB->setChecked(true);
        dialog.Filter->cbxFilter->SetText("[");
    });
    EXPECT_FALSE(dialog.Execute("E:\\B", copies, filter, suffix));
    EXPECT_EQ(boxes.ShownCount(), 1u);
    EXPECT_NE(boxes.LastText().find("A+[bc]."), std::string::npos) << boxes.LastText();
    EXPECT_EQ(filter.Mode, TTextFilter::ModeExclude);
    EXPECT_FALSE(filter.IsRegEx);
    EXPECT_EQ(filter.GetMask(), "*.bak");

    // "off" keeps the text but the filter's mode becomes 0.
    WhileOpen(dialog, [&] {
        EXPECT_EQ(dialog.pcFilterMode->currentIndex(), 0);
        dialog.Filter->NoMaskBtn->click();
        EXPECT_FALSE(dialog.Filter->cbxFilter->isEnabled());
    });
    ASSERT_TRUE(dialog.Execute("E:\\B", copies, filter, suffix));
    EXPECT_EQ(filter.Mode, TTextFilter::ModeOff);
    EXPECT_EQ(filter.GetMask(), "*.bak");
    EXPECT_FALSE(copies);
}

TEST(RestoreFilterDialog, SuffixPageChecksAndSearches)
{
    TScriptedMessageDialogs boxes;
    TRestoreFilterDialog dialog;
    TTextFilter filter;
    bool copies = true;
    std::string suffix = "bak";
    std::string searchedIn;
    dialog.ChooseFile = [&](const std::string& start) {
        searchedIn = start;
        return std::string("/backup/report.old.doc.gz");
    };
    WhileOpen(dialog, [&] {
        EXPECT_EQ(dialog.pcFilterMode->currentIndex(), 1);
        EXPECT_EQ(dialog.cbxSuffix->Text(), "bak");
        dialog.cbxSuffix->SetText("b*k");
    });
    EXPECT_FALSE(dialog.Execute("E:\\B", copies, filter, suffix));
    EXPECT_EQ(boxes.LastText(), "Invalid filter to select backup copies!");
    EXPECT_EQ(suffix, "bak");

    WhileOpen(dialog, [&] { dialog.btnSearch->click(); });
    ASSERT_TRUE(dialog.Execute("E:\\B", copies, filter, suffix));
    EXPECT_EQ(searchedIn, "E:\\B");
    EXPECT_EQ(suffix, "old");
    EXPECT_TRUE(copies);

    // Back to the name page: kept versions are no longer chosen.
    WhileOpen(dialog, [&] { dialog.pcFilterMode->setCurrentIndex(0); });
    ASSERT_TRUE(dialog.Execute("E:\\B", copies, filter, suffix));
    EXPECT_FALSE(copies);
    EXPECT_EQ(suffix, "old");
}

} // namespace
