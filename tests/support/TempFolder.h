#pragma once

// A fresh host folder for one test, removed with everything in it at the end.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TTempFolder
{
public:
    TTempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::abort();
        }
        path = pattern;
    }
    ~TTempFolder()
    {
        std::error_code ignored;
        // Read-only files and folders must not stop the clean-up.
        for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow,
                                         ignored);
        }
        std::filesystem::remove_all(path, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Host() const { return path; }
    std::string Host(const std::string& relative) const { return path + "/" + relative; }

    // Windows text of the folder on the default drive C: = "/".
    std::string Win() const { return ToWin(path); }
    std::string Win(const std::string& relative) const { return ToWin(path + "/" + relative); }

    void WriteHostFile(const std::string& relative, const std::string& contents) const
    {
        std::ofstream(Host(relative), std::ios::binary) << contents;
    }
    std::string ReadHostFile(const std::string& relative) const
    {
        std::ifstream in(Host(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    static std::string ToWin(std::string host)
    {
        for (char& c : host) {
            if (c == '/') {
                c = '\\';
            }
        }
        return "C:" + host;
    }
    std::string path;
};
