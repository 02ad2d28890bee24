#include "tasks/ZipDest.h"

#include "foundation/DateUtils.h"
#include "foundation/PathUtils.h"
#include "platform/Drives.h"
#include "platform/TempFiles.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"

std::string MakeZipName(const std::string& text)
{
    std::string name;
    if (text.empty()) {
        name = "TSU" + TaskDateText(Date());
    } else {
        name = ExpandPlaceholders(true, ExpandPlaceholders(false, text));
    }
    return ReplaceExtension(name, "zip");
}

std::unique_ptr<TTempArchive> TTempArchive::Create()
{
    auto file = Platform::TTempFile::Create(TempArchiveName);
    if (!file) {
        return nullptr;
    }
    const auto path = Platform::HostToWin(file->HostPath());
    if (!path) {
        return nullptr;
    }
    // The zip writer opens the archive by its name; this handle is not needed.
    file->TakeFile().reset();
    return std::unique_ptr<TTempArchive>(new TTempArchive(std::move(file), *path));
}

TTempArchive::TTempArchive(std::unique_ptr<Platform::TTempFile> file, std::string path)
    : File(std::move(file)), WinPath(std::move(path))
{}

TTempArchive::~TTempArchive() = default;
