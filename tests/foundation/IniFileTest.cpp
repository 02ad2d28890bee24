#include "foundation/IniFile.h"

#include "RunPython.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

TEST(IniFile, ReadsLikeAWindowsProfileFile)
{
    TIniFile ini;
    ini.SetText("; comment\r\n"
                "[Global]\r\n"
                "  Name = Daily backup  \r\n"
                "Quoted=\"  spaced  \"\r\n"
                "Single='x'\r\n"
                "Half=\"open\r\n"
                "name=second wins not\r\n"
                "Empty=\r\n"
                "Count=42\r\n"
                "Hex=$1F\r\n"
                "Hex2=0x10\r\n"
                "Bad=12abc\r\n"
                "Flag=1\r\n"
                "Word=true\r\n"
                "Float=2,5\r\n"
                "junk line\r\n"
                "[global]\r\n"
                "Name=duplicate section\r\n"
                "Other=only here\r\n"
                "[Unknown Section]\n"
                "keep=me\n");
    EXPECT_EQ(ini.ReadString("GLOBAL", "name", "?"), "Daily backup");
    EXPECT_EQ(ini.ReadString("Global", "Quoted", "?"), "  spaced  ");
    EXPECT_EQ(ini.ReadString("Global", "Single", "?"), "x");
    EXPECT_EQ(ini.ReadString("Global", "Half", "?"), "\"open");
    EXPECT_EQ(ini.ReadString("Global", "Empty", "?"), "");
    EXPECT_EQ(ini.ReadString("Global", "Other", "?"), "?"); // only the first section counts
    EXPECT_EQ(ini.ReadString("Global", "Missing", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Global", "Count", 0), 42);
    EXPECT_EQ(ini.ReadInteger("Global", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Global", "Hex2", 0), 16);
    EXPECT_EQ(ini.ReadInteger("Global", "Bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("Global", "Name", -1), -1);
    EXPECT_TRUE(ini.ReadBool("Global", "Flag", false));
    EXPECT_TRUE(ini.ReadBool("Global", "Word", false));
    EXPECT_TRUE(ini.ReadBool("Global", "Name", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Global", "Float", 0), 2.5);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Global", "Unknown Section"}));
    EXPECT_EQ(ini.ReadSection("global").front(), "Name");
    EXPECT_EQ(ini.ReadSection("global").size(), 12u); // the duplicate "name" once
    EXPECT_TRUE(ini.ValueExists("global", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("global", "junk line"));
    EXPECT_TRUE(ini.SectionExists("unknown section"));
}

TEST(IniFile, ALoneCarriageReturnEndsALineAndWhatIsReadIsWrittenBackTheSame)
{
    TIniFile ini;
    ini.SetText("[Dir000]\rFilter=*.txt\r*.doc\rMode=1\r\n\rLast=x");
    EXPECT_EQ(ini.ReadString("Dir000", "Filter", "?"), "*.txt");
    EXPECT_EQ(ini.ReadInteger("Dir000", "Mode", 0), 1);
    EXPECT_EQ(ini.ReadString("Dir000", "Last", "?"), "x");
    EXPECT_FALSE(ini.ValueExists("Dir000", "*.doc"));

    TIniFile again;
    again.SetText(ini.GetText());
    EXPECT_EQ(again.ReadString("Dir000", "Filter", "?"), "*.txt");
    EXPECT_EQ(again.GetText(), ini.GetText());
}

TEST(IniFile, WritesInPlaceAppendsInOrderAndKeepsTheRest)
{
    TIniFile ini;
    ini.SetText("; head\n[A]\nx=1\nX=dup\n\n[B]\ny=2\n");
    ini.WriteString("a", "X", "10");
    ini.WriteString("A", "new", "n");
    ini.WriteInteger("C", "n", -5);
    ini.WriteBool("C", "b", true);
    ini.WriteFloat("C", "f", 0.1);
    ini.WriteString("C", "lines", "one\ntwo");
    EXPECT_EQ(ini.GetText(), "; head\n[A]\nx=10\nX=dup\nnew=n\n\n[B]\ny=2\n\n[C]\nn=-5\nb=1\nf=0.1\nlines=one two\n");
    ini.DeleteKey("A", "x");
    EXPECT_EQ(ini.ReadString("A", "x"), "dup");
    ini.EraseSection("b");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "C"}));
    ini.Clear();
    EXPECT_EQ(ini.GetText(), "");
}

TEST(IniFile, SavesAtomicallyAndReadsCp1252Files)
{
    TTempFolder tmp;
    {
        TIniFile ini(tmp.Win("t.ini"));
        EXPECT_EQ(ini.LoadError(), 0);
        ini.WriteString("Sec", "Umlaut", "Grüße");
        EXPECT_EQ(ini.UpdateFile(), 0);
        EXPECT_FALSE(ini.Modified());
    }
    EXPECT_EQ(tmp.ReadHostFile("t.ini"), "[Sec]\nUmlaut=Grüße\n");
    {
        TIniFile ini(tmp.Win("t.ini"));
        ini.WriteString("Sec", "Later", "saved by the destructor");
    }
    EXPECT_EQ(TIniFile(tmp.Win("t.ini")).ReadString("Sec", "Later"), "saved by the destructor");

    tmp.WriteHostFile("w.ini", "[S]\r\nK=Gr\xFC\xDF"
                               "e \x80\r\n");
    EXPECT_EQ(TIniFile(tmp.Win("w.ini")).ReadString("s", "k"), "Grüße €");
    EXPECT_EQ(TIniFile(tmp.Win("missing\\x.ini")).LoadError(), 0);
    TIniFile cannotSave(tmp.Win("missing\\x.ini"));
    cannotSave.WriteString("a", "b", "c");
    EXPECT_EQ(cannotSave.UpdateFile(), 3);
}

TEST(IniFile, PythonConfigparserReadsWhatWeWriteAndBack)
{
    TTempFolder tmp;
    {
        TIniFile ini(tmp.Win("ours.ini"));
        ini.WriteString("Global", "Name", "Täglich");
        ini.WriteInteger("Global", "Count", 3);
        ini.WriteString("Dir001", "Path", "C:\\Data\\Docs");
        ini.WriteString("Dir001", "Mask", "*.doc|*.txt");
        ASSERT_EQ(ini.UpdateFile(), 0);
    }
    const std::string readBack = ConfigparserLines(tmp.Host("ours.ini"));
    EXPECT_EQ(readBack, "Global|Name|Täglich\nGlobal|Count|3\nDir001|Path|C:\\Data\\Docs\nDir001|Mask|*.doc|*.txt\n");

    RunPython(R"(
import configparser, sys
c = configparser.RawConfigParser()
c.optionxform = str
c['Config'] = {'LangID': '1031', 'Title': 'Sicherung Ä', 'Empty': ''}
c['Other'] = {'x': 'y = z'}
with open(sys.argv[1], 'w', encoding='utf-8', newline='\r\n') as f:
    c.write(f)
)",
              tmp.Host("theirs.ini"));
    TIniFile theirs(tmp.Win("theirs.ini"));
    EXPECT_EQ(theirs.ReadInteger("config", "langid", 0), 1031);
    EXPECT_EQ(theirs.ReadString("Config", "Title"), "Sicherung Ä");
    EXPECT_TRUE(theirs.ValueExists("Config", "Empty"));
    EXPECT_EQ(theirs.ReadString("Other", "x"), "y = z");
}
