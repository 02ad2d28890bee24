#include "tasks/BackupWorkRecord.h"

#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "platform/DestFolder.h"
#include "platform/FileSystem.h"
#include "tasks/BackupTemporary.h"

#include <algorithm>

namespace {

// The first line; a file of the record's name without it is not ours.
constexpr std::string_view Header = "Tessaro work record 1\n";
// Larger than any record a walk writes (a few folders at a time).
constexpr std::size_t MostRead = std::size_t{1} << 20;

constexpr char Delim = '\\';
constexpr char MadeMark = 'M';
constexpr char WrittenMark = 'W';

// One folder a line: names may hold line ends and "%".
std::string Escaped(const std::string& text)
{
    if (text.find_first_of("%\n\r") == std::string::npos) {
        return text;
    }
    std::string out;
    for (const char c : text) {
        if (c == '%' || c == '\n' || c == '\r') {
            out += '%' + ByteToHex(static_cast<std::uint8_t>(c));
        } else {
            out += c;
        }
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

std::string Unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ReadRecord(const Platform::TDestFolder& root)
{
    std::string text;
    auto file = root.OpenRead(std::string(WorkRecordName));
    if (!file) {
        return text;
    }
    char buffer[4096];
    for (std::int64_t n; text.size() < MostRead && (n = file->Read(buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

struct TRecorded
{
    std::string Relative;
    bool Made = false;
};

// The folders a record names; none when the text is no record.
std::vector<TRecorded> ParseRecord(std::string_view text)
{
    std::vector<TRecorded> folders;
    if (!text.starts_with(Header)) {
        return folders;
    }
    text.remove_prefix(Header.size());
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        // Blank lines pad a record that became shorter.
        if (line.size() >= 2 && (line[0] == MadeMark || line[0] == WrittenMark) && line[1] == ' ') {
            folders.push_back({Unescaped(line.substr(2)), line[0] == MadeMark});
        }
    }
    return folders;
}

// The root folder; a drive root keeps its delimiter ("E:\\").
std::unique_ptr<Platform::TDestFolder> OpenRoot(const std::string& root)
{
    const std::string path = RemovePathDelimiter(root);
    return Platform::TDestFolder::Open(!path.empty() && path.back() == ':' ? path + Delim : path);
}

std::size_t Depth(const std::string& relative)
{
    return static_cast<std::size_t>(std::count(relative.begin(), relative.end(), '\\'));
}

// A folder the dead run made holds nothing but what that run put there: its temporaries go
// at every level, and each folder left empty, the innermost first. Links are not entered.
void TidyMadeFolder(const Platform::TDestFolder& parent, const std::string& name, std::vector<std::string>& removed)
{
    auto folder = parent.Enter(name, false);
    if (!folder) {
        return;
    }
    const std::vector<std::string> gone = RemoveBackupTemporaries(*folder);
    removed.insert(removed.end(), gone.begin(), gone.end());
    std::vector<std::string> subfolders;
    Platform::TSearchRec rec;
    if (folder->FindFirst(faAnyFile, rec) == 0) {
        do {
            if ((rec.Attr & faDirectory) != 0 && rec.Name != "." && rec.Name != "..") {
                subfolders.push_back(rec.Name);
            }
        } while (Platform::FindNext(rec) == 0);
    }
    Platform::FindClose(rec);
    for (const std::string& subfolder : subfolders) {
        TidyMadeFolder(*folder, subfolder, removed);
    }
    folder.reset();
    if (parent.RemoveDir(name) == 0) {
        removed.push_back(parent.PathOf(name));
    }
}

} // namespace

TWorkRecord::TWorkRecord(const std::string& root) : Root(RemovePathDelimiter(root))
{}

TWorkRecord::~TWorkRecord()
{
    if (!File) {
        return;
    }
    File.reset();
    // Only the record itself: something else may have taken its name meanwhile (a source
    // file of that name backed up into this folder).
    Platform::TFindData data;
    if (RootFolder->GetFindData(std::string(WorkRecordName), data) && data.Size == Written) {
        RootFolder->DeleteFile(std::string(WorkRecordName));
    }
}

bool TWorkRecord::RelativeOf(const std::string& folder, std::string& relative) const
{
    // The walk's folders are named from the root's own text: a plain comparison does (and
    // costs little, once or twice a folder).
    std::string_view path = folder;
    if (path.ends_with(Delim)) {
        path.remove_suffix(1);
    }
    relative.clear();
    if (path == Root) {
        return true;
    }
    if (path.size() <= Root.size() + 1 || !path.starts_with(Root) || path[Root.size()] != Delim) {
        return false;
    }
    relative = path.substr(Root.size() + 1);
    return true;
}

void TWorkRecord::Note(const std::string& folder, bool made)
{
    std::string relative;
    if (!RelativeOf(folder, relative)) {
        return;
    }
    const auto named =
        std::find_if(Folders.begin(), Folders.end(), [&](const TNamed& entry) { return entry.Relative == relative; });
    if (named != Folders.end() && (named->Line.front() == MadeMark || !made)) {
        return;
    }
    std::string line = std::string{made ? MadeMark : WrittenMark, ' '} + Escaped(relative) + '\n';
    if (named != Folders.end()) {
        named->Line = std::move(line);
    } else {
        Folders.push_back({std::move(relative), std::move(line)});
    }
    Write();
}

void TWorkRecord::Drop(const std::string& folder)
{
    // Written with the next change: a folder named that holds nothing of the run costs the
    // next run one look, and an unchanged destination costs this one no write.
    std::string relative;
    if (RelativeOf(folder, relative)) {
        std::erase_if(Folders, [&](const TNamed& entry) { return entry.Relative == relative; });
    }
}

void TWorkRecord::Write()
{
    if (Failed) {
        return;
    }
    if (!File) {
        RootFolder = OpenRoot(Root);
        const std::string name(WorkRecordName);
        if (RootFolder) {
            RootFolder->DeleteFile(name); // a record no run tidied
            File = RootFolder->CreateNewFile(name, Platform::TShare::ReadWrite);
        }
        if (!File) {
            Failed = true;
            return;
        }
    }
    Text.assign(Header);
    for (const TNamed& folder : Folders) {
        Text += folder.Line;
    }
    // One write over the old text; what is left of a longer one becomes blank lines.
    Text.resize(std::max(Text.size(), Written), '\n');
    if (File->WriteAt(Text.data(), Text.size(), 0) != static_cast<std::int64_t>(Text.size())) {
        Failed = true;
        return;
    }
    Written = Text.size();
}

std::vector<std::string> TidyInterruptedRun(const std::string& root)
{
    std::vector<std::string> removed;
    const auto rootFolder = OpenRoot(root);
    // No record (nor a link or a folder of its name) reads as no text.
    std::vector<TRecorded> folders = rootFolder ? ParseRecord(ReadRecord(*rootFolder)) : std::vector<TRecorded>();
    if (folders.empty()) {
        return removed;
    }
    for (const TRecorded& folder : folders) {
        if (folder.Made || folder.Relative.empty()) {
            continue;
        }
        if (const auto entered = rootFolder->Enter(folder.Relative, false)) {
            const std::vector<std::string> gone = RemoveBackupTemporaries(*entered);
            removed.insert(removed.end(), gone.begin(), gone.end());
        }
    }
    std::stable_sort(folders.begin(), folders.end(),
                     [](const TRecorded& a, const TRecorded& b) { return Depth(a.Relative) > Depth(b.Relative); });
    for (const TRecorded& folder : folders) {
        if (folder.Made && !folder.Relative.empty()) {
            if (const auto above = rootFolder->Enter(RemovePathDelimiter(ExtractFilePath(folder.Relative)), false)) {
                TidyMadeFolder(*above, ExtractFileName(folder.Relative), removed);
            }
        }
    }
    rootFolder->DeleteFile(std::string(WorkRecordName));
    return removed;
}
