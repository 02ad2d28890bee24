#pragma once

// Temporary folders and the layout of written INI files for the task tests.

#include "TempFolder.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using TTaskTestDir = TTempFolder;

inline void MakeDir(const TTempFolder& folder, const std::string& relative)
{
    std::filesystem::create_directories(folder.Host(relative));
}

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
