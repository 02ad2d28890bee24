#include "restore/BackupLayout.h"

#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

#include <algorithm>

namespace {

constexpr char Delim = '\\';

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path) {
        if (c == Delim || c == '/') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

std::string JoinFrom(const std::vector<std::string>& parts, std::size_t first)
{
    std::string out;
    for (std::size_t i = first; i < parts.size(); ++i) {
        out += (out.empty() ? "" : "\\") + parts[i];
    }
    return out;
}

// "\\server\share" as the drive table names it, or empty when it knows no such share.
std::string KnownShare(const std::string& server, const std::string& share)
{
    const std::string name = "\\\\" + server + "\\" + share;
    for (const auto& entry : Platform::DriveTable()) {
        if (SameTextIgnoringCase(entry.Name, name)) {
            return entry.Name;
        }
    }
    return {};
}

std::vector<std::string> SubfolderNames(const std::string& folder, const std::function<bool()>& cancelled)
{
    std::vector<std::string> names;
    Platform::TSearchRec rec;
    if (Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec) != 0) {
        return names;
    }
    do {
        if ((rec.Attr & faDirectory) != 0) {
            names.push_back(rec.Name);
        }
    } while (!(cancelled && cancelled()) && Platform::FindNext(rec) == 0);
    Platform::FindClose(rec);
    return names;
}

} // namespace

std::string DriveOfFolder(const std::string& name, bool ignoreCase)
{
    if (name.size() != 3) {
        return {};
    }
    const bool prefix = ignoreCase ? StartsWithIgnoringCase(name, "Lw") : name.compare(0, 2, "Lw") == 0;
    const char letter = name[2];
    const bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (!prefix || !isLetter) {
        return {};
    }
    return std::string(1, static_cast<char>(letter & ~0x20)) + ":";
}

std::string OriginOfBackupFolder(const std::string& folder, bool ignoreCase)
{
    const std::string drive = Platform::ExtractFileDrive(folder);
    const std::vector<std::string> parts = SplitComponents(folder.substr(drive.size()));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string letterDrive = DriveOfFolder(parts[i], ignoreCase);
        if (!letterDrive.empty()) {
            return letterDrive + "\\" + JoinFrom(parts, i + 1);
        }
        if (i + 1 < parts.size()) {
            const std::string share = KnownShare(parts[i], parts[i + 1]);
            if (!share.empty()) {
                return share + "\\" + JoinFrom(parts, i + 2);
            }
        }
    }
    return {};
}

std::vector<TDriveFolder> DriveFoldersIn(const std::string& root, bool ignoreCase,
                                         const std::function<bool()>& cancelled)
{
    std::vector<TDriveFolder> letters;
    std::vector<TDriveFolder> shares;
    const std::string base = AddPathDelimiter(root);
    for (const std::string& name : SubfolderNames(root, cancelled)) {
        if (cancelled && cancelled()) {
            break;
        }
        const std::string drive = DriveOfFolder(name, ignoreCase);
        if (!drive.empty()) {
            letters.push_back({base + name, drive + "\\"});
            continue;
        }
        for (const std::string& shareName : SubfolderNames(base + name, cancelled)) {
            const std::string share = KnownShare(name, shareName);
            if (!share.empty()) {
                std::string folder = base + name;
                folder.append("\\").append(shareName);
                shares.push_back({std::move(folder), share + "\\"});
            }
        }
    }
    letters.insert(letters.end(), shares.begin(), shares.end());
    return letters;
}
