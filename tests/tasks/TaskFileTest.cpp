#include "tasks/TaskFile.h"

#include "TaskTestFiles.h"
#include "foundation/MessageDialogs.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/IniValues.h"

#include "RunPython.h"

#include <gtest/gtest.h>

namespace {

TTaskFileEnv TestEnv()
{
    TTaskFileEnv env;
    env.ProgramText = "Tessaro";
    env.FileVersion = "0.1.0";
    env.BackupSuffix = "bak";
    env.NoCompress = {"zip", "jpg"};
    env.CmdLineUser = "";
    env.DefaultDate = DefaultDateFilter(40000);
    return env;
}

double Date(const char* text)
{
    double date = 0;
    EXPECT_TRUE(ParseTaskDate(text, date)) << text;
    return date;
}

// A task that sets every key to a value other than its default.
TBackupTask FullTask(const TTaskTestDir& dir)
{
    TBackupTask task;
    task.FtpBackup = true;
    task.Destination = "E:\\Backup\\%date%";
    task.DestMode = DestZipPerDirectory;
    task.ZipName = "TSU%date%";
    task.Ftp = {"ftp.example.org",
                "anna",
                "ftp pw",
                "/backup/%year%",
                2100,
                true,
                NameCaseLower,
                {"proxy.example.org", "puser", "proxy pw", 8021, 3}};
    task.Note = "say \"hi\" twice";
    task.DeleteFile = true;
    task.Verify = true;
    task.Compress = false;
    task.NoCompTypes = {"my type", "zip", "7 z"};
    task.Encrypt = true;
    task.FixPassword = true;
    task.Password = "secret password";
    task.Timespan = 5;
    task.IgnoreDst = true;
    task.SyncMode = SyncSelections;
    task.EmptyDirs = false;
    task.NoBaks = true;
    task.BakFiles = true;
    task.BakSuffix = "%bdate%";
    task.ShellCopy = true;
    task.CreationTime = true;
    task.PreCommand = "\"C:\\Prog Files\\x.exe\" arg";
    task.PostCommand = "post.cmd";
    task.PreWait = CommandEnabledBit | 30;
    task.PostWait = 12;
    task.SetBackupMethod(MethodIncremental);
    task.LastBackup = "04.12.2003 10:00";
    task.SendMail = true;
    task.Mail = {"smtp.example.org",
                 "mailer",
                 "mail pw",
                 "Anna <anna@example.org>",
                 "reply@example.org",
                 "a@example.org,\"B Person\" <b@example.org>",
                 587,
                 true,
                 false};
    task.NetUser = "netuser";
    task.NetPassword = "net pw";
    task.DirMasks = {"temp*", "#^cache$", "!*.tmp|*.bak"};

    MakeDir(dir, "src/sub1");
    MakeDir(dir, "src/sub 2");
    MakeDir(dir, "other");
    TExtensionList first(TestEnv().DefaultDate);
    first.SourceDir = dir.Win("src");
    first.ExpandedDir = first.SourceDir;
    first.Mode = TypeModeInclude;
    first.IncludeList.SetTypes({"DOC", "TXT", "<ohne>"});
    first.ExcludeList.SetTypes({"TMP"});
    first.NameFilter.IsRegEx = true;
    first.NameFilter.Mode = 2;
    first.NameFilter.SetMask("^~");
    first.ExtFilter.Mode = 1;
    first.ExtFilter.SetMask("d*|t?t");
    first.DateFilter = {TimeModeBetween, 7, 0.5, Date("2003-01-02"), Date("2003-12-31")};
    first.SizeMode = SizeModeBetween;
    first.MinSize = 10;
    first.MaxSize = 5'000'000'000;
    first.AttrArchive = AttrRequired;
    first.AttrHidden = AttrExcluded;
    first.FileCount = 12;
    first.ByteCount = 3'000'000'000;
    first.SyncCount = 4;
    first.DirFilters = {"temp*"};
    first.SubDirs.Add(dir.Win("src/sub1") + "\\");
    first.SubDirs.Add(dir.Win("src/sub 2") + "\\");
    first.SubDirs.Add(dir.Win("other") + "\\");
    first.SectionIndex = 0;

    TExtensionList second(TestEnv().DefaultDate);
    second.SourceDir = "C:\\Data\\Mail";
    second.ExpandedDir = second.SourceDir;
    second.DateFilter.TimeMode = TimeModeLastDays;
    second.DateFilter.Days = 10;
    second.DateFilter.DayTime = 0.75;
    second.FileCount = 0;
    second.ByteCount = 0;
    second.SectionIndex = 1;
    task.Sources = {first, second};
    return task;
}

TBackupTask ReadBack(const std::string& file, bool rescan = false)
{
    TBackupTask task;
    EXPECT_TRUE(ReadTaskFile(task, file, true, rescan, TestEnv()));
    return task;
}

void WriteIni(const TTaskTestDir& dir, const std::string& name, const std::string& body)
{
    dir.WriteHostFile(name, "[Global]\r\nVersion=0.1.0\r\n" + body);
}

} // namespace

TEST(TaskFile, WrittenTaskReadsBackEqual)
{
    TTaskTestDir dir;
    TBackupTask task = FullTask(dir);
    const std::string file = dir.Win("full.buj");
    ASSERT_TRUE(WriteTaskFile(task, file, -1, -1, TestEnv()));
    EXPECT_EQ(task.FileName, file);
    const TBackupTask back = ReadBack(file);
    EXPECT_TRUE(back == task);
    EXPECT_EQ(back.Sources.at(0).SubDirs, task.Sources.at(0).SubDirs);
    EXPECT_EQ(back.Sources.at(1).SectionIndex, 1);
    EXPECT_FALSE(back.Sources.at(0).NeedsScan);
    EXPECT_EQ(back.FileName, file);
    EXPECT_FALSE(back.Modified);
}

TEST(TaskFile, GoldenLayoutKeyByKey)
{
    TTaskTestDir dir;
    TBackupTask task = FullTask(dir);
    task.Sources.resize(1);
    task.Ftp.Proxy.Password.clear();
    const std::string file = dir.Win("golden.buj");
    ASSERT_TRUE(WriteTaskFile(task, file, -1, -1, TestEnv()));
    const std::string src = dir.Win("src");
    const TIniLayout expected = {
        {"Global",
         {{"Program", "Tessaro"},
          {"Version", "0.1.0"},
          {"FtpBackup", "1"},
          {"Destination", "E:\\Backup\\%date%"},
          {"Note", "say #hi# twice"},
          {"SendMail", "1"},
          {"DeleteFile", "1"},
          {"Verify", "1"},
          {"Compress", "0"},
          {"NoCompTypes", "\"\"my type\",zip,\"7 z\"\""},
          {"Encrypt", "1"},
          {"FixPassword", "1"},
          {"Password", "*"},
          {"Timespan", "5"},
          {"IgnoreDst", "1"},
          {"DestMode", "5"},
          {"ZipName", "TSU%date%"},
          {"SyncMode", "2"},
          {"EmptyDirs", "0"},
          {"NoBaks", "1"},
          {"BakFiles", "1"},
          {"BakSuffix", "%bdate%"},
          {"ShellCopy", "1"},
          {"CreationTime", "1"},
          {"PreCommand", "#C:\\Prog Files\\x.exe# arg"},
          {"PostCommand", "post.cmd"},
          {"PreWait", "8222"},
          {"PostWait", "12"},
          {"ClearDest", "1"},
          {"ArchBit", "1"},
          {"UseArch", "1"},
          {"LastBackup", "04.12.2003 10:00"},
          {"DirCount", "1"}}},
        {"Ftp",
         {{"Host", "ftp.example.org"},
          {"Port", "2100"},
          {"Username", "anna"},
          {"Password", "*"},
          {"SubDir", "/backup/%year%"},
          {"Passive", "1"},
          {"ChangeNames", "1"}}},
        {"Proxy",
         {{"Server", "proxy.example.org"},
          {"Port", "8021"},
          {"Username", "puser"},
          {"Password", ""},
          {"ProxyType", "3"}}},
        {"Mail",
         {{"SMTP", "smtp.example.org"},
          {"Port", "587"},
          {"Username", "mailer"},
          {"Password", "*"},
          {"Sender", "Anna <anna@example.org>"},
          {"ReplyTo", "reply@example.org"},
          {"Recipients", "a@example.org,\"B Person\" <b@example.org>"},
          {"SendLog", "1"},
          {"AsZip", "0"}}},
        {"User", {{"Username", "netuser"}, {"Password", "*"}}},
        {"DirFilter", {{"Count", "3"}, {"Mask000", "temp*"}, {"Mask001", "#^cache$"}, {"Mask002", "|!*.tmp|*.bak"}}},
        {"Dir000",
         {{"Source", src},
          {"Regular", "1"},
          {"FilterMode", "2"},
          {"Filter", "^~"},
          {"ExtRegular", "0"},
          {"ExtFilterMode", "1"},
          {"ExtFilter", "d*|t?t"},
          {"TimeMode", "3"},
          {"Days", "7"},
          {"DayTime", "12:00:00"},
          {"DateFrom", "2003-01-02"},
          {"DateTo", "2003-12-31"},
          {"SizeMode", "3"},
          {"MinSize", "10"},
          {"MaxSize", "5000000000"},
          {"Attributes", "33"},
          {"BackupMode", "0"},
          {"FileCount", "12"},
          {"ByteCountH", "0"},
          {"ByteCountL", "-1294967296"},
          {"SyncCount", "4"},
          {"Include", "DOC,TXT,<ohne>"},
          {"Exclude", "TMP"},
          {"DirFilter", "temp*"},
          {"SubDir000", dir.Win("other") + "\\"},
          {"SubDir001", "sub 2\\"},
          {"SubDir002", "sub1\\"},
          {"SubCount", "3"}}},
    };
    TIniLayout written = ParseIniLayout(dir.ReadHostFile("golden.buj"));
    for (auto& [section, keys] : written) {
        for (auto& [key, value] : keys) {
            if (key == "Password" && !value.empty()) {
                EXPECT_EQ(value.find_first_of(" \r\n"), std::string::npos);
                value = "*";
            }
        }
    }
    EXPECT_EQ(written, expected);
}

TEST(TaskFile, DestinationGoesOnTopOfTheHistory)
{
    TTaskTestDir dir;
    std::vector<std::string> history{"F:\\Old", "E:\\Backup\\%date%"};
    TTaskFileEnv env = TestEnv();
    env.DestinationHistory = &history;
    TBackupTask task = FullTask(dir);
    ASSERT_TRUE(WriteTaskFile(task, dir.Win("t.buj"), -1, -1, env));
    EXPECT_EQ(history, (std::vector<std::string>{"E:\\Backup\\%date%", "F:\\Old"}));
    history = {"F:\\Old"};
    TBackupTask back;
    ASSERT_TRUE(ReadTaskFile(back, dir.Win("t.buj"), true, false, env));
    EXPECT_EQ(history.front(), "E:\\Backup\\%date%");
}

TEST(TaskFile, ShortTaskWithoutSources)
{
    TTaskTestDir dir;
    TBackupTask task;
    task.Destination = "E:\\B";
    task.NoCompTypes = {"zip"};
    const std::string file = dir.Win("short.buj");
    ASSERT_TRUE(WriteTaskFile(task, file, -1, -1, TestEnv()));
    const TIniLayout expected = {{"Global",
                                  {{"Program", "Tessaro"},
                                   {"Version", "0.1.0"},
                                   {"Destination", "E:\\B"},
                                   {"Compress", "1"},
                                   {"NoCompTypes", "zip"},
                                   {"DestMode", "0"},
                                   {"ZipName", ""},
                                   {"LastBackup", ""},
                                   {"DirCount", "0"}}}};
    EXPECT_EQ(ParseIniLayout(dir.ReadHostFile("short.buj")), expected);
}

TEST(TaskFile, ExportWritesARangeRenumbered)
{
    TTaskTestDir dir;
    TBackupTask task = FullTask(dir);
    const std::string file = dir.Win("part.buj");
    ASSERT_TRUE(WriteTaskFile(task, file, 1, 1, TestEnv()));
    const TBackupTask back = ReadBack(file);
    ASSERT_EQ(back.Sources.size(), 1u);
    EXPECT_EQ(back.Sources[0].SourceDir, "C:\\Data\\Mail");
    EXPECT_EQ(back.Sources[0].SectionIndex, 0);
    EXPECT_EQ(task.Sources[0].SectionIndex, -1);
    EXPECT_EQ(task.Sources[1].SectionIndex, 0);
    ASSERT_TRUE(WriteTaskFile(task, file, 1, 0, TestEnv()));
    EXPECT_NE(dir.ReadHostFile("part.buj").find("DirCount=0"), std::string::npos);
}

TEST(TaskFile, ReadsCrlfQuotedValuesAndSkipsMissingSections)
{
    TTaskTestDir dir;
    WriteIni(dir, "t.buj",
             "Destination=\"E:\\Backup\"\r\nNote=a#b\r\nDirCount=3\r\nDestMode=3\r\nNoCompTypes=\r\n"
             "[Dir000]\r\nSource=C:\\A\r\nFileCount=5\r\nByteCountH=0\r\nByteCountL=-1294967296\r\n"
             "[Dir002]\r\nSource=C:\\C\r\nFileCount=1\r\nByteCountH=0\r\nByteCountL=7\r\n");
    TBackupTask task = ReadBack(dir.Win("t.buj"));
    EXPECT_EQ(task.Destination, "E:\\Backup");
    EXPECT_EQ(task.Note, "a\"b");
    EXPECT_EQ(task.DestMode, DestZipFile);
    EXPECT_EQ(task.NoCompTypes, TestEnv().NoCompress);
    ASSERT_EQ(task.Sources.size(), 2u);
    EXPECT_EQ(task.Sources[0].ByteCount, 3'000'000'000);
    EXPECT_EQ(task.Sources[1].SourceDir, "C:\\C");

    // The counters go back into the sections the entries came from.
    task.Sources[1].FileCount = 9;
    task.Sources[1].ByteCount = 99;
    task.LastBackup = "now";
    ASSERT_TRUE(UpdateTaskStatistics(task, dir.Win("t.buj"), TestEnv()));
    const TBackupTask again = ReadBack(dir.Win("t.buj"));
    ASSERT_EQ(again.Sources.size(), 2u);
    EXPECT_EQ(again.Sources[0].FileCount, 5);
    EXPECT_EQ(again.Sources[1].FileCount, 9);
    EXPECT_EQ(again.Sources[1].ByteCount, 99);
    EXPECT_EQ(again.LastBackup, "now");
    EXPECT_EQ(dir.ReadHostFile("t.buj").find("[Dir001]"), std::string::npos);
}

// Folders written by hand as host paths are read as Windows text; the file is written back so.
TEST(TaskFile, HostPathFoldersAreRead)
{
    TTaskTestDir dir;
    WriteIni(dir, "t.buj",
             "Destination=/home/ann/backup\r\nDirCount=1\r\n"
             "[Dir000]\r\nSource=/home/ann/Documents\r\nSubCount=1\r\nSubDir0=/\r\n");
    TBackupTask task = ReadBack(dir.Win("t.buj"));
    EXPECT_EQ(task.Destination, "C:\\home\\ann\\backup");
    ASSERT_EQ(task.Sources.size(), 1u);
    EXPECT_EQ(task.Sources[0].SourceDir, "C:\\home\\ann\\Documents");
    ASSERT_TRUE(WriteTaskFile(task, dir.Win("t.buj"), -1, -1, TestEnv()));
    EXPECT_NE(dir.ReadHostFile("t.buj").find("Destination=C:\\home\\ann\\backup"), std::string::npos);
}

TEST(TaskFile, ValueRulesOfTheReader)
{
    struct Case
    {
        const char* name;
        std::string dir;
        std::function<void(const TExtensionList&)> check;
    };
    const Case cases[] = {
        {"TimeMode 6 is the last 4 weeks", "TimeMode=6\nDays=3\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.DateFilter.TimeMode, TimeModeLastDays);
             EXPECT_EQ(e.DateFilter.Days, 28);
         }},
        {"TimeMode 5 without days is a week", "TimeMode=5\nDays=0\n",
         [](const TExtensionList& e) { EXPECT_EQ(e.DateFilter.Days, 7); }},
        {"Days are 7 below mode 5", "TimeMode=2\nDays=30\nDateTo=2003-12-04\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.DateFilter.TimeMode, TimeModeUntil);
             EXPECT_EQ(e.DateFilter.Days, 7);
         }},
        {"a missing date switches off a mode that needs it", "TimeMode=1\n",
         [](const TExtensionList& e) { EXPECT_EQ(e.DateFilter.TimeMode, TimeModeAny); }},
        {"a missing date leaves a mode that does not need it", "TimeMode=5\nDays=3\nDateFrom=garbage\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.DateFilter.TimeMode, TimeModeLastDays);
             EXPECT_EQ(e.DateFilter.Days, 3);
         }},
        {"a bad time switches off mode 4 only", "TimeMode=4\nDayTime=25:99\nDateFrom=2003-01-01\n",
         [](const TExtensionList& e) { EXPECT_EQ(e.DateFilter.TimeMode, TimeModeAny); }},
        {"hh:nn is read", "TimeMode=4\nDayTime=07:30\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.DateFilter.TimeMode, TimeModeSinceTime);
             EXPECT_DOUBLE_EQ(e.DateFilter.DayTime, 7.5 / 24);
         }},
        {"wildcard *.* is an off filter", "Filter=*.*\nFilterMode=1\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.NameFilter.Mode, 0);
             EXPECT_EQ(e.NameFilter.GetMask(), "*");
         }},
        {"wildcard * is an off filter", "Filter=*\nFilterMode=2\n",
         [](const TExtensionList& e) { EXPECT_EQ(e.NameFilter.Mode, 0); }},
        {"a negative filter mode is include", "Filter=a*\nFilterMode=-1\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.NameFilter.Mode, 1);
             EXPECT_EQ(e.NameFilter.GetMask(), "a*");
         }},
        {"a rejected expression in exclude mode switches the filter off", "Regular=1\nFilterMode=2\nFilter=(\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.NameFilter.Mode, 0);
             EXPECT_EQ(e.NameFilter.GetMask(), ".");
         }},
        {"a rejected extension mask in exclude mode switches it off", "ExtFilterMode=2\nExtFilter=[a-\n",
         [](const TExtensionList& e) { EXPECT_EQ(e.ExtFilter.Mode, 0); }},
        {"sizes read the number before a bar", "MinSize=100|x\nMaxSize=junk\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.MinSize, 100);
             EXPECT_EQ(e.MaxSize, DefaultMaxSize);
         }},
        {"BackupMode uses bit 0", "BackupMode=2\nAttributes=255\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.Mode, TypeModeInclude);
             EXPECT_EQ(e.AttrSystem, 3);
         }},
        {"missing counters mean not counted", "",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.FileCount, -1);
             EXPECT_EQ(e.ByteCount, -1);
             EXPECT_TRUE(e.NeedsScan);
         }},
        {"comma lists with quotes and blanks", "Include=x,\"a b\", c d,,\"e\"\"f\"\n",
         [](const TExtensionList& e) {
             EXPECT_EQ(e.IncludeList.Types(), (std::vector<std::string>{"x", "a b", "c", "d", "e\"f"}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTaskTestDir dir;
        WriteIni(dir, "t.buj", "DirCount=1\n[Dir000]\nSource=C:\\A\n" + c.dir);
        const TBackupTask task = ReadBack(dir.Win("t.buj"));
        ASSERT_EQ(task.Sources.size(), 1u);
        c.check(task.Sources[0]);
    }
}

TEST(TaskFile, PasswordRules)
{
    struct Case
    {
        const char* name;
        std::string stored;
        bool encrypt;
        bool fixPassword;
    };
    const Case cases[] = {
        {"empty password with FixPassword turns encryption off", "", false, false},
        {"undecodable password keeps encryption and asks", "!!garbage!!", true, false},
        {"a good password stays", EncodeTaskPassword("pw"), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTaskTestDir dir;
        WriteIni(dir, "t.buj", "Encrypt=1\nFixPassword=1\nPassword=" + c.stored + "\n");
        const TBackupTask task = ReadBack(dir.Win("t.buj"));
        EXPECT_EQ(task.Encrypt, c.encrypt);
        EXPECT_EQ(task.FixPassword, c.fixPassword);
    }
}

TEST(TaskFile, GlobalRules)
{
    TTaskTestDir dir;
    WriteIni(dir, "t.buj",
             "SendMail=1\nSyncDirs=1\n[Mail]\nSMTP=smtp.example.org\n[User]\nUsername=\n"
             "[DirFilter]\nCount=3\nMask000=old|temp*\nMask002=x\n");
    TTaskFileEnv env = TestEnv();
    env.CmdLineUser = "cmduser";
    TBackupTask task;
    ASSERT_TRUE(ReadTaskFile(task, dir.Win("t.buj"), true, false, env));
    EXPECT_FALSE(task.SendMail); // no recipients
    EXPECT_EQ(task.SyncMode, SyncSelections);
    EXPECT_TRUE(task.Mail.ZipLog);
    EXPECT_EQ(task.NetUser, "cmduser");
    EXPECT_EQ(task.BakSuffix, "bak");
    EXPECT_EQ(task.DirMasks, (std::vector<std::string>{"temp*", "", "x"}));

    // The command line's user is not stored in the task.
    ASSERT_TRUE(WriteTaskFile(task, dir.Win("u.buj"), -1, -1, env));
    EXPECT_EQ(dir.ReadHostFile("u.buj").find("cmduser"), std::string::npos);
}

TEST(TaskFile, RescanFlagsFromTheFirstEntryWithoutCounters)
{
    TTaskTestDir dir;
    WriteIni(dir, "t.buj",
             "DirCount=3\n[Dir000]\nSource=C:\\A\nFileCount=1\nByteCountH=0\nByteCountL=1\n"
             "[Dir001]\nSource=C:\\B\nFileCount=-1\n"
             "[Dir002]\nSource=C:\\C\nFileCount=1\nByteCountH=0\nByteCountL=1\n");
    for (bool editor : {false, true}) {
        const TBackupTask task = ReadBack(dir.Win("t.buj"), editor);
        ASSERT_EQ(task.Sources.size(), 3u);
        EXPECT_EQ(task.Sources[0].NeedsScan, editor);
        EXPECT_TRUE(task.Sources[1].NeedsScan);
        EXPECT_TRUE(task.Sources[2].NeedsScan);
    }
}

TEST(TaskFile, ImportAppendsSourcesOnly)
{
    TTaskTestDir dir;
    WriteIni(dir, "t.buj", "Destination=E:\\X\nDirCount=1\n[Dir000]\nSource=C:\\B\n");
    TBackupTask task;
    task.Destination = "mine";
    task.Sources.emplace_back();
    task.Modified = true;
    ASSERT_TRUE(ReadTaskFile(task, dir.Win("t.buj"), false, true, TestEnv()));
    EXPECT_EQ(task.Destination, "mine");
    EXPECT_EQ(task.Sources.size(), 2u);
    EXPECT_TRUE(task.Modified);
}

TEST(TaskFile, PlainTextTask)
{
    TTaskTestDir dir;
    dir.WriteHostFile("old.buj", "E:\\Backup\r\n"
                                 "1 zip,\"a b\"\r\n"
                                 "M 2 Last run 04.12.2003|rest\r\n"
                                 "D C:\\Data|*.doc|*.txt\r\n"
                                 "0 3 2003-01-01 2003-12-31 42\r\n"
                                 "I DOC,TXT\r\n"
                                 "E TMP\r\n"
                                 "X unknown record\r\n"
                                 "D C:\\Data\r\n"
                                 "D C:\\Mail\r\n"
                                 "1\r\n"
                                 "I \r\n"
                                 "E BAK\r\n"
                                 "D C:\\Notes|*.*\r\n");
    const TBackupTask task = ReadBack(dir.Win("old.buj"));
    EXPECT_EQ(task.Destination, "E:\\Backup");
    EXPECT_TRUE(task.Compress);
    EXPECT_EQ(task.NoCompTypes, (std::vector<std::string>{"zip", "a b"}));
    EXPECT_EQ(task.DestMode, DestOneDirectory);
    EXPECT_EQ(task.LastBackup, "Last run 04.12.2003");
    ASSERT_EQ(task.Sources.size(), 3u);
    const TExtensionList& data = task.Sources[0];
    EXPECT_EQ(data.SourceDir, "C:\\Data");
    EXPECT_EQ(data.ExpandedDir, "C:\\Data");
    EXPECT_EQ(data.Mode, TypeModeInclude);
    EXPECT_EQ(data.DateFilter.TimeMode, TimeModeBetween);
    EXPECT_DOUBLE_EQ(data.DateFilter.DateFrom, Date("2003-01-01"));
    EXPECT_EQ(data.FileCount, 42);
    EXPECT_EQ(data.IncludeList.Types(), (std::vector<std::string>{"DOC", "TXT"}));
    EXPECT_EQ(data.ExcludeList.Types(), (std::vector<std::string>{"TMP"}));
    EXPECT_EQ(data.NameFilter.Mode, 1);
    EXPECT_EQ(data.NameFilter.GetMask(), "*.doc|*.txt");
    EXPECT_FALSE(data.NeedsScan);
    const TExtensionList& mail = task.Sources[1];
    EXPECT_EQ(mail.SourceDir, "C:\\Mail");
    EXPECT_EQ(mail.NameFilter.Mode, 0);
    EXPECT_EQ(mail.ExcludeList.Types(), (std::vector<std::string>{"BAK"}));
    EXPECT_TRUE(mail.NeedsScan); // no count
    EXPECT_EQ(task.Sources[2].NameFilter.Mode, 0) << "\"*.*\" selects every name, as in the INI form";

    // Statistics turn the old file into the INI form.
    TBackupTask update = task;
    ASSERT_TRUE(UpdateTaskStatistics(update, dir.Win("old.buj"), TestEnv()));
    TBackupTask expected = task;
    for (TExtensionList& entry : expected.Sources) {
        entry.DateFilter.Days = 7; // the INI form keeps days only for mode 5
    }
    EXPECT_TRUE(ReadBack(dir.Win("old.buj")) == expected);
    EXPECT_NE(dir.ReadHostFile("old.buj").find("Version=0.1.0"), std::string::npos);
}

// Host paths written by hand into an old plain-text task read as the INI form reads them,
// so the task is the same after its first save.
TEST(TaskFile, PlainTextHostPathsReadAsTheIniFormReadsThem)
{
    TTaskTestDir dir;
    dir.WriteHostFile("old.buj", "/srv/backup\n"
                                 "1 zip\n"
                                 "D /home/ann\n"
                                 "1 12\n");
    const TBackupTask task = ReadBack(dir.Win("old.buj"));
    EXPECT_EQ(task.Destination, Platform::HostToWin("/srv/backup"));
    ASSERT_EQ(task.Sources.size(), 1u);
    EXPECT_EQ(task.Sources[0].SourceDir, Platform::HostToWin("/home/ann"));
    TBackupTask saved = task;
    ASSERT_TRUE(WriteTaskFile(saved, dir.Win("new.buj"), -1, -1, TestEnv()));
    EXPECT_EQ(ReadBack(dir.Win("new.buj")).Sources[0].SourceDir, task.Sources[0].SourceDir);
    EXPECT_EQ(ReadBack(dir.Win("new.buj")).Destination, task.Destination);
}

TEST(TaskFile, IniSectionsWithoutVersionAreThePlainForm)
{
    TTaskTestDir dir;
    dir.WriteHostFile("t.buj", "[Global]\nDestination=E:\\X\nDirCount=1\n[Dir000]\nSource=C:\\A\n");
    TBackupTask task;
    EXPECT_FALSE(ReadTaskFile(task, dir.Win("t.buj"), true, false, TestEnv())) << "and as such holds no \"D\" record";
    EXPECT_TRUE(task.Sources.empty());

    dir.WriteHostFile("p.buj", "[Global]\n1\nD C:\\A\n1 0\n\n\n");
    EXPECT_TRUE(ReadTaskFile(task, dir.Win("p.buj"), true, false, TestEnv()));
    EXPECT_EQ(task.Destination, "[Global]");
    ASSERT_EQ(task.Sources.size(), 1u);

    for (const char* text : {"", "\n1\nD C:\\A\n", "E:\\X\n1\nM 1\n", "E:\\X\n1\nD \n"}) {
        dir.WriteHostFile("n.buj", text);
        TBackupTask none;
        EXPECT_FALSE(ReadTaskFile(none, dir.Win("n.buj"), true, false, TestEnv())) << text;
        EXPECT_TRUE(none.Sources.empty());
    }
}

TEST(TaskFile, MissingFileChangesNothing)
{
    TTaskTestDir dir;
    TBackupTask task;
    task.Destination = "keep";
    EXPECT_FALSE(ReadTaskFile(task, dir.Win("none.buj"), true, false, TestEnv()));
    EXPECT_EQ(task.Destination, "keep");
    EXPECT_FALSE(UpdateTaskStatistics(task, dir.Win("none.buj"), TestEnv()));
}

TEST(TaskFile, StatisticsKeepAReadOnlyFileReadOnly)
{
    TTaskTestDir dir;
    TBackupTask task = FullTask(dir);
    const std::string file = dir.Win("ro.buj");
    ASSERT_TRUE(WriteTaskFile(task, file, -1, -1, TestEnv()));
    ASSERT_EQ(Platform::SetFileAttributes(file, faReadOnly), 0);
    task.Sources[0].FileCount = 77;
    ASSERT_TRUE(UpdateTaskStatistics(task, file, TestEnv()));
    EXPECT_EQ(ReadBack(file).Sources[0].FileCount, 77);
    EXPECT_NE(Platform::GetFileAttributes(file) & faReadOnly, 0u);
}

TEST(TaskFile, FailedWriteKeepsTheOldFileAndTheTaskName)
{
    TTaskTestDir dir;
    dir.WriteHostFile("ro.buj", "old contents");
    const std::string file = dir.Win("ro.buj");
    ASSERT_EQ(Platform::SetFileAttributes(file, faReadOnly), 0);
    TScriptedMessageDialogs dialogs;
    TBackupTask task = FullTask(dir);
    task.FileName = "before.buj";
    std::string error;
    EXPECT_FALSE(WriteTaskFile(task, file, -1, -1, TestEnv(), &error));
    EXPECT_EQ(error, "Error saving task: " + file);
    EXPECT_EQ(dialogs.LastText(), error);
    EXPECT_EQ(dir.ReadHostFile("ro.buj"), "old contents");
    EXPECT_EQ(task.FileName, "before.buj");
    EXPECT_FALSE(WriteTaskFile(task, dir.Win("missing/dir/t.buj"), -1, -1, TestEnv()));
}

TEST(TaskFile, DestinationModeText)
{
    EXPECT_EQ(DestinationModeText(0), "Single files - Drives separated ");
    EXPECT_EQ(DestinationModeText(1), "Single files - Clone of source");
    EXPECT_EQ(DestinationModeText(2), "Single files - In one directory");
    EXPECT_EQ(DestinationModeText(4), "Zip file(s) - Into one Zip file");
    EXPECT_EQ(DestinationModeText(5), "Zip file(s) - Separated by directories");
}

TEST(TaskFile, DateAndTimeTexts)
{
    EXPECT_EQ(TaskDateText(Date("2003-12-04")), "2003-12-04");
    EXPECT_EQ(TaskTimeText(0.25), "06:00:00");
    EXPECT_EQ(TaskTimeText(0.999999999), "23:59:59");
    double value = 0;
    for (const char* bad : {"", "2003-13-01", "2003-02-30", "x", "25:00", "12:60"}) {
        EXPECT_FALSE(ParseTaskDate(bad, value) && ParseTaskTime(bad, value)) << bad;
    }
    EXPECT_TRUE(ParseTaskTime("6:00", value));
    EXPECT_DOUBLE_EQ(value, 0.25);
}

TEST(TaskFile, PythonConfigparserReadsWhatWeWrite)
{
    TTaskTestDir dir;
    TBackupTask task = FullTask(dir);
    ASSERT_TRUE(WriteTaskFile(task, dir.Win("t.buj"), -1, -1, TestEnv()));
    const std::string theirs = ConfigparserLines(dir.Host("t.buj"));
    std::string ours;
    for (const auto& [section, keys] : ParseIniLayout(dir.ReadHostFile("t.buj"))) {
        for (const auto& [key, value] : keys) {
            ours += section + "|" + key + "|" + value + "\n";
        }
    }
    EXPECT_EQ(theirs, ours);
}

TEST(TaskFile, ReadsATaskThatPythonWrote)
{
    TTaskTestDir dir;
    const std::string output = RunPython(R"(
import configparser, sys
c = configparser.RawConfigParser()
c.optionxform = str
c['Global'] = {'Program': 'Generator', 'Version': '9.9', 'Destination': 'E:\\Sicherung Ä',
               'Note': 'from #python#', 'DestMode': '1', 'DirCount': '1', 'Compress': '0'}
c['Dir000'] = {'Source': 'C:\\Daten', 'Include': 'DOC,"A B"', 'BackupMode': '0', 'TimeMode': '5',
               'Days': '3', 'FileCount': '2', 'ByteCountH': '1', 'ByteCountL': '5'}
with open(sys.argv[1], 'w', encoding='utf-8', newline='\r\n') as f:
    c.write(f)
)",
                                         dir.Host("py.buj"));
    ASSERT_EQ(output, "");
    const TBackupTask task = ReadBack(dir.Win("py.buj"));
    EXPECT_EQ(task.Destination, "E:\\Sicherung Ä");
    EXPECT_EQ(task.Note, "from \"python\"");
    EXPECT_EQ(task.DestMode, DestCloneOfSource);
    EXPECT_FALSE(task.Compress);
    ASSERT_EQ(task.Sources.size(), 1u);
    EXPECT_EQ(task.Sources[0].IncludeList.Types(), (std::vector<std::string>{"DOC", "A B"}));
    EXPECT_EQ(task.Sources[0].DateFilter.Days, 3);
    EXPECT_EQ(task.Sources[0].ByteCount, (int64_t{1} << 32) + 5);
}
