#include "platform/TempFiles.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

std::string TemporaryRoot()
{
    const char* dir = std::getenv("TMPDIR");
    std::string root = dir && *dir ? dir : "/tmp";
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

} // namespace

TTempFile::TTempFile(std::string folder, std::string file, std::unique_ptr<TFile> handle)
    : FolderPath(std::move(folder)), FilePath(std::move(file)), File(std::move(handle))
{}

std::unique_ptr<TTempFile> TTempFile::Create(const std::string& name)
{
    std::string folder = TemporaryRoot() + "/tessaro-XXXXXX";
    if (!mkdtemp(folder.data())) { // mkdtemp makes it 0700
        SetLastError(ErrorFromErrno(errno, folder));
        return nullptr;
    }
    const std::string path = folder + "/" + name;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno, path));
        rmdir(folder.c_str());
        return nullptr;
    }
    return std::unique_ptr<TTempFile>(new TTempFile(folder, path, std::make_unique<TFile>(fd, path)));
}

TTempFile::~TTempFile()
{
    File.reset();
    unlink(FilePath.c_str());
    rmdir(FolderPath.c_str());
}

} // namespace Platform
