#pragma once

// Mounts of this process (/proc/self/mountinfo) and what Windows would call their drive type.
//   ParseMountInfo, ReadMounts, MountHolding, MountDriveType, MountVolumeLabel,
//   ShareOfMount, GvfsShareOfPath

#include <optional>
#include <string>
#include <vector>

namespace Platform {

struct TMount
{
    unsigned Major = 0;
    unsigned Minor = 0;
    std::string MountPoint;
    std::string FsType;
    std::string Source;
};

std::vector<TMount> ParseMountInfo(const std::string& text);
std::vector<TMount> ReadMounts();

// The mount whose mount point is the longest prefix of an absolute host path.
std::optional<TMount> MountHolding(const std::vector<TMount>& mounts, const std::string& hostPath);

int MountDriveType(const TMount& mount);
// From /dev/disk/by-label, else from a desktop mount point /media/<user>/<label>.
std::string MountVolumeLabel(const TMount& mount, const std::string& byLabelDir = "/dev/disk/by-label");

// "\\server\share" of a cifs/smb3 mount of //server/share; empty for other mounts.
std::string ShareOfMount(const TMount& mount);

// For a host path inside a gvfs smb-share folder: the share as "\\server\share" and
// the host folder of the share.
struct TGvfsShare
{
    std::string Share;
    std::string HostDir;
};
std::optional<TGvfsShare> GvfsShareOfPath(const std::string& hostPath);

// The gvfs folders that may hold smb-share mounts of this user.
std::vector<std::string> GvfsRoots();

} // namespace Platform
