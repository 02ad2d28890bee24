#include "shell/InstanceGuard.h"

#include "EnvGuard.h"
#include "TempFolder.h"
#include "shell/CommandLine.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

const char* const RoleVariable = "TESSARO_GUARD_CHILD";

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

void AppendLine(const std::string& file, const std::string& line)
{
    std::ofstream(file, std::ios::app) << line << "\n" << std::flush;
}

const char* OutcomeName(TGuardOutcome outcome)
{
    switch (outcome) {
    case TGuardOutcome::FirstInstance:
        return "first";
    case TGuardOutcome::BesideOther:
        return "beside";
    case TGuardOutcome::RunHere:
        return "runhere";
    case TGuardOutcome::Exit:
        break;
    }
    return "exit";
}

// One start of the program as a separate process (this test program run again).
class TStart
{
public:
    TStart(const std::string& runtimeDir, const std::string& outFile, const std::vector<std::string>& params,
           int note = 6)
    {
        std::string joined;
        for (const std::string& param : params) {
            joined += param + "\n";
        }
        std::vector<std::string> env = {std::string(RoleVariable) + "=1", "XDG_RUNTIME_DIR=" + runtimeDir,
                                        "TESSARO_GUARD_OUT=" + outFile, "TESSARO_GUARD_ARGS=" + joined,
                                        "TESSARO_GUARD_NOTE=" + std::to_string(note)};
        for (char** e = environ; *e; ++e) {
            if (std::string(*e).rfind("XDG_RUNTIME_DIR=", 0) != 0) {
                env.emplace_back(*e);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        std::string self = "/proc/self/exe";
        std::string filter = "--gtest_filter=GuardChild.Start";
        char* argv[] = {self.data(), filter.data(), nullptr};
        if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0) {
            pid = -1;
        }
    }
    ~TStart()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            Wait();
        }
    }
    TStart(const TStart&) = delete;
    TStart& operator=(const TStart&) = delete;

    void Kill() { kill(pid, SIGKILL); }
    // Exit status; -1 when it did not end within the limit.
    int Wait()
    {
        int status = 0;
        for (int i = 0; i < 3000; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    pid_t pid = -1;
};

std::string ReadAll(const std::string& file)
{
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits until the file holds the line; false after 30 s.
bool WaitForLine(const std::string& file, const std::string& line)
{
    for (int i = 0; i < 3000; ++i) {
        if (ReadAll(file).find(line + "\n") != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

struct TSession
{
    TTempFolder folder;
    std::string runtime = folder.Host("run");
    TSession() { mkdir(runtime.c_str(), 0700); }
    std::string Out(const std::string& name) const { return folder.Host(name); }
};

} // namespace

// The child's side: the guard of one start, then (first instance) the requests it gets.
TEST(GuardChild, Start)
{
    if (Env(RoleVariable).empty()) {
        GTEST_SKIP() << "started by the instance tests only";
    }
    const std::string out = Env("TESSARO_GUARD_OUT");
    std::vector<std::string> params;
    std::istringstream args(Env("TESSARO_GUARD_ARGS"));
    for (std::string line; std::getline(args, line);) {
        params.push_back(line);
    }
    const int note = std::atoi(Env("TESSARO_GUARD_NOTE").c_str());
    uint8_t flags = ScanStartFlags(params);
    TInstanceGuard guard(Env("XDG_RUNTIME_DIR"));
    const TGuardOutcome outcome =
        guard.Run(params, flags, "Tessaro (Vers. 4.2.6)", [&](const std::string&, const std::string& task) {
            AppendLine(out, "note " + task);
            return note;
        });
    AppendLine(out, std::string("outcome ") + OutcomeName(outcome) + " " + std::to_string(flags));
    if (outcome != TGuardOutcome::FirstInstance) {
        std::_Exit(0);
    }
    for (int rounds = 0; rounds < 600; ++rounds) {
        pollfd wait{guard.Server()->Fd(), POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0) {
            continue;
        }
        if (const auto request = guard.Server()->ReadRequest()) {
            AppendLine(out, InstanceRequestLine(*request));
            if (request->Kind == TInstanceRequestKind::Close) {
                std::_Exit(0);
            }
        }
    }
    std::_Exit(1);
}

TEST(InstanceGuard, SecondStartsHandOverActivateOrEnd)
{
    TSession s;
    TStart first(s.runtime, s.Out("first"), {});
    ASSERT_TRUE(WaitForLine(s.Out("first"), "outcome first 0"));

    // A task file: the start note, then hand-over and activation.
    TStart second(s.runtime, s.Out("second"), {"/home/anna/daily.job"});
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(ReadAll(s.Out("second")), "note C:\\home\\anna\\daily.buj\noutcome exit 0\n");
    EXPECT_TRUE(WaitForLine(s.Out("first"), "TASK C:\\home\\anna\\daily.job"));
    EXPECT_TRUE(WaitForLine(s.Out("first"), "ACTIVATE"));

    // No parameters: activation only; /auto: nothing at all.
    TStart third(s.runtime, s.Out("third"), {});
    EXPECT_EQ(third.Wait(), 0);
    TStart automatic(s.runtime, s.Out("auto"), {"/auto"});
    EXPECT_EQ(automatic.Wait(), 0);
    EXPECT_EQ(ReadAll(s.Out("auto")), "outcome exit 2\n");

    // Batch starts run beside it; with an end action they close it first.
    TStart batch(s.runtime, s.Out("batch"), {"-force", "/home/anna/daily.buj"});
    EXPECT_EQ(batch.Wait(), 0);
    EXPECT_EQ(ReadAll(s.Out("batch")), "outcome beside 1\n");
    TStart closing(s.runtime, s.Out("closing"), {"-force", "-end:poweroff"});
    EXPECT_EQ(closing.Wait(), 0);
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(ReadAll(s.Out("first")), "outcome first 0\n"
                                       "TASK C:\\home\\anna\\daily.job\n"
                                       "ACTIVATE\n"
                                       "ACTIVATE\n"
                                       "CLOSE\n");
}

TEST(InstanceGuard, StartNoteAnswers)
{
    TSession s;
    TStart first(s.runtime, s.Out("first"), {});
    ASSERT_TRUE(WaitForLine(s.Out("first"), "outcome first 0"));
    TStart runHere(s.runtime, s.Out("start"), {"-q", "/home/anna/x.buj"}, 1);
    EXPECT_EQ(runHere.Wait(), 0);
    EXPECT_EQ(ReadAll(s.Out("start")), "note C:\\home\\anna\\x.buj\noutcome runhere 8\n");
    TStart cancelled(s.runtime, s.Out("cancel"), {"/home/anna/x.buj"}, 2);
    EXPECT_EQ(cancelled.Wait(), 0);
    EXPECT_EQ(ReadAll(s.Out("cancel")), "note C:\\home\\anna\\x.buj\noutcome exit 0\n");
    EXPECT_TRUE(SendInstanceRequest(s.runtime, {TInstanceRequestKind::Close, {}}));
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(ReadAll(s.Out("first")), "outcome first 0\nCLOSE\n");
}

TEST(InstanceGuard, NextStartAfterTheFirstWasKilled)
{
    TSession s;
    TStart first(s.runtime, s.Out("first"), {});
    ASSERT_TRUE(WaitForLine(s.Out("first"), "outcome first 0"));
    first.Kill();
    first.Wait();
    TStart next(s.runtime, s.Out("next"), {"/auto"});
    ASSERT_TRUE(WaitForLine(s.Out("next"), "outcome first 2"));
    TStart another(s.runtime, s.Out("another"), {});
    EXPECT_EQ(another.Wait(), 0);
    EXPECT_TRUE(WaitForLine(s.Out("next"), "ACTIVATE"));
    EXPECT_TRUE(SendInstanceRequest(s.runtime, {TInstanceRequestKind::Close, {}}));
    EXPECT_EQ(next.Wait(), 0);
}

TEST(InstanceGuard, RequestLinesAreBounded)
{
    const std::string longest(MaxHandOverName, 'x');
    ASSERT_TRUE(ParseInstanceRequest("TASK " + longest));
    EXPECT_EQ(ParseInstanceRequest("TASK " + longest)->TaskName, longest);
    EXPECT_FALSE(ParseInstanceRequest("TASK " + longest + "x"));
    EXPECT_FALSE(ParseInstanceRequest("TASK "));
    EXPECT_FALSE(ParseInstanceRequest("task a"));
    EXPECT_FALSE(ParseInstanceRequest(std::string("TASK a\0b", 8)));
    EXPECT_EQ(ParseInstanceRequest("CLOSE")->Kind, TInstanceRequestKind::Close);
    EXPECT_EQ(ParseInstanceRequest("ACTIVATE")->Kind, TInstanceRequestKind::Activate);

    TSession s;
    TInstanceServer server;
    ASSERT_TRUE(server.Listen(s.runtime));
    std::vector<std::optional<TInstanceRequest>> received;
    std::thread serve([&] {
        for (int i = 0; i < 2; ++i) {
            pollfd wait{server.Fd(), POLLIN, 0};
            poll(&wait, 1, 10000);
            received.push_back(server.ReadRequest());
        }
    });
    EXPECT_FALSE(SendInstanceRequest(s.runtime, {TInstanceRequestKind::HandOver, std::string(100000, 'y')}));
    EXPECT_FALSE(SendInstanceRequest(s.runtime, {TInstanceRequestKind::HandOver, "a\nCLOSE"}));
    EXPECT_TRUE(SendInstanceRequest(s.runtime, {TInstanceRequestKind::HandOver, "C:\\a b\\ü.buj"}));
    serve.join();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_FALSE(received[0]);
    ASSERT_TRUE(received[1]);
    EXPECT_EQ(received[1]->TaskName, "C:\\a b\\ü.buj");
}
