#pragma once

#include "platform/FileSystem.h"

#include <memory>
#include <string>

namespace Platform {

// A scratch file that nobody else can see or replace: it lives in a private folder
// (mode 0700) of its own under the temporary folder ($TMPDIR or /tmp), is created
// exclusively with mode 0600, and both go when the object goes, on every path.
class TTempFile
{
public:
    // Creates the folder and the file `name` in it; nullptr on failure (LastError() tells why).
    static std::unique_ptr<TTempFile> Create(const std::string& name);
    ~TTempFile();
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    // The open file (read and write). Ownership may be taken; the file is still
    // removed when this object goes.
    std::unique_ptr<TFile> TakeFile() { return std::move(File); }
    TFile* OpenFile() const { return File.get(); }
    const std::string& HostPath() const { return FilePath; }

private:
    TTempFile(std::string folder, std::string file, std::unique_ptr<TFile> handle);

    std::string FolderPath;
    std::string FilePath;
    std::unique_ptr<TFile> File;
};

} // namespace Platform
