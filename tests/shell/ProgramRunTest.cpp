#include "TempFolder.h"
#include "foundation/DateUtils.h"
#include "shell/InstanceGuard.h"
#include "tasks/Settings.h"
#include "tasks/TaskFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>

// The program itself, started as a user would start it from a shell script.

namespace {

std::string ProgramFile()
{
    std::string dir = TESSARO_LOCALE_BUILD_DIR;
    return dir.substr(0, dir.rfind('/')) + "/tessaro";
}

bool WaitForText(const TTempFolder& folder, const std::string& file, const std::string& text)
{
    for (int i = 0; i < 3000; ++i) {
        if (folder.ReadHostFile(file).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void MakeFolders(const TTempFolder& folder)
{
    for (const char* dir : {"home", "config/Tessaro", "run", "source", "dest"}) {
        std::filesystem::create_directories(folder.Host(dir));
    }
    std::filesystem::permissions(folder.Host("run"), std::filesystem::perms::owner_all);
}

// Runs the program in a clean environment of the folder (no LANGUAGE, C locale).
int RunProgram(const TTempFolder& folder, const std::string& args, std::string& output)
{
    const std::string command = "env -i PATH=/usr/bin:/bin LC_ALL=C QT_QPA_PLATFORM=offscreen HOME='" +
                                folder.Host("home") + "' XDG_CONFIG_HOME='" + folder.Host("config") +
                                "' XDG_RUNTIME_DIR='" + folder.Host("run") + "' '" + ProgramFile() + "' " + args +
                                " 2>&1";
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return -1;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteExampleTask(const TTempFolder& folder)
{
    TTaskFileEnv env;
    env.ProgramText = "Tessaro";
    env.FileVersion = "0.1.0";
    TBackupTask task;
    ResetTaskOptions(task, env);
    task.Destination = folder.Win("dest");
    task.DestMode = DestOneDirectory;
    task.Compress = true;
    TExtensionList entry;
    entry.SourceDir = folder.Win("source");
    entry.ExpandedDir = entry.SourceDir;
    task.Sources.push_back(entry);
    ASSERT_TRUE(WriteTaskFile(task, folder.Win("task.buj"), -1, -1, env));
}

} // namespace

TEST(Program, BatchRunFromTheCommandLineInTheChosenLanguage)
{
    if (!std::filesystem::exists(ProgramFile())) {
        GTEST_SKIP() << "the program is not built";
    }
    TTempFolder folder;
    MakeFolders(folder);
    folder.WriteHostFile("source/report.txt", std::string(4000, 'r'));
    folder.WriteHostFile("config/Tessaro/tessaro.cfg", "[Language]\nLangID=de\n");
    WriteExampleTask(folder);

    std::string output;
    EXPECT_EQ(RunProgram(folder, "-force -quiet -log:2 '" + folder.Host("task.buj") + "'", output), 0) << output;
    const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_NE(log.find("Tessaro (Vers. "), std::string::npos) << log;
    EXPECT_NE(log.find(" - Datensicherung\n"), std::string::npos) << log;
    ASSERT_TRUE(std::filesystem::exists(folder.Host("dest/report.txt.gz"))) << log;
    EXPECT_EQ(std::system(("gzip -t '" + folder.Host("dest/report.txt.gz") + "'").c_str()), 0);

    // The option wins over the language file.
    EXPECT_EQ(RunProgram(folder, "/lang:en -f -q -lo:2 '" + folder.Host("task.buj") + "'", output), 0) << output;
    EXPECT_NE(folder.ReadHostFile("config/Tessaro/tessaro.log").find(" - Data backup\n"), std::string::npos);
}

TEST(Program, SecondStartActivatesTheInstanceInTheTray)
{
    if (!std::filesystem::exists(ProgramFile())) {
        GTEST_SKIP() << "the program is not built";
    }
    TTempFolder folder;
    MakeFolders(folder);
    WriteExampleTask(folder);
    // One task at a set time that ran today: the program waits in the tray for it.
    const TTimeStampPair today = DateTimeToTimeStamp(Now());
    folder.WriteHostFile("config/Tessaro/tessaro.ini",
                         "[Config]\nStartup=0\nTaskCount=1\n[AutoTask0]\nName=" + folder.Win("task.buj") +
                             "\nMode=3\nLastDate=" + std::to_string(today.Date) +
                             "\nLastTime=0\nBackupDate=" + std::to_string(today.Date + 1) + "\nBackupTime=0\n");
    std::string firstOutput;
    int firstResult = -1;
    std::thread first(
        [&] { firstResult = RunProgram(folder, "-auto -hide > '" + folder.Host("first.txt") + "'", firstOutput); });
    for (int i = 0; i < 3000 && !std::filesystem::exists(folder.Host("run/Tessaro.socket")); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(std::filesystem::exists(folder.Host("run/Tessaro.socket")));

    std::string output;
    EXPECT_EQ(RunProgram(folder, "", output), 0) << output;
    // Activation opens the task editor in the running instance, which then goes back to the tray.
    EXPECT_TRUE(WaitForText(folder, "first.txt", "The task editor needs a display."));
    EXPECT_TRUE(SendInstanceRequest(folder.Host("run"), {TInstanceRequestKind::Close, {}}));
    first.join();
    EXPECT_EQ(firstResult, 0) << firstOutput;
    EXPECT_TRUE(std::filesystem::exists(folder.Host("config/autostart/tessaro.desktop")));
}

// "--help" prints the options and ends at once, with no window and without the guard.
TEST(Program, HelpListsTheOptionsAndEndsWithStatusZero)
{
    TTempFolder folder;
    MakeFolders(folder);
    std::string output;
    EXPECT_EQ(RunProgram(folder, "--help", output), 0) << output;
    for (const char* text : {"Usage: tessaro", "-auto", "-force", "-end:poweroff|shutdown|logoff|restart", "-hide, -h",
                             "@FILE", "Exit status:", "  2  errors"}) {
        EXPECT_NE(output.find(text), std::string::npos) << text << "\n" << output;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Host("run/Tessaro.lock"))) << "the guard ran";
    EXPECT_EQ(RunProgram(folder, "-lang:de --help", output), 0);
    EXPECT_NE(output.find("Aufruf: tessaro"), std::string::npos) << output;
    EXPECT_NE(output.find("Rückgabewert:"), std::string::npos) << output;
}

// A mistyped option and an unknown language are named on the error output; the run goes on.
TEST(Program, IgnoredOptionsAreNamed)
{
    TTempFolder folder;
    MakeFolders(folder);
    std::string output;
    RunProgram(folder, "-frce -lang:fr -protocol -quiet", output);
    EXPECT_NE(output.find("Unknown option ignored: -frce\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Unknown language ignored: fr\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("-quiet"), std::string::npos) << output;
}
