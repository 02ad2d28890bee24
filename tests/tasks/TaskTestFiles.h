#pragma once

// Temporary folders and raw file access for the task tests.

#include "platform/Drives.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

class TTaskTestDir
{
public:
    TTaskTestDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-tasks-XXXXXX").string();
        host = mkdtemp(pattern.data());
    }
    ~TTaskTestDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(host, std::filesystem::perms::owner_all, ignored);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(host, ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, ignored);
        }
        std::filesystem::remove_all(host, ignored);
    }
    TTaskTestDir(const TTaskTestDir&) = delete;
    TTaskTestDir& operator=(const TTaskTestDir&) = delete;

    // Host path of a name inside the folder.
    std::string Host(const std::string& name = {}) const { return name.empty() ? host : host + "/" + name; }
    // Windows path text of a name inside the folder.
    std::string Win(const std::string& name = {}) const { return Platform::HostToWin(Host(name)).value_or(""); }

    void Write(const std::string& name, const std::string& contents) const
    {
        std::ofstream(Host(name), std::ios::binary) << contents;
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Host(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void MakeDir(const std::string& name) const { std::filesystem::create_directories(Host(name)); }

private:
    std::string host;
};

// An INI text as written: sections in order, each with its keys and values in order.
using TIniLayout = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

inline TIniLayout ParseIniLayout(const std::string& text)
{
    TIniLayout layout;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            layout.push_back({line.substr(1, line.find(']') - 1), {}});
        } else if (!layout.empty()) {
            const size_t eq = line.find('=');
            layout.back().second.push_back({line.substr(0, eq), line.substr(eq + 1)});
        }
    }
    return layout;
}
