#pragma once

// Names and places of the zip archives of the zip destination modes:
//   MakeZipName       the archive name from the task's zip-name text;
//   TTempArchive      "TsTemp.zip", the archive an FTP run builds before uploading it.

#include <memory>
#include <string>

namespace Platform {
class TTempFile;
}

inline constexpr const char* TempArchiveName = "TsTemp.zip";

// Placeholders expanded; an empty text gives "TSU" + today (yyyy-mm-dd); the extension
// always becomes ".zip".
std::string MakeZipName(const std::string& text);

// "TsTemp.zip" in a private temporary folder; file and folder go with the object, on
// every path (errors and cancel included).
class TTempArchive
{
public:
    // nullptr when the folder or the file cannot be made.
    static std::unique_ptr<TTempArchive> Create();
    ~TTempArchive();
    TTempArchive(const TTempArchive&) = delete;
    TTempArchive& operator=(const TTempArchive&) = delete;

    // Windows path text of the archive.
    const std::string& Path() const { return WinPath; }

private:
    TTempArchive(std::unique_ptr<Platform::TTempFile> file, std::string path);

    std::unique_ptr<Platform::TTempFile> File;
    std::string WinPath;
};
