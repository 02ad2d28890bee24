#include "foundation/History.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/HistoryMenu.h"

#include "TempFolder.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

TEST(HistoryMenu, EntriesFollowTheFixedItemsAndSelect)
{
    QMenu menu;
    menu.addAction("Open");
    QMenu second;
    THistoryMenu history;
    history.SetMenu(&menu);
    history.SetSecondMenu(&second);
    std::string chosen;
    history.OnSelect = [&](THistoryList&, const std::string& item) { chosen = item; };
    for (int i = 1; i <= 10; ++i) {
        history.AddItem("file" + std::to_string(i));
    }
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 12); // Open, separator, ten entries
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), "&1 file10");
    EXPECT_EQ(actions[11]->text(), "&a file1");
    ASSERT_EQ(second.actions().size(), 12);

    actions[11]->trigger();
    EXPECT_EQ(chosen, "file1");
    second.actions()[2]->trigger();
    EXPECT_EQ(chosen, "file10");

    history.RemoveItem("file10");
    EXPECT_EQ(menu.actions().size(), 11);
    EXPECT_EQ(menu.actions()[2]->text(), "&1 file9");
}

TEST(HistoryMenu, RadioItemsRememberTheCheckedEntry)
{
    QMenu menu;
    THistoryMenu history;
    history.RadioItems = true;
    history.SetMenu(&menu);
    history.OnSelect = [](THistoryList&, const std::string&) {};
    history.AddItem("a");
    history.AddItem("b");
    menu.actions()[1]->trigger(); // "&2 a"
    history.AddItem("c");
    EXPECT_EQ(history.CurrentItem, "a");
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_TRUE(actions[2]->isChecked());
    EXPECT_FALSE(actions[0]->isChecked());
}

TEST(HistoryCombo, LoadsAddsOnLeavingAndSavesWhenDestroyed)
{
    TTempFolder dir;
    const std::string file = dir.Win("s.ini");
    {
        THistoryCombo combo;
        combo.LoadHistory(file, "Folders");
        combo.SetText("C:\\data");
        combo.AddItem(combo.Text());
        combo.AddItem("C:\\older");
        EXPECT_EQ(combo.count(), 2);
        EXPECT_EQ(combo.itemText(0), "C:\\older");
        EXPECT_EQ(combo.Text(), "C:\\data");
    }
    EXPECT_EQ(ReadIniString(file, "Folders", "History0"), "C:\\older");
    THistoryCombo combo;
    combo.IniFileName = file;
    combo.IniSection = "Folders";
    combo.Loaded();
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(1), "C:\\data");
}

TEST(HistoryCombo, WithoutIniPlaceNothingIsWritten)
{
    TTempFolder dir;
    {
        THistoryCombo combo;
        combo.IniFileName = dir.Win("s.ini");
        combo.Loaded();
        combo.AddItem("x");
    }
    EXPECT_EQ(ReadIniString(dir.Win("s.ini"), "", "History0", "none"), "none");
    EXPECT_TRUE(dir.ReadHostFile("s.ini").empty());
}
