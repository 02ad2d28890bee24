#include "EnvGuard.h"
#include "TempFolder.h"
#include "foundation/DialogChecks.h"
#include "foundation/FolderChooser.h"
#include "foundation/IniFile.h"
#include "foundation/NumberEditText.h"
#include "foundation/NumberText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

#include <filesystem>
#include <gtest/gtest.h>

// The number text of the number edits, the close checks of the small dialogs and the
// folder chooser's decisions.

TEST(NumberEditText, WritesDigitsFromTheBitWidth)
{
    TNumberFormat hex16{TNumMode::nmHex, 16, 0, true, false};
    EXPECT_EQ(NumberToEditText(255, hex16), "$00FF");
    // ln(2^16)/ln(16) + 0.5 is exactly 4.5: half to even gives 4, as does 8.5 for 32 bits.
    EXPECT_EQ(NumberDigits(hex16), 4);
    EXPECT_EQ(NumberDigits({TNumMode::nmHex, 32}), 8);
    EXPECT_EQ(NumberDigits({TNumMode::nmDecimal, 32}), 10);
    EXPECT_EQ(NumberDigits({TNumMode::nmBin, 16}), 16);
    EXPECT_EQ(NumberDigits({TNumMode::nmOctal, 99}), 22); // Bits limited to 63
    EXPECT_EQ(NumberToEditText(-42, {TNumMode::nmDecimal, 8, 5}), "-00042");
}

TEST(NumberEditText, ByteGroupsRoundTripHighestFirst)
{
    for (TNumMode mode : {TNumMode::nmDecimal, TNumMode::nmHex, TNumMode::nmOctal, TNumMode::nmBin}) {
        TNumberFormat format{mode, 32, 0, true, true};
        for (std::int64_t value : {0LL, 258LL, 0x12345678LL, 0xFFFFFFFFLL}) {
            const std::string text = NumberToEditText(value, format);
            EXPECT_EQ(NumberFromEditText(text, TNumMode::nmDecimal), value) << text;
        }
    }
    EXPECT_EQ(NumberToEditText(0x0102, {TNumMode::nmHex, 16, 0, false, true}), "01_02");
    EXPECT_EQ(NumberToEditText(258, {TNumMode::nmDecimal, 16, 0, false, true}), "001_002");
    EXPECT_EQ(NumberFromEditText("$1_2", TNumMode::nmDecimal), 258);
    EXPECT_EQ(NumberFromEditText("", TNumMode::nmHex), 0);
    EXPECT_EQ(NumberFromEditText("ff", TNumMode::nmHex), 255);
    EXPECT_EQ(NumberFromEditText("-!101", TNumMode::nmDecimal), -5);
}

TEST(NumberEditText, BadDigitsAndOverflowRaise)
{
    EXPECT_THROW(NumberFromEditText("12a", TNumMode::nmDecimal), EConvertError);
    EXPECT_THROW(NumberFromEditText("%8", TNumMode::nmDecimal), EConvertError);
    EXPECT_THROW(NumberFromEditText("$1_FFFFFFFFFFFFFFFF", TNumMode::nmDecimal), EConvertError);
    EXPECT_THROW(NumberFromEditText("99999999999999999999", TNumMode::nmDecimal), EConvertError);
}

TEST(NumberEditText, RangeTextsInTheDisplayBase)
{
    EXPECT_EQ(ClampToRange(70000, 1, 65535), 65535);
    EXPECT_EQ(ClampToRange(0, 1, 65535), 1);
    EXPECT_EQ(ClampToRange(-5, 7, 7), -5); // equal bounds: no range
    EXPECT_EQ(RangeErrorText(1, 65535, TNumMode::nmDecimal), "Fehler:\rzulässiger Bereich: (1 .. 65535)");
    EXPECT_EQ(RangeText(1, 255, TNumMode::nmHex), "$1 , $FF");
    EXPECT_EQ(RangeText(1, 8, TNumMode::nmOctal), "%1 , %10");
    EXPECT_EQ(RangeText(1, 3, TNumMode::nmBin), "!1 , !11");
    EXPECT_EQ(UpDownText(255, true, 4), "$00FF");
    int value = 0;
    EXPECT_TRUE(UpDownValue("$00FF", true, value));
    EXPECT_EQ(value, 255);
    EXPECT_FALSE(UpDownValue("12x", false, value));
}

TEST(NumberEditText, EngineeringText)
{
    EXPECT_EQ(FloatToEngText(1500, 2, '.'), "1.5E3");
    EXPECT_EQ(FloatToEngText(0.00012, 2, ','), "0,12E-3");
    EXPECT_EQ(FloatToEngText(-1500, 2, '.'), "-1.5E3");
    EXPECT_EQ(FloatToEngText(1, 3, '.'), "1.00");
    EXPECT_EQ(FloatToEngText(123, 2, '.'), "120");     // more integer digits than asked
    EXPECT_EQ(FloatToEngText(4.7e6, 0, '.'), "4.7E6"); // below 1: two digits
    EXPECT_EQ(FloatToEngText(9.9999, 2, '.'), "10.0"); // rounding carries into a new digit
    EXPECT_EQ(FloatToEngText(0, 2, '.'), "0.00");
    EXPECT_EQ(FloatToEngText(2.5e-9, 2, '.'), "2.5E-9");
}

TEST(NumberEditText, FloatFormats)
{
    EXPECT_EQ(FloatToEditText(1234.5, TNumFloatFormat::ffFixed, 10, 2, ','), "1234,50");
    EXPECT_EQ(FloatToEditText(1234567.5, TNumFloatFormat::ffNumber, 10, 1, '.'), "1 234 567.5");
    EXPECT_EQ(FloatToEditText(-1234.5, TNumFloatFormat::ffNumber, 10, 0, '.'), "-1 234"); // half to even
    EXPECT_EQ(FloatToEditText(1234.5, TNumFloatFormat::ffExponent, 3, 3, '.'), "1.23E+003");
    EXPECT_EQ(FloatToEditText(0.5, TNumFloatFormat::ffGeneral, 10, 2, ','), "0,5");
    EXPECT_EQ(FloatToEditText(1500, TNumFloatFormat::ffNormalized, 2, 2, '.'), "1.5E3");
    double value = 0;
    EXPECT_TRUE(FloatFromEditText(" 1,25 ", ',', value));
    EXPECT_DOUBLE_EQ(value, 1.25);
    EXPECT_FALSE(FloatFromEditText("1,2x", ',', value));
    EXPECT_FALSE(FloatFromEditText("", ',', value));
}

TEST(DialogChecks, NumberInputAndPasswords)
{
    int value = 7;
    EXPECT_EQ(CheckNumberInput("0", false, 4, 1, 65535, value), "Error: Out of Range (1 .. 65535)");
    EXPECT_EQ(CheckNumberInput("$0", true, 4, 1, 65535, value), "Error: Out of Range ($0001 .. $FFFF)");
    EXPECT_EQ(CheckNumberInput("abc", false, 4, 1, 65535, value), "Error: Invalid input");
    EXPECT_EQ(value, 7);
    EXPECT_EQ(CheckNumberInput("80", false, 4, 1, 65535, value), "");
    EXPECT_EQ(value, 80);

    EXPECT_EQ(CheckNewPassword("abcde", "abcde", true, 6), "Minimum length of password is 6 character");
    EXPECT_EQ(CheckNewPassword("abcdef", "abcdeg", true, 6), "Passwords do not match!");
    EXPECT_EQ(CheckNewPassword("äöüßéè", "äöüßéè", true, 6), ""); // characters, not bytes
    EXPECT_EQ(CheckNewPassword("x", "", false, 6), "");

    const std::string longer(130, 'a');
    EXPECT_EQ(LimitPassword(longer).size(), MaxPasswordBytes);
    const std::string umlauts = std::string(127, 'a') + "ä"; // 129 bytes, the last character split at 128
    EXPECT_EQ(LimitPassword(umlauts), std::string(127, 'a'));
}

TEST(DialogChecks, CharacterTableAndMargins)
{
    EXPECT_EQ(CharTableCode(5, 2), 65);
    EXPECT_EQ(CharTableCode(1, 1), 0);
    EXPECT_EQ(CharTableCode(16, 16), 255);
    EXPECT_EQ(CharTableCode(0, 3), 0);
    EXPECT_EQ(MarginFromCm(1.25), 125);
    EXPECT_EQ(MarginFromCm(2.005), 200); // 200.49999...
    EXPECT_DOUBLE_EQ(MarginToCm(150), 1.5);
}

TEST(DialogChecks, ListEditingKeepsTheSelectionSensible)
{
    TListEditRules rules;
    rules.Items = {"a", "b", "c"};
    EXPECT_FALSE(rules.Remove()); // nothing selected: nothing happens
    EXPECT_FALSE(rules.Change("x"));
    EXPECT_FALSE(rules.MoveUp());
    rules.Selected = 0;
    EXPECT_FALSE(rules.MoveUp()); // first item stays
    rules.Selected = 2;
    EXPECT_FALSE(rules.MoveDown()); // last item stays
    EXPECT_TRUE(rules.MoveUp());
    EXPECT_EQ(rules.Items, (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_EQ(rules.Selected, 1);
    rules.Selected = 2;
    EXPECT_TRUE(rules.Remove()); // removing the last selects the new last
    EXPECT_EQ(rules.Selected, 1);
    rules.Selected = 0;
    EXPECT_TRUE(rules.Remove()); // else the next one
    EXPECT_EQ(rules.Items, std::vector<std::string>{"c"});
    EXPECT_EQ(rules.Selected, 0);
    EXPECT_TRUE(rules.Remove());
    EXPECT_EQ(rules.Selected, -1);
    rules.Insert("n");
    EXPECT_EQ(rules.Selected, 0);

    const std::vector<std::string> items{"one=1", "two=2", "three=3"};
    EXPECT_EQ(SelectionText(items, {}, false, '='), "");
    EXPECT_EQ(SelectionText(items, {1}, false, '='), "two");
    EXPECT_EQ(SelectionText(items, {0, 2}, true, 0), "one=1|three=3");
    EXPECT_EQ(SelectedIndexes(items, "two=2|one=1", true), (std::vector<int>{0, 1}));
    EXPECT_EQ(SelectedIndexes(items, "", false), std::vector<int>{});
}

TEST(FolderChooser, StartFolderAndRoot)
{
    TTempFolder dir;
    EXPECT_EQ(ChooseStartFolder("", "", "C:\\docs", "C:\\cur").Folder, "C:\\docs");
    EXPECT_EQ(ChooseStartFolder("", "", "C:\\docs", "C:\\cur").Root, TShellRoot::Documents);
    EXPECT_EQ(ChooseStartFolder("", "", "", "C:\\cur").Root, TShellRoot::Computer);
    const TFolderStart start = ChooseStartFolder("", dir.Win(), "C:\\docs", "C:\\cur");
    EXPECT_EQ(start.Folder, dir.Win());
    EXPECT_EQ(start.Root, TShellRoot::Computer);
    EXPECT_EQ(ChooseStartFolder(dir.Win("missing"), "", "C:\\docs", "").Folder, "C:\\docs");

    TEnvGuard env;
    std::filesystem::create_directories(dir.Host("nas/data"));
    env.Set("TESSARO_DRIVES", "\\\\nas\\data=" + dir.Host("nas/data") + ",remote");
    Platform::ReloadDriveTable();
    EXPECT_EQ(ChooseStartFolder("\\\\nas\\data", "", "C:\\docs", "").Root, TShellRoot::Network);
    EXPECT_EQ(RootFolders(TShellRoot::Network), std::vector<std::string>{"\\\\nas\\data"});
    env.Unset("TESSARO_DRIVES");
    Platform::ReloadDriveTable();
}

TEST(FolderChooser, HistoryKeepsTheNewestFifteen)
{
    TFolderHistory history;
    for (int i = 0; i < 20; ++i) {
        history.Add("C:\\f" + std::to_string(i));
    }
    ASSERT_EQ(history.Items().size(), 15u);
    EXPECT_EQ(history.Items().front(), "C:\\f19");
    history.Add("C:\\f10"); // chosen again: to the top, not twice
    EXPECT_EQ(history.Items().front(), "C:\\f10");
    EXPECT_EQ(history.Items().size(), 15u);

    TIniFile ini;
    std::vector<std::string> twenty;
    for (int i = 0; i < 20; ++i) {
        ini.WriteString("Dirs", "History" + std::to_string(i), i == 3 ? "" : "C:\\g" + std::to_string(i));
    }
    history.Read(ini, "Dirs");
    ASSERT_EQ(history.Items().size(), 14u); // History0..14 only, the empty one skipped
    EXPECT_EQ(history.Items()[3], "C:\\g4");

    TIniFile written;
    history.Write(written, "Dirs");
    TFolderHistory back;
    back.Read(written, "Dirs");
    EXPECT_EQ(back.Items(), history.Items());
}

TEST(FolderChooser, CreatesOnlyUsableNamesAndDeletesWithoutFollowingLinks)
{
    TTempFolder dir;
    std::string path;
    for (const char* bad : {"", "  ", ".", "..", "a:b", "x\\y", "x/y"}) {
        EXPECT_EQ(CreateSubfolder(dir.Win(), bad, path), TNewFolderResult::Refused) << bad;
    }
    EXPECT_EQ(CreateSubfolder(dir.Win(), "new one", path), TNewFolderResult::Created);
    EXPECT_EQ(path, dir.Win("new one"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Host("new one")));

    std::filesystem::create_directories(dir.Host("keep"));
    dir.WriteHostFile("keep/precious.txt", "data");
    std::filesystem::create_directories(dir.Host("gone/sub"));
    dir.WriteHostFile("gone/sub/file.txt", "x");
    std::filesystem::create_directory_symlink(dir.Host("keep"), dir.Host("gone/link"));
    EXPECT_TRUE(DeleteFolderWithContents(dir.Win("gone")));
    EXPECT_FALSE(std::filesystem::exists(dir.Host("gone")));
    EXPECT_TRUE(std::filesystem::exists(dir.Host("keep/precious.txt")));

    EXPECT_EQ(HomeButtonAction("C:\\", true, TShellRoot::Computer), THomeAction::RootAtFolder);
    EXPECT_EQ(HomeButtonAction("C:\\data", true, TShellRoot::Network), THomeAction::RootAtFolder);
    EXPECT_EQ(HomeButtonAction("C:\\data", true, TShellRoot::Computer), THomeAction::SelectFolder);
    EXPECT_EQ(HomeButtonAction("C:\\data", false, TShellRoot::Computer), THomeAction::FolderNotFound);
    EXPECT_EQ(ParentFolder("C:\\a\\b"), "C:\\a");
    EXPECT_EQ(ParentFolder("C:\\a"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\"), "");
}
