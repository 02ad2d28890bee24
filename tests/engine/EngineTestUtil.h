#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A private folder under the temporary folder, removed with the object.
class TTempDir
{
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-engine-XXXXXX").string();
        Path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TTempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(Path, ignored);
    }
    std::string File(const std::string& name) const { return Path + "/" + name; }
    std::string Path;
};

inline std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed = 1)
{
    std::vector<uint8_t> data(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : data) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return data;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string SourceDir()
{
    return TESSARO_SOURCE_DIR;
}
