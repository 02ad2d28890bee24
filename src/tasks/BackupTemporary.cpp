#include "tasks/BackupTemporary.h"

#include "platform/DestFolder.h"
#include "platform/FileSystem.h"

#include <mutex>
#include <random>

namespace {

constexpr std::string_view TemporaryPrefix = ".tessaro-";
constexpr std::string_view TemporarySuffix = ".part";
constexpr std::size_t TemporaryDigits = 16;

constexpr std::string_view SecurityPrefix = ".~";
constexpr std::string_view SecuritySuffix = ".tsbak";

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool IsBackupTemporaryName(std::string_view name)
{
    if (name.size() != TemporaryPrefix.size() + TemporaryDigits + TemporarySuffix.size() ||
        !name.starts_with(TemporaryPrefix) || !name.ends_with(TemporarySuffix)) {
        return false;
    }
    const std::string_view digits = name.substr(TemporaryPrefix.size(), TemporaryDigits);
    for (char c : digits) {
        if (!IsHexDigit(c)) {
            return false;
        }
    }
    return true;
}

std::string MakeBackupTemporaryName(std::uint64_t random)
{
    // Made once per copied file: written by hand, as formatting costs more than the name.
    std::string name;
    name.reserve(TemporaryPrefix.size() + TemporaryDigits + TemporarySuffix.size());
    name.append(TemporaryPrefix);
    for (std::size_t digit = TemporaryDigits; digit-- > 0;) {
        name.push_back("0123456789abcdef"[(random >> (4 * digit)) & 0xF]);
    }
    name.append(TemporarySuffix);
    return name;
}

bool IsSecurityCopyName(std::string_view name, std::string* finalName)
{
    if (!name.starts_with(SecurityPrefix) || !name.ends_with(SecuritySuffix)) {
        return false;
    }
    std::string_view rest =
        name.substr(SecurityPrefix.size(), name.size() - SecurityPrefix.size() - SecuritySuffix.size());
    // rest = final name + "." + number
    std::size_t digitsStart = rest.size();
    while (digitsStart > 0 && IsDigit(rest[digitsStart - 1])) {
        --digitsStart;
    }
    if (digitsStart == rest.size() || digitsStart < 2 || rest[digitsStart - 1] != '.') {
        return false;
    }
    if (finalName) {
        *finalName = std::string(rest.substr(0, digitsStart - 1));
    }
    return true;
}

std::unique_ptr<Platform::TFile> CreateBackupTemporary(const Platform::TDestFolder& folder, std::string& name)
{
    static std::mutex mutex;
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::uint64_t value = 0;
        {
            std::lock_guard lock(mutex);
            value = random();
        }
        name = MakeBackupTemporaryName(value);
        // Nobody else knows the random name: a lock would only cost a call per file.
        if (auto file = folder.CreateNewFile(name, Platform::TShare::ReadWrite)) {
            return file;
        }
        if (Platform::LastError() != Platform::ErrorFileExists) {
            break;
        }
    }
    name.clear();
    return nullptr;
}

std::vector<std::string> RemoveBackupTemporaries(const Platform::TDestFolder& folder)
{
    std::vector<std::string> found;
    Platform::TSearchRec rec;
    if (Platform::FindFirst(folder.PathOf("*"), faAnyFile, rec) == 0) {
        do {
            if ((rec.Attr & faDirectory) == 0 && IsBackupTemporaryName(rec.Name)) {
                found.push_back(rec.Name);
            }
        } while (Platform::FindNext(rec) == 0);
    }
    Platform::FindClose(rec);
    std::vector<std::string> removed;
    for (const std::string& name : found) {
        if (folder.DeleteFile(name) == 0) {
            removed.push_back(folder.PathOf(name));
        }
    }
    return removed;
}
