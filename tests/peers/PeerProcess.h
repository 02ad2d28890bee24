#pragma once

// Starts a helper script of tests/peers/ that prints "PORT <n>" once it listens on
// 127.0.0.1, and stops it again. Test-only code: plain POSIX is fine here.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

class TPeerProcess
{
public:
    TPeerProcess() = default;
    ~TPeerProcess() { Stop(); }
    TPeerProcess(const TPeerProcess&) = delete;
    TPeerProcess& operator=(const TPeerProcess&) = delete;

    // Script path relative to tests/peers/; runs on Debian's python3 (its python3-* packages).
    bool Start(const std::string& script, const std::vector<std::string>& args)
    {
        Stop();
        std::vector<std::string> words = {"/usr/bin/python3", PeersDir() + script};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (rc != 0) {
            close(out[0]);
            m_pid = -1;
            return false;
        }
        FILE* in = fdopen(out[0], "r");
        char line[256] = {};
        unsigned port = 0;
        while (std::fgets(line, sizeof line, in)) {
            if (std::sscanf(line, "PORT %u", &port) == 1) {
                break;
            }
        }
        std::fclose(in);
        m_port = static_cast<uint16_t>(port);
        if (m_port == 0) {
            Stop();
        }
        return m_port != 0;
    }

    void Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
            m_pid = -1;
        }
    }

    uint16_t Port() const { return m_port; }

    static std::string PeersDir()
    {
        const char* env = std::getenv("TESSARO_SOURCE_DIR");
        return std::string(env && *env ? env : TESSARO_SOURCE_DIR) + "/tests/peers/";
    }

private:
    pid_t m_pid = -1;
    uint16_t m_port = 0;
};
