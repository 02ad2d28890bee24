#include "foundation/DriveUtils.h"

#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/HostInfo.h"
#include "platform/MountInfo.h"

const char* const DriveTypeNames[7] = {"unknown", "no root", "removable", "fixed", "remote", "CD-ROM", "Ram-Disk"};

int DriveTypeOfPath(const std::string& path)
{
    const int type = Platform::GetDriveType(path);
    return type >= DriveNoRootDir && type <= DriveRamdisk ? type : DriveUnknown;
}

int GetPathKind(const std::string& path)
{
    const std::string full = AddPathDelimiter(path);
    if (full.compare(0, 2, "\\\\") == 0) {
        return PathKindNetwork;
    }
    if (Platform::ExtractFileDrive(full).empty()) {
        return PathKindNoDrive;
    }
    switch (DriveTypeOfPath(full)) {
    case DriveNoRootDir:
        return PathKindInvalid;
    case DriveRemovable:
    case DriveCdrom:
        return PathKindRemovable;
    case DriveRemote:
        return PathKindNetwork;
    default:
        return PathKindLocal;
    }
}

bool GetVolumeName(const std::string& path, std::string& label)
{
    const std::string root = Platform::FindVolumeDrive(AddPathDelimiter(path));
    if (root.empty() || !Platform::DirectoryExists(root)) {
        label = TrUnits("not available");
        return false;
    }
    label = Platform::GetVolumeLabel(root);
    return true;
}

bool FindVolumeDrive(const std::string& label, std::string& root)
{
    root.clear();
    if (label.empty()) {
        return false;
    }
    for (const std::string& drive : Platform::LogicalDrives()) {
        if (SameTextIgnoringCase(Platform::GetVolumeLabel(drive), label)) {
            root = AddPathDelimiter(drive);
            return true;
        }
    }
    for (const Platform::TMount& mount : Platform::ReadMounts()) {
        if (!SameTextIgnoringCase(Platform::MountVolumeLabel(mount), label)) {
            continue;
        }
        if (const auto win = Platform::HostToWin(mount.MountPoint)) {
            root = AddPathDelimiter(*win);
            return true;
        }
    }
    return false;
}

std::string GetNetUserName()
{
    return Platform::HostUserName();
}

bool IsWritableFolder(const std::string& folder)
{
    const std::string dir = RemovePathDelimiter(folder);
    if (dir.empty()) {
        return false;
    }
    if (!Platform::DirectoryExists(dir) && Platform::ForceDirectories(dir) != 0) {
        return false;
    }
    for (int n = 0; n < 100; ++n) {
        const std::string name =
            AddPathDelimiter(dir) + (n == 0 ? std::string("test.tmp") : "test" + std::to_string(n) + ".tmp");
        auto file = Platform::CreateNewFile(name);
        if (!file) {
            if (Platform::LastError() == Platform::ErrorFileExists ||
                Platform::LastError() == Platform::ErrorAlreadyExists) {
                continue;
            }
            return false;
        }
        file->Close();
        file.reset();
        Platform::DeleteFile(name);
        return true;
    }
    return false;
}
