// Searching folders: FindFirst, FindNext and FindClose over a folder's entries, with the
// attribute and name tests of Windows searches.

#include "platform/Drives.h"
#include "platform/FileSystemParts.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>

namespace Platform {

namespace {

bool PassesAttrMask(std::uint32_t entryAttr, std::uint32_t mask)
{
    const std::uint32_t excluded = ~mask & (faHidden | faSysFile | faVolumeID | faDirectory);
    return (entryAttr & excluded) == 0;
}

bool HasWildcards(const std::string& mask)
{
    return mask.find_first_of("*?") != std::string::npos;
}

std::u32string ToCodePoints(const std::string& text)
{
    std::u32string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        out += FoldCodePoint(NextCodePoint(text, pos));
    }
    return out;
}

bool GlobMatch(const std::u32string& name, const std::u32string& mask)
{
    std::size_t n = 0, m = 0, starMask = std::u32string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n, ++m;
        } else if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::u32string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') {
        ++m;
    }
    return m == mask.size();
}

} // namespace

struct TSearchState
{
    // Open while names are left to look at: they are looked at relative to it.
    std::unique_ptr<DIR, int (*)(DIR*)> Dir{nullptr, closedir};
    std::string HostDir;
    std::uint32_t Mask = 0;
    std::vector<std::pair<std::string, std::string>> Names; // win name, host name
    std::size_t Next = 0;
    std::vector<std::string> Links; // passed over
    // A large folder's entries are looked at a block ahead, by several threads side by side:
    // Ahead[i] is Names[AheadFirst + i]'s, when AheadFound[i] is set.
    std::vector<struct statx> Ahead;
    std::vector<char> AheadFound;
    std::size_t AheadFirst = 0;
};

namespace {

// From this many names a folder's entries are looked at ahead, in blocks of StatAheadBlock
// (a block's results take about 2 MiB), by up to StatAheadThreads threads: one statx after
// the other is what listing a folder of a hundred thousand files mostly waits for.
constexpr std::size_t StatAheadFrom = 4096;
constexpr std::size_t StatAheadBlock = 8192;
constexpr unsigned StatAheadThreads = 4;

void StatRange(TSearchState& state, std::size_t from, std::size_t to)
{
    const int dirFd = dirfd(state.Dir.get());
    for (std::size_t i = from; i < to; ++i) {
        const bool found = StatHostAt(dirFd, state.Names[state.AheadFirst + i].second.c_str(), false, state.Ahead[i]);
        state.AheadFound[i] = found ? 1 : 0;
    }
}

// Looks at the block of entries from first on, its parts on threads of their own; a thread
// that cannot be started leaves its part to this one.
void StatBlockAhead(TSearchState& state, std::size_t first)
{
    const std::size_t count = std::min(StatAheadBlock, state.Names.size() - first);
    state.AheadFirst = first;
    state.Ahead.assign(count, {});
    state.AheadFound.assign(count, 0);
    const std::size_t parts = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, StatAheadThreads);
    const std::size_t share = (count + parts - 1) / parts;
    std::vector<std::thread> helpers;
    for (std::size_t from = share; from < count; from += share) {
        const std::size_t to = std::min(count, from + share);
        try {
            helpers.emplace_back([&state, from, to] { StatRange(state, from, to); });
        } catch (const std::system_error&) {
            StatRange(state, from, to);
        }
    }
    StatRange(state, 0, std::min(share, count));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

// The entry of Names[index], looked at now or taken from the block looked at ahead.
bool StatEntryOfSearch(TSearchState& state, std::size_t index, const char* atName, int dirFd, struct statx& sx)
{
    if (!state.Dir || state.Names.size() < StatAheadFrom) {
        return StatHostAt(dirFd, atName, false, sx);
    }
    if (index < state.AheadFirst || index >= state.AheadFirst + state.Ahead.size()) {
        StatBlockAhead(state, index);
    }
    const std::size_t at = index - state.AheadFirst;
    if (!state.AheadFound[at]) {
        return false;
    }
    sx = state.Ahead[at];
    return true;
}

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask)
{
    if (mask == "*" || mask == "*.*") {
        return true;
    }
    const std::u32string foldedName = ToCodePoints(name);
    if (GlobMatch(foldedName, ToCodePoints(mask))) {
        return true;
    }
    // "name.*" also matches "name" without an extension, as on Windows.
    if (mask.size() > 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos) {
        return GlobMatch(foldedName, ToCodePoints(mask.substr(0, mask.size() - 2)));
    }
    return false;
}

namespace {

int NextMatching(TSearchRec& rec)
{
    TSearchState& state = *rec.State;
    while (state.Next < state.Names.size()) {
        const std::size_t index = state.Next++;
        const auto& [winName, hostName] = state.Names[index];
        const std::string host = state.HostDir == "/" ? "/" + hostName : state.HostDir + "/" + hostName;
        const int dirFd = state.Dir ? dirfd(state.Dir.get()) : AT_FDCWD;
        const char* atName = state.Dir ? hostName.c_str() : host.c_str();
        struct statx sx = {};
        if (!StatEntryOfSearch(state, index, atName, dirFd, sx)) {
            continue;
        }
        if (S_ISLNK(sx.stx_mode)) {
            // A search never follows a link: what it points to may lie anywhere.
            state.Links.push_back(winName);
            continue;
        }
        if (!IsRegular(sx) && !IsDir(sx)) {
            continue;
        }
        TFindData data =
            MakeFindData(host, winName, sx, dirFd, state.Dir ? atName : nullptr, (state.Mask & faWithoutStored) == 0);
        if (!PassesAttrMask(data.Attr, state.Mask)) {
            continue;
        }
        rec.Name = data.Name;
        rec.Attr = data.Attr;
        rec.Size = data.Size;
        rec.FindData = std::move(data);
        return 0;
    }
    state.Dir.reset();
    return Fail(ErrorNoMoreFiles);
}

} // namespace

void SearchOpenFolder(DIR* dir, const std::string& hostDir, const std::string& mask, std::uint32_t attr,
                      TSearchRec& rec)
{
    auto state = std::make_shared<TSearchState>();
    state->HostDir = hostDir;
    state->Mask = attr;
    state->Dir.reset(dir);
    while (dirent* entry = readdir(dir)) {
        const std::string hostName = entry->d_name;
        if (hostName == "." || hostName == "..") {
            continue;
        }
        std::string winName = HostNameToWin(hostName);
        if (MatchesMask(winName, mask)) {
            state->Names.emplace_back(std::move(winName), hostName);
        }
    }
    // A stable order, as Windows file systems list names sorted.
    if ((attr & faAnyOrder) == 0) {
        std::sort(state->Names.begin(), state->Names.end(), [](const auto& a, const auto& b) {
            const int byText = CompareTextUtf8(a.first, b.first);
            return byText != 0 ? byText < 0 : a.first < b.first;
        });
    }
    rec.State = std::move(state);
}

int FirstMatching(TSearchRec& rec, const std::string& hostDir)
{
    if (NextMatching(rec) == 0) {
        return 0;
    }
    if (rec.State->Links.empty()) {
        rec.State.reset(); // else kept for SkippedLinks
    }
    struct stat st = {};
    if (!hostDir.empty() && (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        return Fail(ErrorPathNotFound);
    }
    return Fail(ErrorFileNotFound);
}

int FindFirst(const std::string& pattern, std::uint32_t attr, TSearchRec& rec)
{
    rec = TSearchRec{};
    const auto delim = pattern.find_last_of("\\/");
    const std::string folder = delim == std::string::npos ? std::string() : pattern.substr(0, delim + 1);
    const std::string mask = delim == std::string::npos ? pattern : pattern.substr(delim + 1);
    const bool beyondLimit = (attr & faBeyondPathLimit) != 0;
    if (!beyondLimit && PathTooLong(pattern)) {
        return Fail(ErrorFilenameExcedRange);
    }
    std::string hostDir = ".";
    if (!folder.empty() && !(beyondLimit ? WinToHostBeyondLimit(folder, hostDir) : ToHost(folder, hostDir))) {
        return LastError();
    }
    if (mask.empty()) {
        return Fail(ErrorFileNotFound);
    }
    if (!HasWildcards(mask)) {
        auto state = std::make_shared<TSearchState>();
        state->HostDir = hostDir;
        state->Mask = attr;
        state->Names.emplace_back(mask, WinNameToHost(mask));
        rec.State = std::move(state);
        return FirstMatching(rec, hostDir);
    }
    DIR* dir = opendir(hostDir.c_str());
    if (!dir) {
        return Fail(errno == ENOENT || errno == ENOTDIR ? ErrorPathNotFound : ErrorFromErrno(errno, hostDir));
    }
    SearchOpenFolder(dir, hostDir, mask, attr, rec);
    return FirstMatching(rec, hostDir);
}

int FindNext(TSearchRec& rec)
{
    if (!rec.State) {
        return Fail(ErrorNoMoreFiles);
    }
    return NextMatching(rec);
}

void FindClose(TSearchRec& rec)
{
    rec.State.reset();
}

std::vector<std::string> SkippedLinks(const TSearchRec& rec)
{
    return rec.State ? rec.State->Links : std::vector<std::string>{};
}

std::size_t EntriesLeft(const TSearchRec& rec)
{
    return rec.State ? rec.State->Names.size() - rec.State->Next : 0;
}

} // namespace Platform
