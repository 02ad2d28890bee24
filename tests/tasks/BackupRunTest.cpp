#include "tasks/BackupRun.h"

#include "BackupRunFixture.h"
#include "EnvGuard.h"
#include "PeerTools.h"
#include "engine/ExtFtp.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/StringUtils.h"
#include "peers/FtpPeer.h"
#include "peers/PeerProcess.h"
#include "platform/Drives.h"
#include "tasks/TimeStamp.h"

#include <gtest/gtest.h>
#include <map>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

int Shell(const std::string& command)
{
    const int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TFakeRunDialogs : public IRunDialogs
{
public:
    bool NewPassword(const std::string& caption, int, bool, std::string& password) override
    {
        Asked.push_back(caption);
        password = Password;
        return !Password.empty();
    }
    bool AskPassword(const std::string& caption, const std::string&, std::string& password) override
    {
        Asked.push_back(caption);
        password = Password;
        return !Password.empty();
    }
    bool InputText(const std::string&, const std::string&, std::string& value) override
    {
        value = Input;
        return !Input.empty();
    }
    std::string Password;
    std::string Input;
    std::vector<std::string> Asked;
};

// Drive S: holds the sources, E: the destinations and L: the log, all in a temporary folder.
class BackupRunTest : public TBackupRunFixture
{
protected:
    void SetUp() override
    {
        TBackupRunFixture::SetUp();
        task.DestMode = DestCloneOfSource;
        run.Dialogs = &runDialogs;
        run.ExecuteCommand = [this](const std::string& command, int32_t, int) {
            commands.push_back(command);
            return TCommandOutcome::Done;
        };
        task.PreCommand = "pre";
        task.PostCommand = "post";
    }
    void AddSource(const std::string& folder)
    {
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = folder;
        task.Sources.push_back(entry);
    }
    // The task backs up to the peer, as its own user, in passive mode.
    void UseFtpDestination(const TFtpPeer& peer)
    {
        task.FtpBackup = true;
        task.Ftp.Host = "127.0.0.1";
        task.Ftp.Port = peer.Port();
        task.Ftp.Username = TFtpPeer::User;
        task.Ftp.Password = TFtpPeer::Password;
        task.Ftp.Passive = true;
    }
    bool Run(int endMode = EndNotVisible, int autoIndex = 0)
    {
        log.OpenLog(settings.Protocol, false, false);
        const bool result = run.RunBackup(autoIndex, task.FileName, endMode);
        log.CloseLog();
        return result;
    }
    bool InDest(const std::string& relative) const { return fs::exists(temp.Host("e/" + relative)); }

    TFakeRunDialogs runDialogs;
    std::vector<std::string> commands;
};

TEST(BackupRunNames, RotationFoldersAndTags)
{
    TAutoTask slot("L:\\t.buj");
    slot.StepMode = StepDaily;
    slot.Cycles = 7;
    EXPECT_EQ(RotationFolderName(slot), "BD01");
    slot.StepMode = StepWeekly;
    slot.ActCycle = slot.Cycles = 12;
    EXPECT_EQ(RotationFolderName(slot), "BW12");
    EXPECT_EQ(RotationText(slot), " (Week 12)");
    slot.StepMode = StepDaily;
    slot.ActCycle = 7;
    slot.Cycles = 120;
    EXPECT_EQ(RotationFolderName(slot), "BD007");

    slot.Cycles = 6;
    slot.SchedMode = 3;
    std::string tags;
    for (int cycle = 1; cycle <= 6; ++cycle) {
        slot.ActCycle = cycle;
        tags += RunTag(&slot, false, false);
    }
    EXPECT_EQ(tags, " (F) (D) (D) (F) (D) (D)");
    slot.ActCycle = 1;
    EXPECT_EQ(RunTag(&slot, false, true), " (F)+(Enc.)");
    EXPECT_EQ(RunTag(nullptr, true, false), " (S)");
    EXPECT_EQ(RunTag(nullptr, false, true), " (Enc.)");
}

TEST_F(BackupRunTest, InvalidTaskRunsNoCommand)
{
    EXPECT_FALSE(Run());
    EXPECT_TRUE(commands.empty());
    EXPECT_NE(LogText().find("    *** Unvalid task configuration - Backup task: daily.buj"), std::string::npos);
}

TEST_F(BackupRunTest, OneDirectoryWithTwoSourcesKeepsBothUnderEveryMethod)
{
    AddSource("S:\\a");
    AddSource("S:\\b");
    task.DestMode = DestOneDirectory;
    for (int method : {MethodFull, MethodDifferential, MethodIncremental}) {
        task.SetBackupMethod(method);
        Write("a/a1.txt", "changed " + std::to_string(method)); // sets the archive bit again
        Write("b/b1.txt", "changed " + std::to_string(method));
        temp.WriteHostFile("e/B/stale.txt", "old");
        fs::remove(temp.Host("e/B/$TimeStamp.tsu"));
        ASSERT_TRUE(Run()) << method;
        EXPECT_TRUE(InDest("B/a1.txt")) << method;
        EXPECT_TRUE(InDest("B/b1.txt")) << method;
        EXPECT_FALSE(InDest("B/stale.txt")) << method;
        EXPECT_GT(ReadTimeStamp("E:\\B"), 0);
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"pre", "post", "pre", "post", "pre", "post"}));
}

TEST_F(BackupRunTest, DestinationByVolumeLabel)
{
    fs::create_directories(temp.Host("x"));
    Write("a/f.txt");
    AddSource("S:\\a");
    task.Destination = ":BACKUP:\\dir";

    // Quiet: gives up at once.
    EXPECT_FALSE(Run(EndNotVisible));
    EXPECT_EQ(dialogs.ShownCount(), 0u);
    EXPECT_NE(LogText().find("Path \":BACKUP:\\dir\" not found!"), std::string::npos);
    EXPECT_EQ(commands.back(), "post");

    // Interactive: asked until the volume is there.
    dialogs.OnShow = [this](const TMessageRequest&) {
        SetDrives(";X=" + temp.Host("x") + ",removable,BACKUP");
        return MrOk;
    };
    EXPECT_TRUE(Run(EndWaitForUser));
    EXPECT_EQ(dialogs.LastText(), "Volume \"BACKUP\" not found!\r\nPlease insert media!");
    EXPECT_TRUE(fs::exists(temp.Host("x/dir/a/f.txt")));

    const size_t shown = dialogs.ShownCount();
    task.Destination = ":MISSING:\\dir";
    dialogs.OnShow = nullptr;
    dialogs.QueueAnswer(MrCancel);
    EXPECT_FALSE(Run(EndWaitForUser));
    EXPECT_EQ(dialogs.ShownCount(), shown + 1);
}

TEST_F(BackupRunTest, NetworkPasswordIsAskedOnlyInInteractiveRuns)
{
    fs::create_directories(temp.Host("nas"));
    SetDrives(";\\\\nas\\data=" + temp.Host("nas") + ",remote");
    Write("a/f.txt");
    AddSource("S:\\a");
    task.Destination = "\\\\nas\\data\\backup";
    task.NetUser = "anna";
    runDialogs.Password = "pw";
    for (int endMode : {EndNotVisible, EndCloseAfterDelay, EndWaitForUser}) {
        runDialogs.Asked.clear();
        EXPECT_TRUE(Run(endMode));
        EXPECT_EQ(runDialogs.Asked.size(), endMode == EndWaitForUser ? 1u : 0u) << endMode;
    }
    EXPECT_EQ(runDialogs.Asked.front(), "Net connection");
    EXPECT_TRUE(fs::exists(temp.Host("nas/backup/a/f.txt")));
}

TEST_F(BackupRunTest, CancelEndsTheRunButNotThePostCommand)
{
    Write("a/f.txt");
    AddSource("S:\\a");
    view.CancelPressed = true;
    EXPECT_FALSE(Run());
    EXPECT_EQ(run.Totals().EndText, "Cancelled by user");
    EXPECT_EQ(commands, (std::vector<std::string>{"pre", "post"}));
    EXPECT_NE(LogText().find("  Status: Cancelled by user (0 of 0 files copied)"), std::string::npos);
}

// A command that runs and fails does not stop the run, and the run ends with a warning; one
// that is not there skips the backup.
TEST_F(BackupRunTest, FailedCommandsEndTheRunWithAWarning)
{
    Write("a/f.txt");
    AddSource("S:\\a");
    std::map<std::string, TCommandOutcome> outcomes;
    run.ExecuteCommand = [&](const std::string& command, int32_t, int) {
        commands.push_back(command);
        return outcomes[command];
    };
    outcomes = {{"pre", TCommandOutcome::Failed}};
    EXPECT_TRUE(Run());
    EXPECT_EQ(run.Totals().EndText, "1 Warnings on backup!");
    EXPECT_NE(LogText().find("  Status: 1 Warnings on backup! (1 of 1 files copied)"), std::string::npos) << LogText();
    EXPECT_EQ(run.Outcome(true), TRunOutcome::Warnings);

    outcomes = {{"post", TCommandOutcome::Failed}};
    EXPECT_TRUE(Run());
    EXPECT_EQ(run.Totals().EndText, "OK");
    EXPECT_EQ(run.Outcome(true), TRunOutcome::Warnings);

    outcomes = {{"pre", TCommandOutcome::NotFound}};
    commands.clear();
    EXPECT_FALSE(Run());
    EXPECT_EQ(commands, (std::vector<std::string>{"pre"}));
    EXPECT_EQ(run.Outcome(false), TRunOutcome::Failed);
}

TEST_F(BackupRunTest, RotationSubfolderAndItsRemovalWhenOnlyTheStampIsLeft)
{
    Write("a/f.txt");
    AddSource("S:\\a");
    TAutoTask& slot = settings.AutoTasks[0];
    slot = TAutoTask("L:\\daily.buj");
    slot.StepMode = StepDaily;
    slot.Cycles = 7;
    slot.SchedMode = 1;
    ASSERT_TRUE(Run(EndNotVisible, 1));
    EXPECT_TRUE(InDest("B/BD01/a/f.txt"));
    EXPECT_GT(ReadTimeStamp("E:\\B\\BD01"), 0);
    EXPECT_EQ(slot.LastCycle, 1);
    EXPECT_NE(LogText().find("Start: "), std::string::npos);
    EXPECT_NE(LogText().find(" - Automatic backup 1: daily (F)"), std::string::npos);

    // A cycle whose folder ends up holding nothing but the stamp is removed.
    task.EmptyDirs = true;
    fs::remove_all(temp.Host("s/a"));
    fs::create_directories(temp.Host("s/a"));
    fs::create_directories(temp.Host("e/B/BD02"));
    WriteTimeStamp("E:\\B\\BD02", 1000.0);
    slot.ActCycle = 2;
    slot.SchedMode = 0;
    task.SetBackupMethod(MethodCopy);
    ASSERT_TRUE(Run(EndNotVisible, 1));
    EXPECT_FALSE(InDest("B/BD02"));
    EXPECT_TRUE(InDest("B/BD01/a/f.txt"));
}

TEST_F(BackupRunTest, ZipRunPassesForeignTesters)
{
    Write("a/one.txt", std::string(5000, 'x'));
    Write("a/sub/two.txt", "second");
    AddSource("S:\\a");
    task.DestMode = DestZipFile;
    task.ZipName = "Set.7z";
    task.Verify = true;
    ASSERT_TRUE(Run());
    EXPECT_EQ(run.Totals().Copied, 2u);
    EXPECT_NE(LogText().find("    => Zip file: \"Set.zip\" verified"), std::string::npos);
    const std::string archive = temp.Host("e/B/Set.zip");
    ASSERT_TRUE(fs::exists(archive));
    if (RequirePeer("unzip")) {
        EXPECT_EQ(Shell("unzip -t '" + archive + "'"), 0);
    }
    if (RequirePeer("7zz")) {
        EXPECT_EQ(Shell("7zz t '" + archive + "'"), 0);
    }

    // Encrypted entries open with the password only.
    task.Encrypt = true;
    task.FixPassword = true;
    task.Password = "zip-secret";
    run.ZipName.clear();
    task.ZipName = "Enc";
    ASSERT_TRUE(Run());
    if (RequirePeer("7zz")) {
        const std::string encrypted = temp.Host("e/B/Enc.zip");
        EXPECT_EQ(Shell("7zz t -pzip-secret '" + encrypted + "'"), 0);
        EXPECT_NE(Shell("7zz t -pwrong '" + encrypted + "'"), 0);
    }
}

// Files are copied, compressed and encrypted side by side on the work pool (a thread per
// core), yet the log names them one by one in the folder's order, each once, for every kind
// of destination.
TEST_F(BackupRunTest, ManyFilesAreLoggedInTheFoldersOrder)
{
    std::vector<std::string> names;
    for (int i = 0; i < 160; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.txt", i);
        names.emplace_back(name);
        // Every fifth file is too large to be copied on the walk's own thread.
        Write("a/" + names.back(), std::string(i % 5 == 0 ? 100000 : 200 + i, static_cast<char>('a' + i % 26)));
    }
    AddSource("S:\\a");
    task.DestMode = DestDrivesSeparated;
    task.FixPassword = true;
    task.Password = "order-secret";
    const auto loggedNames = [this] {
        std::vector<std::string> logged;
        const std::regex named("f[0-9]{3}\\.txt");
        std::istringstream lines(LogText());
        for (std::string line; std::getline(lines, line);) {
            if (std::smatch match; std::regex_search(line, match, named)) {
                logged.push_back(match.str());
            }
        }
        return logged;
    };
    struct TKind
    {
        const char* Name;
        int DestMode;
        bool Compress;
        bool Encrypt;
    };
    for (const TKind& kind :
         {TKind{"folder", DestDrivesSeparated, false, false}, TKind{"gzip", DestDrivesSeparated, true, false},
          TKind{"encrypted", DestDrivesSeparated, false, true}, TKind{"zip", DestZipFile, true, false}}) {
        SCOPED_TRACE(kind.Name);
        fs::remove_all(temp.Host("e/B"));
        fs::remove(temp.Host("l/tessaro.log"));
        task.DestMode = kind.DestMode;
        task.Compress = kind.Compress;
        task.Encrypt = kind.Encrypt;
        run.ZipName.clear();
        task.ZipName = "Order";
        ASSERT_TRUE(Run());
        EXPECT_EQ(run.Totals().Copied, names.size());
        EXPECT_EQ(loggedNames(), names);
    }
}

TEST_F(BackupRunTest, EncryptedFilesDecryptWithTheIndependentReader)
{
    Write("a/plain.txt", "the quick brown fox");
    AddSource("S:\\a");
    task.Encrypt = true;
    task.FixPassword = true;
    task.Password = "s3cret";
    ASSERT_TRUE(Run());
    EXPECT_NE(LogText().find(" - Backup task: daily.buj (Enc.)"), std::string::npos);
    const std::string encrypted = temp.Host("e/B/a/plain.txt.enc");
    ASSERT_TRUE(fs::exists(encrypted));
    const std::string command = "/usr/bin/python3 '" + std::string(TESSARO_SOURCE_DIR) +
                                "/tests/engine/encstream.py' decrypt 1 s3cret '" + encrypted + "' '" +
                                temp.Host("l/out.txt") + "'";
    ASSERT_EQ(Shell(command), 0);
    EXPECT_EQ(temp.ReadHostFile("l/out.txt"), "the quick brown fox");
}

TEST_F(BackupRunTest, EncryptionWithoutAPasswordIsRefused)
{
    Write("a/plain.txt");
    AddSource("S:\\a");
    task.Encrypt = true;
    task.FixPassword = true; // but no password stored
    EXPECT_FALSE(Run());
    EXPECT_FALSE(InDest("B"));
    EXPECT_TRUE(commands.empty());
    EXPECT_NE(LogText().find("    *** No password for the encryption"), std::string::npos);

    task.FixPassword = false; // a quiet run cannot ask
    EXPECT_FALSE(Run(EndNotVisible));
    EXPECT_TRUE(runDialogs.Asked.empty());
    EXPECT_FALSE(InDest("B"));

    runDialogs.Password = "typed-in";
    EXPECT_TRUE(Run(EndWaitForUser));
    // The prompt's title says with what, not "File encryption with".
    EXPECT_EQ(runDialogs.Asked, (std::vector<std::string>{"File encryption with AES"}));
    EXPECT_TRUE(InDest("B/a/plain.txt.enc"));
}

TEST_F(BackupRunTest, SynchronisationDeletesExactlyTheOrphans)
{
    Write("a/Keep.TXT");
    Write("a/gone.txt");
    Write("a/sub/deep.txt");
    AddSource("S:\\a");
    task.SyncMode = SyncAllFiles;
    settings.FilenameCase = 1; // copies are lower case; sources are not
    ASSERT_TRUE(Run());
    ASSERT_TRUE(InDest("B/a/keep.txt"));

    ASSERT_TRUE(Run());
    EXPECT_EQ(run.Totals().Deleted, 0u);
    EXPECT_TRUE(InDest("B/a/keep.txt"));
    EXPECT_TRUE(InDest("B/a/gone.txt"));

    fs::remove(temp.Host("s/a/gone.txt"));
    fs::remove_all(temp.Host("s/a/sub"));
    ASSERT_TRUE(Run());
    EXPECT_EQ(run.Totals().Deleted, 2u);
    EXPECT_TRUE(InDest("B/a/keep.txt"));
    EXPECT_FALSE(InDest("B/a/gone.txt"));
    EXPECT_FALSE(InDest("B/a/sub"));
    EXPECT_NE(LogText().find("  ==> Start: "), std::string::npos);
    EXPECT_NE(LogText().find("daily.buj (S)"), std::string::npos);
    EXPECT_NE(LogText().find("      Status: : 2 files deleted"), std::string::npos);
}

// The synchronisation before the walk keeps the versions the task keeps of a file that is
// there, and deletes them with the file.
TEST_F(BackupRunTest, SynchronisationKeepsTheKeptVersionsOfFilesThatAreThere)
{
    AddSource("S:\\a");
    task.SyncMode = SyncAllFiles;
    task.BakFiles = true;
    task.BakSuffix = "old-#2";
    for (int round = 0; round < 3; ++round) {
        Write("a/report.txt", "v" + std::to_string(round));
        Write("a/gone.txt", "v" + std::to_string(round));
        fs::last_write_time(temp.Host("s/a/report.txt"),
                            fs::file_time_type::clock::now() + std::chrono::minutes(round));
        fs::last_write_time(temp.Host("s/a/gone.txt"), fs::file_time_type::clock::now() + std::chrono::minutes(round));
        ASSERT_TRUE(Run());
        EXPECT_EQ(run.Totals().Deleted, 0u) << LogText();
    }
    EXPECT_TRUE(InDest("B/a/report.old-1.txt") && InDest("B/a/report.old-2.txt")) << LogText();
    fs::remove(temp.Host("s/a/gone.txt"));
    ASSERT_TRUE(Run());
    EXPECT_EQ(run.Totals().Deleted, 3u);
    EXPECT_FALSE(InDest("B/a/gone.txt") || InDest("B/a/gone.old-1.txt") || InDest("B/a/gone.old-2.txt"));
    EXPECT_TRUE(InDest("B/a/report.old-1.txt") && InDest("B/a/report.old-2.txt"));
}

TEST_F(BackupRunTest, WholeDriveAsSource)
{
    Write("a/f.txt");
    Write("top.txt");
    AddSource("S:\\");
    task.DestMode = DestDrivesSeparated;
    EXPECT_TRUE(Run()) << LogText();
    EXPECT_TRUE(InDest("B/LwS/a/f.txt"));
    EXPECT_TRUE(InDest("B/LwS/top.txt"));
    EXPECT_NE(LogText().find("  Source: " + temp.Host("s/") + "\n"), std::string::npos) << LogText();
}

TEST_F(BackupRunTest, MissingSourceCountsAnErrorAndGoesOn)
{
    Write("b/f.txt");
    AddSource("S:\\missing");
    AddSource("S:\\b");
    EXPECT_TRUE(Run(EndWaitOnError));
    EXPECT_EQ(dialogs.LastText(), "Path \"S:\\missing\" not found!");
    EXPECT_EQ(run.Totals().Errors, 1u);
    EXPECT_EQ(run.Totals().EndText, "1 Error on backup");
    EXPECT_TRUE(InDest("B/b/f.txt"));
}

TEST_F(BackupRunTest, FilesBelowAFolderThatCannotBeMadeAreCountedAndNamed)
{
    Write("d/top.txt");
    Write("d/sub/one.txt");
    Write("d/sub/deep/two.txt");
    AddSource("S:\\d");
    fs::create_directories(temp.Host("e/B/d"));
    temp.WriteHostFile("e/B/d/sub", "a file where the backup needs its folder");
    Run();
    EXPECT_EQ(run.Totals().Errors, 2u);
    const std::string text = LogText();
    EXPECT_NE(text.find("Could not create directory: " + temp.Host("e/B/d/sub") + "!\n"), std::string::npos) << text;
    for (const char* file : {"sub/one.txt\n", "sub/deep/two.txt\n"}) {
        EXPECT_NE(text.find(std::string(": ") + file), std::string::npos) << file << "\n" << text;
    }
    EXPECT_NE(text.find("(1 of 3 files copied)"), std::string::npos) << text;
    EXPECT_EQ(temp.ReadHostFile("e/B/d/sub"), "a file where the backup needs its folder");
}

// The path limit of Windows text: 260 characters and more are not backed up, and named.
TEST_F(BackupRunTest, PathsOfTwoHundredSixtyCharactersAreNamedNotBackedUp)
{
    AddSource("S:\\d");
    const std::string folder = "S:\\d\\";
    const std::string tooLong(260 - folder.size(), 'l');
    const std::string fitting(257 - folder.size(), 'f');                                // its copy "E:\B\d\..." has 259
    const std::string longFolder = std::string(127, 'a') + "/" + std::string(128, 'b'); // "S:\d\" + 255
    Write("d/" + tooLong);
    Write("d/" + fitting);
    Write("d/" + longFolder + "/x.txt");
    Write("d/" + longFolder + "/y.txt");
    Run();
    // Each file is counted, and named once: no line for the folders on the way.
    EXPECT_EQ(run.Totals().Errors, 3u);
    EXPECT_TRUE(InDest("B/d/" + fitting));
    EXPECT_FALSE(InDest("B/d/" + tooLong));
    const std::string text = LogText();
    EXPECT_NE(text.find("    *** Error: Path too long (Copy): " + tooLong + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("/x.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("/y.txt\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Could not create directory"), std::string::npos) << text;
    EXPECT_NE(text.find("(1 of 4 files copied)"), std::string::npos) << text;
}

// A proxy password typed in for one run logs on through the proxy but never lands in the task,
// which the editor may save afterwards.
TEST_F(BackupRunTest, AskedProxyPasswordStaysOutOfTheTask)
{
    TFtpPeer peer;
    ASSERT_TRUE(peer.Start());
    TPeerProcess proxy;
    ASSERT_TRUE(proxy.Start("ftp_proxy.py",
                            {"--type", "2", "--upstream-port", std::to_string(peer.Port()), "--user", TFtpPeer::User,
                             "--password", TFtpPeer::Password, "--proxy-user", "fw", "--proxy-password", "fwpass"}));
    Write("a/one.txt", "first");
    AddSource("S:\\a");
    UseFtpDestination(peer);
    task.Ftp.Proxy.ProxyType = 2;
    task.Ftp.Proxy.Server = "127.0.0.1";
    task.Ftp.Proxy.Port = proxy.Port();
    task.Ftp.Proxy.Username = "fw";
    task.DestMode = DestZipFile;
    task.ZipName = "Set";
    runDialogs.Password = "fwpass";
    ASSERT_TRUE(Run(EndWaitForUser)) << LogText();
    EXPECT_EQ(runDialogs.Asked.size(), 1u);
    EXPECT_TRUE(fs::exists(peer.Root() / "Set.zip"));
    EXPECT_TRUE(task.Ftp.Proxy.Password.empty());
}

TEST_F(BackupRunTest, ZipRunToFtpUploadsTheArchiveAndTheStamp)
{
    TFtpPeer peer;
    ASSERT_TRUE(peer.Start());
    Write("a/one.txt", "first");
    Write("a/sub/two.txt", "second");
    AddSource("S:\\a");
    UseFtpDestination(peer);
    task.Ftp.SubDir = "up/zips";
    task.DestMode = DestZipFile;
    task.ZipName = "Set";
    task.SetBackupMethod(MethodFull);
    ASSERT_TRUE(Run()) << LogText();
    EXPECT_EQ(run.Totals().Copied, 2u);
    const fs::path archive = peer.Root() / "up/zips/Set.zip";
    ASSERT_TRUE(fs::exists(archive));
    if (RequirePeer("unzip")) {
        EXPECT_EQ(Shell("unzip -t '" + archive.string() + "'"), 0);
    }

    TExtFtp ftp;
    ftp.Host = "127.0.0.1";
    ftp.Port = peer.Port();
    ftp.Username = TFtpPeer::User;
    ftp.Password = TFtpPeer::Password;
    ASSERT_TRUE(ftp.Connect());
    ASSERT_TRUE(ftp.ChangeDir("up/zips"));
    EXPECT_GT(ReadFtpTimeStamp(ftp), 0);
    ftp.Disconnect();

    // A server that is gone fails the destination and touches nothing.
    peer.Stop();
    EXPECT_FALSE(Run());
    EXPECT_EQ(run.Totals().EndText, "Connection to FTP server failed");
    EXPECT_NE(LogText().find("    *** FTP-Server: ftp://127.0.0.1:"), std::string::npos);
    EXPECT_EQ(commands.back(), "post");
}

// The lock of a server folder lies in the user's home. Whatever another user could have put
// in its place, or a folder others may write in, stops the run with an error that says why:
// nothing goes to the server unlocked, where a clean-up might delete beside it.
TEST_F(BackupRunTest, AnFtpRunNeverGoesOnUnlocked)
{
    TFtpPeer peer;
    ASSERT_TRUE(peer.Start());
    Write("a/one.txt", "first");
    AddSource("S:\\a");
    UseFtpDestination(peer);
    TEnvGuard env;
    env.Set("HOME", temp.Host("home"));
    const std::string lockDir = temp.Host("home/.local/state/tessaro");
    fs::create_directories(temp.Host("home/.local/state"));
    fs::create_directories(temp.Host("elsewhere"));
    const auto folder = [&](fs::perms perms, uid_t owner) {
        return [&, perms, owner] {
            fs::create_directory(lockDir);
            fs::permissions(lockDir, perms);
            EXPECT_EQ(chown(lockDir.c_str(), owner, owner), 0);
        };
    };
    const struct
    {
        std::function<void()> Plant;
        const char* Why;
    } planted[] = {
        {[&] { fs::create_directory_symlink(temp.Host("elsewhere"), lockDir); }, " is a symbolic link"},
        {[&] { temp.WriteHostFile("home/.local/state/tessaro", ""); }, " is not a folder"},
        {folder(fs::perms::owner_all, 4321), " belongs to another user"},
        {folder(fs::perms::all, getuid()), " can be written by other users"},
    };
    for (const auto& place : planted) {
        SCOPED_TRACE(place.Why);
        fs::remove_all(lockDir);
        place.Plant();
        EXPECT_FALSE(Run());
        const std::string why = "The run cannot be locked: " + lockDir + place.Why;
        EXPECT_EQ(run.Totals().EndText, why);
        EXPECT_NE(LogText().find("    *** " + why + "\n"), std::string::npos) << LogText();
        EXPECT_TRUE(fs::is_empty(peer.Root()));
        EXPECT_TRUE(fs::is_empty(temp.Host("elsewhere")));
    }
    // Once it is the user's alone again, the run locks and copies.
    fs::remove_all(lockDir);
    EXPECT_TRUE(Run()) << LogText();
    EXPECT_EQ(peer.ReadFile("a/one.txt"), "first");
    EXPECT_EQ(fs::status(lockDir).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(BackupRunTest, StartButtonAsksBeforeItRuns)
{
    Write("a/f.txt");
    AddSource("S:\\a");
    int saved = 0;
    bool saveHappens = true;
    run.SaveTask = [&] {
        ++saved;
        return saveHappens;
    };
    struct Case
    {
        bool deleteFile;
        bool newTask;
        std::vector<int> answers;
        bool runs;
        int saves;
        bool saveHappens = true;
    } cases[] = {
        {true, false, {MrNo}, false, 0},
        {true, false, {MrYes}, true, 0},
        {false, true, {MrCancel}, false, 0},
        {false, true, {MrNo}, true, 0},
        {false, true, {MrYes}, true, 1},
        {true, true, {MrYes, MrYes, MrNo}, false, 0}, // the second warning, before saving
        {false, true, {MrYes}, false, 1, false},      // "Yes", and then no file was written
    };
    for (const Case& c : cases) {
        saveHappens = c.saveHappens;
        task.DeleteFile = c.deleteFile;
        task.FileName = c.newTask ? "" : "L:\\daily.buj";
        commands.clear();
        saved = 0;
        for (int answer : c.answers) {
            dialogs.QueueAnswer(answer);
        }
        run.StartBtnClick();
        EXPECT_EQ(!commands.empty(), c.runs) << c.deleteFile << c.newTask;
        EXPECT_EQ(saved, c.saves);
        EXPECT_EQ(dialogs.PendingAnswers(), 0u);
        Write("a/f.txt"); // DeleteFile may have taken it
    }
}

TEST_F(BackupRunTest, StartButtonNamesTheArchive)
{
    Write("a/f.txt");
    AddSource("S:\\a");
    task.DestMode = DestZipFile;
    EXPECT_FALSE(run.StartBtnClick()); // no name typed
    EXPECT_TRUE(commands.empty());
    runDialogs.Input = "Weekly.tar";
    EXPECT_TRUE(run.StartBtnClick());
    EXPECT_TRUE(InDest("B/Weekly.zip"));

    task.ZipName = "Fixed";
    dialogs.QueueAnswer(MrYes);
    EXPECT_TRUE(run.StartBtnClick());
    EXPECT_EQ(dialogs.LastText(), "Backup to Zip file:\rFixed.zip");
    EXPECT_TRUE(InDest("B/Fixed.zip"));

    task.DestMode = DestOneDirectory;
    task.Destination = "S:\\";
    EXPECT_FALSE(run.StartBtnClick());
    EXPECT_NE(dialogs.LastText().find("root directory of the same drive"), std::string::npos);
}

// The whole log of a run, line by line, against the golden file (times masked).
TEST_F(BackupRunTest, LogOfAWholeRunMatchesTheGoldenFile)
{
    Write("src/top.txt");
    Write("src/sub/inner.txt");
    AddSource("S:\\src");
    task.DestMode = DestDrivesSeparated;
    task.SetBackupMethod(MethodFull);
    EXPECT_TRUE(run.StartBtnClick());

    std::string text = std::regex_replace(LogText(), std::regex("(==> (Start|End): ).*( - Backup task)"), "$1<time>$3");
    // Paths are shown as host paths, below the test's folder.
    text = ReplaceText(text, temp.Host(""), "<tmp>/");
    std::ifstream golden(std::string(TESSARO_SOURCE_DIR) + "/tests/tasks/BackupRunGolden.log");
    std::stringstream expected;
    expected << golden.rdbuf();
    std::istringstream got(text);
    std::istringstream want(expected.str());
    std::string gotLine;
    std::string wantLine;
    int number = 0;
    while (std::getline(want, wantLine)) {
        ++number;
        ASSERT_TRUE(std::getline(got, gotLine)) << "log ends before line " << number;
        EXPECT_EQ(gotLine, wantLine) << "line " << number;
    }
    EXPECT_FALSE(std::getline(got, gotLine)) << "extra line: " << gotLine;
}

} // namespace
