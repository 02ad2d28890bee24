#include "foundation/History.h"
#include "foundation/HistoryList.h"
#include "foundation/IniFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

TEST(History, AddToHistoryMovesToTopAndDropsTheOldest)
{
    std::vector<std::string> list;
    AddToHistory(list, "a", 3);
    AddToHistory(list, "b", 3);
    AddToHistory(list, "", 3);
    AddToHistory(list, "c", 3);
    AddToHistory(list, "a", 3);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "c", "b"}));
    AddToHistory(list, "d", 3);
    EXPECT_EQ(list, (std::vector<std::string>{"d", "a", "c"}));
}

TEST(History, WriteWithoutEraseDropsStaleKeys)
{
    TIniFile ini;
    WriteHistory(ini, "Dirs", "", {"a", "b", "c"}, false);
    ini.WriteString("Dirs", "Other", "kept");
    ini.WriteString("Dirs", "history17", "stale");
    WriteHistory(ini, "Dirs", "", {"x"}, false);
    EXPECT_EQ(ini.ReadSection("Dirs"), (std::vector<std::string>{"History0", "Other"}));

    std::vector<std::string> list{"old"};
    ReadHistory(ini, "Dirs", "", list);
    EXPECT_EQ(list, (std::vector<std::string>{"x"}));
    ReadHistory(ini, "Missing", "", list);
    EXPECT_EQ(list, (std::vector<std::string>{"x"}));

    WriteHistory(ini, "Mask", "M", {"1", "2", "3"}, true, 2);
    ini.WriteString("Mask", "M5", "");
    ini.WriteString("Mask", "M7", "skipped gap");
    ReadHistory(ini, "Mask", "M", list, 8);
    EXPECT_EQ(list, (std::vector<std::string>{"1", "2", "skipped gap"}));
}

TEST(History, ReadIniStringOpensTheFile)
{
    TTempFolder dir;
    dir.WriteHostFile("s.ini", "[Config]\nLang = \" de \"\n");
    EXPECT_EQ(ReadIniString(dir.Win("s.ini"), "config", "LANG"), " de ");
    EXPECT_EQ(ReadIniString(dir.Win("none.ini"), "Config", "Lang", "en"), "en");
}

TEST(HistoryList, AddRemoveAndMaxItems)
{
    THistoryList list;
    EXPECT_EQ(list.MaxItems(), 15);
    for (int i = 1; i <= 16; ++i) {
        list.AddItem("item" + std::to_string(i));
    }
    EXPECT_EQ(list.Count(), 15);
    EXPECT_EQ(list[0], "item16");
    EXPECT_EQ(list.IndexOf("item1"), -1);
    list.AddItem("item5");
    EXPECT_EQ(list[0], "item5");
    EXPECT_EQ(list.Count(), 15);
    list.SetMaxItems(0);
    list.SetMaxItems(101);
    EXPECT_EQ(list.MaxItems(), 15);
    list.SetMaxItems(5);
    EXPECT_EQ(list.Count(), 5);
    list.RemoveItem("item5");
    list.RemoveItem("absent");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], "item16");
}

TEST(HistoryList, LinkedListFollowsBehindItsFixedItems)
{
    std::vector<std::string> linked{"fixed", "old1", "old2"};
    THistoryList list;
    list.SetLinkedList(&linked, 1);
    EXPECT_EQ(linked, (std::vector<std::string>{"fixed"}));
    list.AddItem("a");
    list.AddItem("b");
    EXPECT_EQ(linked, (std::vector<std::string>{"fixed", "b", "a"}));
}

TEST(HistoryList, IniRoundTripKeepsABlankEntry)
{
    TTempFolder dir;
    const std::string file = dir.Win("h.ini");
    THistoryList list;
    list.AddItem("C:\\one");
    list.AddItem(" ");
    list.AddItem("C:\\two");
    ASSERT_TRUE(list.SaveToIni(file, "Dirs", false));
    EXPECT_EQ(list[1], " ");
    EXPECT_EQ(ReadIniString(file, "Dirs", "History1"), "?");

    list.RemoveItem("C:\\one");
    ASSERT_TRUE(list.SaveToIni(file, "Dirs", false));
    THistoryList loaded;
    loaded.LoadFromIni(file, "Dirs");
    EXPECT_EQ(loaded.Items(), (std::vector<std::string>{"C:\\two", " "}));
}

TEST(HistoryList, MenuCaptionsUseHexadecimalNumbers)
{
    EXPECT_EQ(HistoryMenuCaption(0, "x"), "&1 x");
    EXPECT_EQ(HistoryMenuCaption(9, "C:\\t.buj"), "&a C:\\t.buj");
    EXPECT_EQ(HistoryMenuCaption(15, "y"), "&10 y");
    EXPECT_EQ(HistoryIndexFromCaption("&a C:\\t.buj"), 9);
    EXPECT_EQ(HistoryIndexFromCaption("&10 y"), 15);
    EXPECT_EQ(HistoryIndexFromCaption("&0 y"), -1);
    EXPECT_EQ(HistoryIndexFromCaption("Open"), -1);
}
