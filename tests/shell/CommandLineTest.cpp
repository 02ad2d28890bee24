#include "shell/CommandLine.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

TStartSwitches Parse(const std::vector<std::string>& params)
{
    TStartSwitches switches;
    ParseCommandLine(params, switches);
    return switches;
}

} // namespace

TEST(CommandLine, OptionOrTaskFileByTheLinuxRule)
{
    struct Case
    {
        const char* param;
        bool option;
    };
    const Case cases[] = {
        {"-force", true},      {"-", true},      {"/force", true},     {"/f", true},
        {"/e:poweroff", true}, {"/l:de", true},  {"/AUTO", true},      {"/home/anna/daily.buj", false},
        {"/tmp", false},       {"/", false},     {"/:x", false},       {"/w/x.buj", false},
        {"/wait:/x", true},    {"daily", false}, {"@list.txt", false}, {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsOptionParameter(c.param), c.option) << c.param;
    }
}

TEST(CommandLine, AbsoluteHostPathsBecomeWindowsText)
{
    const TStartSwitches s = Parse({"/home/anna/daily.buj", "weekly", "-force"});
    EXPECT_EQ(s.TaskList, "C:\\home\\anna\\daily.buj,weekly");
    EXPECT_EQ(s.Mode, TStartMode::Force);
    EXPECT_EQ(CommandLinePathToWin("%perspath%\\x.buj"), "%perspath%\\x.buj");
    EXPECT_EQ(Parse({"-ini:/etc/tessaro/site.ini"}).IniFile, "C:\\etc\\tessaro\\site.ini");
}

TEST(CommandLine, OptionsAndTheirValues)
{
    struct Case
    {
        std::vector<std::string> params;
        std::function<void(const TStartSwitches&)> check;
    };
    const std::vector<Case> cases = {
        {{"/s:f"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Speed, 4); }},
        {{"/speed:slow"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Speed, 1); }},
        {{"/sp:x"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Speed, 3); }},
        {{"/speed"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Speed, 3); }},
        {{"/l:de", "/lo:2"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Log, 2); }},
        {{"/l:de"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Log, -1); }},
        {{"/auto", "/force"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Mode, TStartMode::Force); }},
        {{"/force", "/auto"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Mode, TStartMode::Auto); }},
        {{"/auto:x"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Mode, TStartMode::None); }},
        {{"/wait:abc"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Wait, 5); }},
        {{"/wait:-1"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Wait, -1); }},
        {{"/wait: 12 x"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Wait, 12); }},
        {{"/log:abc"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Log, 0); }},
        {{"/wait:4294967297"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Wait, 1); }},
        {{"/user:anna:se:cret"},
         [](const TStartSwitches& s) {
             EXPECT_EQ(s.AccountName, "anna");
             EXPECT_EQ(s.AccountPassword, "se:cret");
         }},
        {{"/user:anna"}, [](const TStartSwitches& s) { EXPECT_EQ(s.AccountName, ""); }},
        {{"/end:r"}, [](const TStartSwitches& s) { EXPECT_EQ(s.EndAction, EndActionRestart); }},
        {{"/end:x"}, [](const TStartSwitches& s) { EXPECT_EQ(s.EndAction, EndActionNone); }},
        {{"/end:s"}, [](const TStartSwitches& s) { EXPECT_EQ(s.EndAction, EndActionShutdown); }},
        {{"-e:p"}, [](const TStartSwitches& s) { EXPECT_EQ(s.EndAction, EndActionPowerOff); }},
        {{"-"}, [](const TStartSwitches& s) { EXPECT_TRUE(s.Narrow); }},
        {{"-q", "-h", "-d"},
         [](const TStartSwitches& s) {
             EXPECT_TRUE(s.Quiet);
             EXPECT_TRUE(s.Hide);
             EXPECT_TRUE(s.Disable);
             EXPECT_FALSE(s.Narrow);
         }},
        {{"/t:%perspath%\\Tasks"}, [](const TStartSwitches& s) { EXPECT_EQ(s.TaskDir, "%perspath%\\Tasks"); }},
        {{"-unknown:1", "-zzz"}, [](const TStartSwitches& s) { EXPECT_EQ(s.Mode, TStartMode::None); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.params.front());
        c.check(Parse(c.params));
    }
}

TEST(CommandLine, ResponseFilesGiveTheSameAsParameters)
{
    TTempFolder folder;
    folder.WriteHostFile("list.txt", "a\r\n; a comment\n\n  b ; after\n-force\n/home/anna/c.buj\n");
    const TStartSwitches s = Parse({"@" + folder.Host("list.txt")});
    EXPECT_EQ(s.TaskList, "a,b,C:\\home\\anna\\c.buj");
    EXPECT_EQ(s.Mode, TStartMode::Force);
    EXPECT_EQ(Parse({"a", "b"}).TaskList, "a,b");
    EXPECT_EQ(Parse({"@" + folder.Host("missing.txt")}).TaskList, "");
    EXPECT_EQ(ScanStartFlags({"@" + folder.Host("list.txt")}), StartFlagBatch);
}

TEST(CommandLine, StartFlags)
{
    struct Case
    {
        std::vector<std::string> params;
        uint8_t flags;
    };
    const std::vector<Case> cases = {
        {{}, 0},
        {{"/home/anna/task.buj"}, 0},
        {{"/force"}, StartFlagBatch},
        {{"-r"}, StartFlagBatch},
        {{"/p", "/auto"}, StartFlagBatch | StartFlagAuto},
        {{"/ini:x.ini"}, StartFlagOwnIni},
        {{"/ini"}, 0},
        {{"/end:poweroff"}, StartFlagEnd},
        {{"/end"}, 0},
        {{"/f", "/e:s", "/i:x"}, StartFlagBatch | StartFlagEnd | StartFlagOwnIni},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanStartFlags(c.params), c.flags) << (c.params.empty() ? "" : c.params.front());
    }
    uint8_t flags = 0;
    ClassifyOption("", flags); // an empty name abbreviates every keyword
    EXPECT_EQ(flags, StartFlagBatch | StartFlagAuto);
}

TEST(CommandLine, FirstTaskParam)
{
    EXPECT_EQ(FirstTaskParam({"/auto", "-q", "/home/anna/a.buj", "b"}), "C:\\home\\anna\\a.buj");
    EXPECT_EQ(FirstTaskParam({"@list.txt", "b"}), "b");
    EXPECT_EQ(FirstTaskParam({"/force", "-e:p"}), "");
}
