#include "TempFolder.h"
#include "tasks/TaskFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

// The program itself, started as a user would start it from a shell script.

namespace {

std::string ProgramFile()
{
    std::string dir = TESSARO_LOCALE_BUILD_DIR;
    return dir.substr(0, dir.rfind('/')) + "/tessaro";
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
    for (const char* dir : {"home", "config/Tessaro", "run", "source", "dest"}) {
        std::filesystem::create_directories(folder.Host(dir));
    }
    std::filesystem::permissions(folder.Host("run"), std::filesystem::perms::owner_all);
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
