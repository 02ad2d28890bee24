#include "platform/Drives.h"

#include "platform/FileAttr.h"
#include "platform/MountInfo.h"
#include "platform/Utf8.h"
#include "platform/WinError.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Platform {

namespace {

constexpr char32_t CarryBase = 0xF000;
constexpr std::string_view ForbiddenInWinNames = "\\:*?\"<>|";

using TTable = std::vector<TDriveEntry>;

std::mutex tableMutex;
std::shared_ptr<const TTable> table;
int mountInfoFd = -1;
std::chrono::steady_clock::time_point nextMountCheck;

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char UpperLetter(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool IsHostPrefix(const std::string& prefix, const std::string& path)
{
    if (prefix == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path.compare(0, prefix.size(), prefix) == 0 && (path.size() == prefix.size() || path[prefix.size()] == '/');
}

std::string TrimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int ParseDriveType(const std::string& word)
{
    static const std::pair<const char*, int> names[] = {
        {"unknown", DriveUnknown},     {"noroot", DriveNoRootDir}, {"norootdir", DriveNoRootDir},
        {"removable", DriveRemovable}, {"fixed", DriveFixed},      {"remote", DriveRemote},
        {"network", DriveRemote},      {"cdrom", DriveCdrom},      {"ramdisk", DriveRamdisk}};
    const std::string lower = LowerUtf8(word);
    for (const auto& [name, type] : names) {
        if (lower == name) {
            return type;
        }
    }
    if (!word.empty() && word.find_first_not_of("0123456789") == std::string::npos) {
        return std::clamp(std::atoi(word.c_str()), DriveUnknown, DriveRamdisk);
    }
    return DriveUnknown;
}

std::string NormalDriveName(const std::string& name)
{
    std::string text = name;
    std::replace(text.begin(), text.end(), '/', '\\');
    if (text.size() == 1 && IsLetter(text[0])) {
        return std::string(1, UpperLetter(text[0])) + ":";
    }
    if (text.size() == 2 && IsLetter(text[0]) && text[1] == ':') {
        return std::string(1, UpperLetter(text[0])) + ":";
    }
    while (text.size() > 2 && text.back() == '\\') {
        text.pop_back();
    }
    return text;
}

std::string NormalHostDir(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    return dir;
}

void PutEntry(std::vector<TDriveEntry>& entries, TDriveEntry entry)
{
    for (TDriveEntry& existing : entries) {
        if (SameTextUtf8(existing.Name, entry.Name)) {
            existing = std::move(entry);
            return;
        }
    }
    entries.push_back(std::move(entry));
}

void AddEnvironmentEntries(std::vector<TDriveEntry>& entries)
{
    const char* env = std::getenv("TESSARO_DRIVES");
    if (!env) {
        return;
    }
    std::istringstream items(env);
    std::string item;
    while (std::getline(items, item, ';')) {
        const auto eq = item.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        TDriveEntry entry;
        entry.Name = NormalDriveName(TrimBlanks(item.substr(0, eq)));
        std::istringstream parts(item.substr(eq + 1));
        std::string part;
        std::getline(parts, part, ',');
        entry.HostDir = NormalHostDir(TrimBlanks(part));
        if (std::getline(parts, part, ',')) {
            entry.Type = ParseDriveType(TrimBlanks(part));
        }
        if (std::getline(parts, part)) {
            entry.Label = TrimBlanks(part);
        }
        entry.FromEnvironment = true;
        if (entry.Name.empty() || entry.HostDir.empty() || entry.HostDir[0] != '/') {
            continue;
        }
        PutEntry(entries, std::move(entry));
    }
}

std::vector<TDriveEntry> BuildTable()
{
    std::vector<TDriveEntry> entries;
    entries.push_back({"C:", "/", DriveUnknown, {}, false});
    for (const TMount& mount : ReadMounts()) {
        const std::string share = ShareOfMount(mount);
        if (!share.empty()) {
            PutEntry(entries, {share, mount.MountPoint, DriveRemote, {}, false});
        }
    }
    AddEnvironmentEntries(entries);
    return entries;
}

// mountinfo signals POLLPRI when the mount table changed since the last poll.
bool MountsChanged()
{
    if (mountInfoFd < 0) {
        mountInfoFd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        if (mountInfoFd < 0) {
            return false;
        }
        pollfd first{mountInfoFd, POLLPRI, 0};
        poll(&first, 1, 0);
        return true;
    }
    pollfd p{mountInfoFd, POLLPRI, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR)) != 0;
}

// Every path conversion asks for the table: the mount table is looked at no more than
// every few milliseconds, and callers share one snapshot instead of copying it.
constexpr std::chrono::milliseconds MountCheckInterval{50};

std::shared_ptr<const TTable> CurrentTable()
{
    std::lock_guard lock(tableMutex);
    const auto now = std::chrono::steady_clock::now();
    if (!table || now >= nextMountCheck) {
        nextMountCheck = now + MountCheckInterval;
        if (MountsChanged() || !table) {
            table = std::make_shared<const TTable>(BuildTable());
        }
    }
    return table;
}

const TDriveEntry* EntryByName(const std::vector<TDriveEntry>& entries, const std::string& name)
{
    for (const TDriveEntry& entry : entries) {
        if (SameTextUtf8(entry.Name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

// A share mounted through gvfs appears as a folder "smb-share:server=S,share=N[,...]".
std::optional<TDriveEntry> GvfsEntryByName(const std::string& share)
{
    for (const std::string& root : GvfsRoots()) {
        DIR* dir = opendir(root.c_str());
        if (!dir) {
            continue;
        }
        std::optional<TDriveEntry> found;
        while (dirent* item = readdir(dir)) {
            const auto gvfs = GvfsShareOfPath(root + "/" + item->d_name);
            if (gvfs && SameTextUtf8(gvfs->Share, share)) {
                found = TDriveEntry{gvfs->Share, gvfs->HostDir, DriveRemote, {}, false};
                break;
            }
        }
        closedir(dir);
        if (found) {
            return found;
        }
    }
    return std::nullopt;
}

// Path components with "." and ".." resolved; ".." never climbs above the root.
std::vector<std::string> SplitComponents(const std::string& path, char delimiter)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(delimiter, start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string_view part(path.data() + start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.emplace_back(part);
    }
    return parts;
}

// Every path conversion comes here: the components are appended in place, ".." taking
// back the last one but never the base already in host.
void AppendHostComponents(std::string& host, std::string_view rest, bool rooted)
{
    const std::size_t floor = host.size();
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string_view::npos) {
            end = rest.size();
        }
        const std::string_view part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            const auto slash = host.rfind('/');
            host.resize(slash == std::string::npos || slash < floor ? floor : slash);
            continue;
        }
        if (!host.empty() || rooted) {
            host += '/';
        }
        // Only names with carried characters (U+F000.., lead byte 0xEF) need converting.
        if (part.find('\xEF') == std::string_view::npos) {
            host.append(part);
        } else {
            host += WinNameToHost(std::string(part));
        }
    }
}

std::string JoinHost(const std::vector<std::string>& parts)
{
    std::string path;
    for (const std::string& part : parts) {
        path += "/" + part;
    }
    return path.empty() ? "/" : path;
}

std::optional<TDriveEntry> BestEntryForHost(const std::vector<TDriveEntry>& entries, const std::string& hostPath)
{
    std::optional<TDriveEntry> best;
    for (const TDriveEntry& entry : entries) {
        if (IsHostPrefix(entry.HostDir, hostPath) && (!best || entry.HostDir.size() >= best->HostDir.size())) {
            best = entry;
        }
    }
    // Only a path below a gvfs folder can name a share there; most paths are not.
    if (hostPath.find("/gvfs/smb-share:") == std::string::npos) {
        return best;
    }
    if (auto gvfs = GvfsShareOfPath(hostPath); gvfs && (!best || gvfs->HostDir.size() > best->HostDir.size())) {
        best = TDriveEntry{gvfs->Share, gvfs->HostDir, DriveRemote, {}, false};
    }
    return best;
}

std::string NearestExistingFolder(std::string hostPath)
{
    struct stat st = {};
    while (hostPath.size() > 1 && stat(hostPath.c_str(), &st) != 0) {
        const auto slash = hostPath.rfind('/');
        hostPath = slash == 0 || slash == std::string::npos ? "/" : hostPath.substr(0, slash);
    }
    return hostPath;
}

std::string RealPath(const std::string& hostPath)
{
    char* real = realpath(hostPath.c_str(), nullptr);
    if (!real) {
        return hostPath;
    }
    std::string result = real;
    std::free(real);
    return result;
}

// What answers drive type and label for a path: a table entry that knows them, else the mount.
struct TVolume
{
    std::optional<TDriveEntry> Entry;
    std::optional<TMount> Mount;
};

std::optional<TVolume> VolumeOf(const std::string& winPath)
{
    const auto host = WinToHost(winPath);
    if (!host || host->empty() || (*host)[0] != '/') {
        return std::nullopt;
    }
    TVolume volume;
    auto entry = BestEntryForHost(*CurrentTable(), *host);
    if (entry && (entry->Type != DriveUnknown || !entry->Label.empty())) {
        volume.Entry = entry;
        return volume;
    }
    volume.Mount = MountHolding(ReadMounts(), RealPath(NearestExistingFolder(*host)));
    return volume;
}

} // namespace

std::vector<TDriveEntry> DriveTable()
{
    return *CurrentTable();
}

void ReloadDriveTable()
{
    auto fresh = std::make_shared<const TTable>(BuildTable());
    std::lock_guard lock(tableMutex);
    table = std::move(fresh);
}

std::vector<std::string> LogicalDrives()
{
    std::vector<std::string> drives;
    for (const TDriveEntry& entry : *CurrentTable()) {
        if (entry.Name.size() == 2 && entry.Name[1] == ':') {
            drives.push_back(entry.Name + "\\");
        }
    }
    std::sort(drives.begin(), drives.end());
    return drives;
}

std::string HostNameToWin(const std::string& name)
{
    if (name.find_first_of(ForbiddenInWinNames) == std::string::npos) {
        return name;
    }
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (ForbiddenInWinNames.find(c) != std::string_view::npos) {
            AppendUtf8(out, CarryBase + static_cast<unsigned char>(c));
        } else {
            out += c;
        }
    }
    return out;
}

std::string WinNameToHost(const std::string& name)
{
    // Carried characters (U+F000..) all begin with the byte 0xEF.
    if (name.find('\xEF') == std::string::npos) {
        return name;
    }
    std::string out;
    out.reserve(name.size());
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(name, pos);
        if (cp > CarryBase && cp < CarryBase + 0x80 &&
            ForbiddenInWinNames.find(static_cast<char>(cp - CarryBase)) != std::string_view::npos) {
            out += static_cast<char>(cp - CarryBase);
        } else {
            out.append(name, start, pos - start);
        }
    }
    return out;
}

std::string ExtractFileDrive(const std::string& winPath)
{
    if (winPath.size() >= 2 && winPath[1] == ':' && IsLetter(winPath[0])) {
        return winPath.substr(0, 2);
    }
    const auto isDelim = [](char c) { return c == '\\' || c == '/'; };
    if (winPath.size() >= 2 && isDelim(winPath[0]) && isDelim(winPath[1])) {
        std::size_t delims = 0;
        std::size_t i = 2;
        for (; i < winPath.size(); ++i) {
            if (isDelim(winPath[i]) && ++delims == 2) {
                break;
            }
        }
        return winPath.substr(0, i);
    }
    return {};
}

bool IsFullWinPath(const std::string& winPath)
{
    const auto isDelim = [](char c) { return c == '\\' || c == '/'; };
    const std::string drive = ExtractFileDrive(winPath);
    if (drive.size() == 2) {
        return winPath.size() > 2 && isDelim(winPath[2]);
    }
    if (!drive.empty()) {
        const std::size_t split = drive.find_first_of("\\/", 2);
        return split != std::string::npos && split > 2 && split + 1 < drive.size();
    }
    return !winPath.empty() && isDelim(winPath[0]);
}

std::optional<std::string> WinToHost(const std::string& winPath)
{
    // Converted for every file a run touches: the common text, without '/', is read in place.
    if (winPath.find('/') != std::string::npos) {
        std::string text = winPath;
        std::replace(text.begin(), text.end(), '/', '\\');
        return WinToHost(text);
    }
    std::string drive = ExtractFileDrive(winPath);
    const std::string_view rest = std::string_view(winPath).substr(drive.size());
    std::string base;
    if (drive.empty() && !winPath.empty() && winPath[0] == '\\') {
        drive = "C:";
    }
    if (!drive.empty()) {
        const auto entries = CurrentTable();
        if (const TDriveEntry* entry = EntryByName(*entries, NormalDriveName(drive))) {
            base = entry->HostDir;
        } else if (auto gvfs = drive.size() > 2 ? GvfsEntryByName(NormalDriveName(drive)) : std::nullopt) {
            base = gvfs->HostDir;
        } else {
            return std::nullopt;
        }
    }
    std::string host;
    host.reserve(base.size() + rest.size() + 1);
    host = base == "/" ? "" : base;
    AppendHostComponents(host, rest, !base.empty());
    if (host.empty()) {
        return base.empty() ? std::string(".") : base;
    }
    return host;
}

std::optional<std::string> HostToWin(const std::string& hostPath)
{
    if (hostPath.empty() || hostPath[0] != '/') {
        return std::nullopt;
    }
    const std::string path = JoinHost(SplitComponents(hostPath, '/'));
    const auto entry = BestEntryForHost(*CurrentTable(), path);
    if (!entry) {
        return std::nullopt;
    }
    const std::string rest = entry->HostDir == "/" ? path : path.substr(entry->HostDir.size());
    std::string win = entry->Name;
    for (const std::string& part : SplitComponents(rest, '/')) {
        win += "\\" + HostNameToWin(part);
    }
    if (win == entry->Name) {
        win += "\\";
    }
    return win;
}

int GetDriveType(const std::string& winPath)
{
    const auto volume = VolumeOf(winPath);
    if (!volume) {
        return DriveNoRootDir;
    }
    if (volume->Entry) {
        return volume->Entry->Type;
    }
    return volume->Mount ? MountDriveType(*volume->Mount) : DriveUnknown;
}

std::string GetVolumeLabel(const std::string& winPath)
{
    const auto volume = VolumeOf(winPath);
    if (!volume) {
        return {};
    }
    if (volume->Entry) {
        return volume->Entry->Label;
    }
    return volume->Mount ? MountVolumeLabel(*volume->Mount) : std::string();
}

std::string FindVolumeDrive(const std::string& winPath)
{
    const auto volume = VolumeOf(winPath);
    if (!volume) {
        return {};
    }
    if (volume->Entry) {
        return volume->Entry->Name + "\\";
    }
    if (!volume->Mount) {
        return {};
    }
    return HostToWin(volume->Mount->MountPoint).value_or(std::string());
}

bool GetDiskFreeSpace(const std::string& winPath, std::uint64_t& freeToCaller, std::uint64_t& totalBytes,
                      std::uint64_t& totalFree)
{
    const auto host = WinToHost(winPath);
    if (!host) {
        SetLastError(ErrorPathNotFound);
        return false;
    }
    struct statvfs vfs = {};
    const std::string folder = NearestExistingFolder(host->empty() || (*host)[0] != '/' ? "." : *host);
    if (statvfs(folder.c_str(), &vfs) != 0) {
        SetLastError(ErrorFromErrno(errno, folder));
        return false;
    }
    freeToCaller = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    totalBytes = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    totalFree = static_cast<std::uint64_t>(vfs.f_bfree) * vfs.f_frsize;
    return true;
}

} // namespace Platform
