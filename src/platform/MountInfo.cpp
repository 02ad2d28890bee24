#include "platform/MountInfo.h"

#include "platform/FileAttr.h"

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace Platform {

namespace {

// Replaces escapes of the form <lead><digits> (digits in the given base) by their byte.
std::string Unescape(const std::string& text, const std::string& lead, std::size_t digits, int base)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, lead.size(), lead) == 0 && i + lead.size() + digits <= text.size()) {
            const std::string code = text.substr(i + lead.size(), digits);
            const char* allowed = base == 8 ? "01234567" : "0123456789abcdefABCDEF";
            if (code.find_first_not_of(allowed) == std::string::npos) {
                out += static_cast<char>(std::strtol(code.c_str(), nullptr, base));
                i += lead.size() + digits - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// mountinfo writes blanks, tabs and backslashes as \ooo.
std::string UnescapeOctal(const std::string& text)
{
    return Unescape(text, "\\", 3, 8);
}

// /dev/disk/by-label writes unsafe characters as \xHH.
std::string UnescapeHex(const std::string& text)
{
    return Unescape(text, "\\x", 2, 16);
}

// gvfs folder names write characters as %HH.
std::string UnescapePercent(const std::string& text)
{
    return Unescape(text, "%", 2, 16);
}

bool IsPathPrefix(const std::string& prefix, const std::string& path)
{
    if (prefix == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path.compare(0, prefix.size(), prefix) == 0 && (path.size() == prefix.size() || path[prefix.size()] == '/');
}

std::string ReadSmallFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsOneOf(const std::string& value, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (value == name) {
            return true;
        }
    }
    return false;
}

bool BlockDeviceIsRemovable(unsigned major, unsigned minor)
{
    const std::string dev = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    char* real = realpath(dev.c_str(), nullptr);
    if (!real) {
        return false;
    }
    std::string path = real;
    std::free(real);
    // A partition's own folder has no "removable" file; its disk is the parent folder.
    for (int level = 0; level < 2 && path.size() > 1; ++level) {
        const std::string flag = ReadSmallFile(path + "/removable");
        if (!flag.empty()) {
            return flag[0] == '1';
        }
        path = path.substr(0, path.rfind('/'));
    }
    return false;
}

// Desktop automounters name the mount point after the label: /media/anna/STICK.
std::string LabelFromMediaFolder(const TMount& mount)
{
    for (const char* base : {"/media/", "/run/media/"}) {
        const std::string prefix = base;
        if (mount.MountPoint.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string rest = mount.MountPoint.substr(prefix.size());
        const auto slash = rest.find('/');
        if (slash != std::string::npos && rest.find('/', slash + 1) == std::string::npos) {
            return rest.substr(slash + 1);
        }
    }
    return {};
}

} // namespace

std::vector<TMount> ParseMountInfo(const std::string& text)
{
    std::vector<TMount> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, devno, root, point, options, field;
        if (!(fields >> id >> parent >> devno >> root >> point >> options)) {
            continue;
        }
        while (fields >> field && field != "-") {
        }
        TMount mount;
        if (!(fields >> mount.FsType >> mount.Source)) {
            continue;
        }
        const auto colon = devno.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        mount.Major = static_cast<unsigned>(std::strtoul(devno.c_str(), nullptr, 10));
        mount.Minor = static_cast<unsigned>(std::strtoul(devno.c_str() + colon + 1, nullptr, 10));
        mount.MountPoint = UnescapeOctal(point);
        mount.Source = UnescapeOctal(mount.Source);
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

std::vector<TMount> ReadMounts()
{
    return ParseMountInfo(ReadSmallFile("/proc/self/mountinfo"));
}

std::optional<TMount> MountHolding(const std::vector<TMount>& mounts, const std::string& hostPath)
{
    std::optional<TMount> best;
    for (const TMount& mount : mounts) {
        // Later lines mount over earlier ones at the same point, so ">=" keeps the visible one.
        if (IsPathPrefix(mount.MountPoint, hostPath) && (!best || mount.MountPoint.size() >= best->MountPoint.size())) {
            best = mount;
        }
    }
    return best;
}

int MountDriveType(const TMount& mount)
{
    const std::string& fs = mount.FsType;
    if (IsOneOf(fs, {"cifs", "smb3", "smbfs", "nfs", "nfs4", "ceph", "afs", "ncpfs", "davfs", "fuse.sshfs",
                     "fuse.gvfsd-fuse", "9p", "glusterfs", "fuse.rclone"})) {
        return DriveRemote;
    }
    if (IsOneOf(fs, {"tmpfs", "ramfs"})) {
        return DriveRamdisk;
    }
    if (IsOneOf(fs, {"iso9660", "udf"})) {
        return DriveCdrom;
    }
    if (mount.Major != 0 && BlockDeviceIsRemovable(mount.Major, mount.Minor)) {
        return DriveRemovable;
    }
    return DriveFixed;
}

std::string MountVolumeLabel(const TMount& mount, const std::string& byLabelDir)
{
    if (mount.Major == 0) {
        return {};
    }
    const dev_t wanted = makedev(mount.Major, mount.Minor);
    if (DIR* dir = opendir(byLabelDir.c_str())) {
        std::string label;
        while (dirent* entry = readdir(dir)) {
            struct stat st = {};
            const std::string path = byLabelDir + "/" + entry->d_name;
            if (entry->d_name[0] != '.' && stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
                st.st_rdev == wanted) {
                label = UnescapeHex(entry->d_name);
                break;
            }
        }
        closedir(dir);
        if (!label.empty()) {
            return label;
        }
    }
    return LabelFromMediaFolder(mount);
}

std::string ShareOfMount(const TMount& mount)
{
    if (!IsOneOf(mount.FsType, {"cifs", "smb3", "smbfs"})) {
        return {};
    }
    const std::string& src = mount.Source;
    if (src.size() < 5 || src.compare(0, 2, "//") != 0) {
        return {};
    }
    const auto slash = src.find('/', 2);
    if (slash == std::string::npos || slash + 1 >= src.size()) {
        return {};
    }
    std::string share = "\\\\" + src.substr(2, slash - 2) + "\\" + src.substr(slash + 1);
    for (char& c : share) {
        if (c == '/') {
            c = '\\';
        }
    }
    while (share.size() > 2 && share.back() == '\\') {
        share.pop_back();
    }
    return share;
}

std::vector<std::string> GvfsRoots()
{
    std::vector<std::string> roots;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        roots.push_back(std::string(runtime) + "/gvfs");
    }
    const std::string byUid = "/run/user/" + std::to_string(getuid()) + "/gvfs";
    if (roots.empty() || roots[0] != byUid) {
        roots.push_back(byUid);
    }
    return roots;
}

std::optional<TGvfsShare> GvfsShareOfPath(const std::string& hostPath)
{
    for (const std::string& root : GvfsRoots()) {
        if (!IsPathPrefix(root, hostPath) || hostPath.size() <= root.size() + 1) {
            continue;
        }
        const std::size_t start = root.size() + 1;
        const std::size_t end = hostPath.find('/', start);
        const std::string folder = hostPath.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (folder.compare(0, 10, "smb-share:") != 0) {
            continue;
        }
        std::string server, share;
        std::istringstream keys(folder.substr(10));
        std::string pair;
        while (std::getline(keys, pair, ',')) {
            const auto eq = pair.find('=');
            if (eq == std::string::npos) {
                continue;
            }
            const std::string key = pair.substr(0, eq);
            if (key == "server") {
                server = UnescapePercent(pair.substr(eq + 1));
            } else if (key == "share") {
                share = UnescapePercent(pair.substr(eq + 1));
            }
        }
        if (!server.empty() && !share.empty()) {
            std::string unc = "\\\\";
            unc.append(server).append("\\").append(share);
            return TGvfsShare{std::move(unc), std::string(root).append("/").append(folder)};
        }
    }
    return std::nullopt;
}

} // namespace Platform
