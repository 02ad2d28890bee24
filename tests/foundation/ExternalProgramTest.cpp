#include "foundation/ExternalProgram.h"

#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <thread>

namespace {

// A shell script in the folder, executable.
void WriteScript(const TTempFolder& folder, const std::string& name, const std::string& body)
{
    folder.WriteHostFile(name, "#!/bin/sh\n" + body + "\n");
    ::chmod(folder.Host(name).c_str(), 0755);
}

// A zombie stays in /proc until its parent reaps it.
bool ProcessGone(int pid)
{
    for (int i = 0; i < 500 && std::filesystem::exists("/proc/" + std::to_string(pid)); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !std::filesystem::exists("/proc/" + std::to_string(pid));
}

} // namespace

TEST(SplitWindowsCommandLine, FollowsTheQuotingRulesOfWindowsPrograms)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {R"(prog a b)", {"prog", "a", "b"}},
        {R"(  "C:\Program Files\x.exe"  "a b"   c )", {R"(C:\Program Files\x.exe)", "a b", "c"}},
        {R"(p C:\dir\ "q r")", {"p", R"(C:\dir\)", "q r"}},
        {R"(p a\\"b c" d)", {"p", R"(a\b c)", "d"}},
        {R"(p a\"b)", {"p", R"(a"b)"}},
        {R"(p "say ""hi""")", {"p", R"(say "hi")"}},
        {R"(p "")", {"p", ""}},
        {R"(C:\dir\"x" y)", {R"(C:\dir\x)", "y"}},
        {"", {}},
    };
    for (const auto& [line, words] : cases) {
        EXPECT_EQ(SplitWindowsCommandLine(line), words) << line;
    }
}

TEST(RunProgramWithOutput, ReturnsTheExitCodeInEveryMode)
{
    TTempFolder dir;
    for (const int timeout : {0, 30, -30}) {
        std::string captured;
        const TProgramOutput sink = [&captured](const std::string& text) { captured += text; };
        EXPECT_EQ(RunProgramWithOutput(R"(sh -c "echo out; exit 3")", dir.Win(), timeout, false, sink), 3) << timeout;
        EXPECT_EQ(captured, timeout == 0 ? "" : "out\n") << timeout;
    }
}

TEST(RunProgramWithOutput, ShowsOrDropsOutputWithoutATarget)
{
    TTempFolder dir;
    std::string shown;
    int seconds = 0;
    const auto previous = SetProgramOutputWindow([&](const std::string& text, int display) {
        shown = text;
        seconds = display;
    });
    EXPECT_EQ(RunProgramWithOutput("sh -c \"echo shown\"", dir.Win(), 7, false), 0);
    EXPECT_EQ(shown, "shown\n");
    EXPECT_EQ(seconds, 7);
    shown.clear();
    EXPECT_EQ(RunProgramWithOutput("sh -c \"echo dropped\"", dir.Win(), -7, false), 0);
    EXPECT_EQ(shown, "");
    SetProgramOutputWindow(previous);
}

TEST(RunProgramWithOutput, TimeOutLeavesTheProgramRunningAndReapsItLater)
{
    TTempFolder dir;
    WriteScript(dir, "slow.sh", "echo $$ > pid; echo early; exec sleep 30");
    std::string captured;
    const TProgramOutput sink = [&captured](const std::string& text) { captured += text; };
    EXPECT_EQ(RunProgramWithOutput("slow.sh", dir.Win(), -2, false, sink), ProgramTimedOut);
    EXPECT_EQ(captured, "") << "no output after a time-out";
    const int pid = std::stoi(dir.ReadHostFile("pid"));
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGTERM);
    EXPECT_TRUE(ProcessGone(pid)) << "left as a zombie";

    EXPECT_EQ(RunProgramWithOutput("slow.sh", dir.Win(), -1, true, sink), ProgramStillActive);
    ::kill(std::stoi(dir.ReadHostFile("pid")), SIGTERM);
}

TEST(RunProgramWithOutput, ReportsMissingProgramsAsWindowsErrors)
{
    TTempFolder dir;
    EXPECT_EQ(RunProgramWithOutput("no-such-program-here arg", dir.Win(), -5, false), -2);
    EXPECT_EQ(RunProgramWithOutput(dir.Win("missing.sh"), dir.Win(), 0, false), -2);
    EXPECT_EQ(RunProgramWithOutput("sh -c true", dir.Win("no-folder"), -5, false), -2);
}

TEST(RunProgramWithOutput, ReadsLargeOutputCompletelyWhileWaiting)
{
    TTempFolder dir;
    std::string captured;
    const TProgramOutput sink = [&captured](const std::string& text) { captured += text; };
    // Far more than a pipe holds: a reader that waits for the end would time out.
    ASSERT_EQ(RunProgramWithOutput("seq 1 200000", dir.Win(), -60, false, sink), 0);
    EXPECT_EQ(std::count(captured.begin(), captured.end(), '\n'), 200000);
    EXPECT_EQ(captured.substr(0, 4), "1\n2\n");
    EXPECT_EQ(captured.substr(captured.size() - 7), "200000\n");
}

TEST(RunProgramWithOutput, FindsRelativeProgramsInTheWorkingFolderAndMapsPaths)
{
    TTempFolder dir;
    std::filesystem::create_directories(dir.Host("tools"));
    WriteScript(dir, "tools/args.sh", "printf '%s|' \"$@\"; pwd");
    WriteScript(dir, "here.sh", "exit 7");
    std::string captured;
    const TProgramOutput sink = [&captured](const std::string& text) { captured += text; };
    const std::string line = "tools\\args.sh \"" + dir.Win("a b") + "\" plain";
    ASSERT_EQ(RunProgramWithOutput(line, dir.Win(), -10, false, sink), 0);
    EXPECT_EQ(captured, dir.Host("a b") + "|plain|" + dir.Host() + "\n");
    EXPECT_EQ(RunProgramWithOutput("here.sh", dir.Win(), -10, false), 7);
}
