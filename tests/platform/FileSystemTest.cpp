#include "platform/FileSystem.h"
#include "platform/DestFolder.h"
#include "platform/Drives.h"
#include "platform/FolderChain.h"
#include "platform/Utf8.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Platform;

namespace {

std::vector<std::pair<std::string, std::uint32_t>> Search(const std::string& pattern, std::uint32_t mask)
{
    std::vector<std::pair<std::string, std::uint32_t>> found;
    TSearchRec rec;
    for (int r = FindFirst(pattern, mask, rec); r == 0; r = FindNext(rec)) {
        found.emplace_back(rec.Name, rec.Attr);
    }
    FindClose(rec);
    return found;
}

std::vector<std::string> Names(const std::vector<std::pair<std::string, std::uint32_t>>& found)
{
    std::vector<std::string> names;
    for (const auto& entry : found) {
        names.push_back(entry.first);
    }
    return names;
}

std::string WriteText(const std::string& win, const std::string& text)
{
    auto file = OpenWrite(win);
    if (!file) {
        return "open failed " + std::to_string(LastError());
    }
    return file->Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size()) && file->Close() == 0
               ? "ok"
               : "write failed";
}

} // namespace

TEST(FileSystem, SearchReportsOnlyFilesAndFoldersInNameOrder)
{
    TTempFolder tmp;
    tmp.WriteHostFile("b.TXT", "12345");
    tmp.WriteHostFile("a.txt", "");
    tmp.WriteHostFile(".hidden", "");
    tmp.WriteHostFile("colon:name", "");
    std::filesystem::create_directory(tmp.Host("Dir"));
    std::filesystem::create_symlink(tmp.Host("a.txt"), tmp.Host("link-to-file"));
    std::filesystem::create_symlink(tmp.Host("Dir"), tmp.Host("link-to-dir"));
    std::filesystem::create_symlink(tmp.Host("gone"), tmp.Host("dangling"));
    ASSERT_EQ(mkfifo(tmp.Host("fifo").c_str(), 0600), 0);

    EXPECT_EQ(Names(Search(tmp.Win("*"), faAnyFile)), (std::vector<std::string>{".hidden", "a.txt", "b.TXT",
                                                                                "colon\xEF\x80\xBA"
                                                                                "name",
                                                                                "Dir"}));
    // Without the folder and hidden bits in the mask those entries stay out.
    EXPECT_EQ(Names(Search(tmp.Win("*.*"), 0)), (std::vector<std::string>{"a.txt", "b.TXT",
                                                                          "colon\xEF\x80\xBA"
                                                                          "name"}));
    // Links are passed over, whatever they point to, and named for the caller's log.
    {
        TSearchRec rec;
        ASSERT_EQ(FindFirst(tmp.Win("*"), faAnyFile, rec), 0);
        // At most what is left of the names read: the links and the FIFO among them.
        EXPECT_EQ(EntriesLeft(rec), 8u);
        while (FindNext(rec) == 0) {
        }
        EXPECT_EQ(EntriesLeft(rec), 0u);
        EXPECT_EQ(SkippedLinks(rec), (std::vector<std::string>{"dangling", "link-to-dir", "link-to-file"}));
        FindClose(rec);
    }
    EXPECT_EQ(Names(Search(tmp.Win("*.txt"), faArchive)), (std::vector<std::string>{"a.txt", "b.TXT"}));
    EXPECT_EQ(Names(Search(tmp.Win("?.txt"), 0)), (std::vector<std::string>{"a.txt", "b.TXT"}));
    EXPECT_EQ(Names(Search(tmp.Win("DIR"), faDirectory)), std::vector<std::string>{}); // names keep their case

    const auto dirs = Search(tmp.Win("Dir"), faDirectory);
    ASSERT_EQ(dirs.size(), 1u);
    EXPECT_EQ(dirs[0].second & faDirectory, faDirectory);

    TSearchRec rec;
    ASSERT_EQ(FindFirst(tmp.Win("b.TXT"), 0, rec), 0);
    EXPECT_EQ(rec.Size, 5u);
    EXPECT_NE(rec.FindData.LastWriteTime, 0u);
    EXPECT_NE(rec.FindData.CreationTime, 0u);
    EXPECT_EQ(FindNext(rec), ErrorNoMoreFiles);
    FindClose(rec);

    EXPECT_EQ(FindFirst(tmp.Win("*.none"), faAnyFile, rec), ErrorFileNotFound);
    EXPECT_EQ(FindFirst(tmp.Win("missing\\*"), faAnyFile, rec), ErrorPathNotFound);
}

// A folder of many entries is looked at a block ahead on several threads: the search
// still yields every file and folder once, in name order, with its own size, passes over
// links and special files and leaves out what went away after the names were read.
TEST(FileSystem, SearchOfALargeFolderKeepsOrderSizesAndSkips)
{
    TTempFolder tmp;
    constexpr int files = 9000; // more than one block looked at ahead
    for (int i = 0; i < files; ++i) {
        tmp.WriteHostFile("f" + std::to_string(i), std::string(static_cast<std::size_t>(i % 97), 'x'));
    }
    std::filesystem::create_directory(tmp.Host("sub"));
    std::filesystem::create_symlink(tmp.Host("f1"), tmp.Host("link"));
    ASSERT_EQ(mkfifo(tmp.Host("fifo").c_str(), 0600), 0);

    TSearchRec rec;
    ASSERT_EQ(FindFirst(tmp.Win("*"), faAnyFile, rec), 0);
    std::filesystem::remove(tmp.Host("f999")); // sorts into the second block
    std::vector<std::string> names;
    bool sizesRight = true;
    do {
        names.push_back(rec.Name);
        if (rec.Name != "sub") {
            sizesRight = sizesRight && rec.Size == static_cast<std::uint64_t>(std::stoi(rec.Name.substr(1)) % 97);
        }
    } while (FindNext(rec) == 0);
    EXPECT_EQ(SkippedLinks(rec), std::vector<std::string>{"link"});
    FindClose(rec);

    EXPECT_TRUE(sizesRight);
    ASSERT_EQ(names.size(), static_cast<std::size_t>(files)); // one file gone, the folder in
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                               [](const std::string& a, const std::string& b) { return CompareTextUtf8(a, b) < 0; }));
    EXPECT_EQ(std::count(names.begin(), names.end(), "f999"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "sub"), 1);
}

TEST(FileSystem, MasksFollowWindowsRules)
{
    struct
    {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        {"Report.DOC", "*.doc", true}, {"report", "*.*", true},  {"report", "report.*", true},
        {"a.b.c", "*.c", true},        {"abc", "a?c", true},     {"ac", "a?c", false},
        {"Ärger.txt", "ä*", true},     {"x.txt", "*.tx", false}, {"name.gz", "*.gz*", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
    }
}

TEST(FileSystem, FailuresGiveWindowsErrorCodes)
{
    TTempFolder tmp;
    tmp.WriteHostFile("f", "x");
    std::filesystem::create_directory(tmp.Host("full"));
    tmp.WriteHostFile("full/x", "");

    EXPECT_EQ(OpenRead(tmp.Win("missing")), nullptr);
    EXPECT_EQ(LastError(), ErrorFileNotFound);
    EXPECT_EQ(OpenRead(tmp.Win("no\\such\\file")), nullptr);
    EXPECT_EQ(LastError(), ErrorPathNotFound);
    EXPECT_EQ(OpenRead(tmp.Win("full")), nullptr);
    EXPECT_EQ(LastError(), ErrorAccessDenied);
    EXPECT_EQ(CreateDir(tmp.Win("full")), ErrorAlreadyExists);
    EXPECT_EQ(CreateDir(tmp.Win("a\\b")), ErrorPathNotFound);
    EXPECT_EQ(RemoveDir(tmp.Win("full")), ErrorDirNotEmpty);
    EXPECT_EQ(RenameFile(tmp.Win("f"), tmp.Win("full\\x")), ErrorAlreadyExists);
    EXPECT_EQ(DeleteFile(tmp.Win("missing")), ErrorFileNotFound);
    EXPECT_EQ(DeleteFile(tmp.Win("full")), ErrorAccessDenied);
    EXPECT_EQ(CreateNewFile(tmp.Win("f")), nullptr);
    EXPECT_EQ(LastError(), ErrorFileExists);
    EXPECT_EQ(GetFileAttributes(tmp.Win("missing")), InvalidFileAttributes);
    EXPECT_EQ(OpenRead("Q:\\x"), nullptr);
    EXPECT_EQ(LastError(), ErrorPathNotFound);
}

TEST(FileSystem, PathsLongerThan259CharactersAreRefused)
{
    TTempFolder tmp;
    const std::string base = tmp.Win("");
    const std::string fits = base + std::string(259 - base.size(), 'a');
    const std::string tooLong = fits + "b";
    EXPECT_FALSE(PathTooLong(fits));
    EXPECT_TRUE(PathTooLong(tooLong));
    EXPECT_EQ(WriteText(fits, "x"), "ok");
    EXPECT_EQ(OpenWrite(tooLong), nullptr);
    EXPECT_EQ(LastError(), ErrorFilenameExcedRange);
    EXPECT_EQ(CreateDir(tooLong), ErrorFilenameExcedRange);
    EXPECT_FALSE(FileExists(tooLong));
    TSearchRec rec;
    EXPECT_EQ(FindFirst(tooLong, faAnyFile, rec), ErrorFilenameExcedRange);
    // Characters count as UTF-16 units, not bytes.
    const std::string umlauts = base + std::string("\\") + [&] {
        std::string s;
        for (std::size_t i = base.size() + 1; i < 259; ++i) {
            s += "ä";
        }
        return s;
    }();
    EXPECT_FALSE(PathTooLong(umlauts));
    // Beyond the basic plane a character takes two units (and four bytes).
    std::string faces;
    for (int i = 0; i < 60; ++i) {
        faces += "\xF0\x9F\x98\x80";
    }
    const std::string padding(260 - base.size() - 1 - 120, 'a');
    EXPECT_TRUE(PathTooLong(base + "\\" + padding + faces));
    EXPECT_FALSE(PathTooLong(base + "\\" + padding.substr(1) + faces));
}

TEST(FileSystem, FoldersAreCreatedForcedRenamedAndRemoved)
{
    TTempFolder tmp;
    EXPECT_EQ(ForceDirectories(tmp.Win("x\\y\\z")), 0);
    EXPECT_TRUE(DirectoryExists(tmp.Win("x\\y\\z")));
    EXPECT_EQ(ForceDirectories(tmp.Win("x\\y\\z")), 0);
    EXPECT_EQ(RenameFile(tmp.Win("x\\y"), tmp.Win("x\\w")), 0);
    EXPECT_TRUE(DirectoryExists(tmp.Win("x\\w\\z")));
    EXPECT_EQ(RemoveDir(tmp.Win("x\\w\\z")), 0);
    EXPECT_FALSE(AnyExists(tmp.Win("x\\w\\z")));
    tmp.WriteHostFile("plain", "");
    EXPECT_EQ(ForceDirectories(tmp.Win("plain\\sub")), ErrorAlreadyExists);
    EXPECT_EQ(ForceDirectories(tmp.Win("plain")), ErrorAlreadyExists);
    EXPECT_EQ(ForceDirectories(tmp.Win("x\\w\\a\\b")), 0);
    EXPECT_TRUE(DirectoryExists(tmp.Win("x\\w\\a\\b")));
}

TEST(FileSystem, FilesAreWrittenReadSoughtAndShared)
{
    TTempFolder tmp;
    const std::string name = tmp.Win("data.bin");
    {
        auto out = OpenWrite(name, TShare::None);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->Write("hello world", 11), 11);
        // A second writer is refused while the first shares nothing.
        EXPECT_EQ(OpenWrite(name), nullptr);
        EXPECT_EQ(LastError(), ErrorSharingViolation);
        EXPECT_EQ(out->Size(), 11);
    }
    auto in = OpenRead(name);
    ASSERT_NE(in, nullptr);
    char buffer[16] = {};
    EXPECT_EQ(in->Seek(6), 6);
    EXPECT_EQ(in->Read(buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(in->Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(in->Seek(-1, TSeekOrigin::Begin), -1);
    EXPECT_EQ(LastError(), ErrorNegativeSeek);

    auto append = OpenAppend(name);
    ASSERT_NE(append, nullptr);
    EXPECT_EQ(append->Write("!", 1), 1);
    append.reset();
    std::string all;
    EXPECT_EQ(ReadWholeFile(name, all), 0);
    EXPECT_EQ(all, "hello world!");
    EXPECT_EQ(WriteText(name, "new"), "ok");
    EXPECT_EQ(ReadWholeFile(name, all), 0);
    EXPECT_EQ(all, "new");
}

TEST(FileSystem, AtomicWriteKeepsPermissionsAndLeavesNoTemporaryFile)
{
    TTempFolder tmp;
    tmp.WriteHostFile("settings.ini", "old");
    chmod(tmp.Host("settings.ini").c_str(), 0600);
    EXPECT_EQ(WriteFileAtomic(tmp.Win("settings.ini"), "new"), 0);
    EXPECT_EQ(tmp.ReadHostFile("settings.ini"), "new");
    struct stat st = {};
    stat(tmp.Host("settings.ini").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.Host()), {}), 1);
    EXPECT_EQ(WriteFileAtomic(tmp.Win("no\\folder\\x.ini"), "x"), ErrorPathNotFound);
}

TEST(FileSystem, AttributesRoundTripThroughTheEmulation)
{
    TTempFolder tmp;
    tmp.WriteHostFile("f.txt", "abc");
    const std::string name = tmp.Win("f.txt");
    EXPECT_EQ(GetFileAttributes(name), faArchive); // a new file waits for its backup

    const std::uint32_t combos[] = {0,
                                    faReadOnly,
                                    faHidden,
                                    faSysFile,
                                    faArchive,
                                    faReadOnly | faHidden | faSysFile | faArchive,
                                    faHidden | faSysFile};
    for (std::uint32_t attr : combos) {
        ASSERT_EQ(SetFileAttributes(name, attr), 0) << attr;
        EXPECT_EQ(GetFileAttributes(name), attr) << attr;
    }
    ASSERT_EQ(SetFileAttributes(name, faNormal), 0);
    EXPECT_EQ(GetFileAttributes(name), 0u);

    std::filesystem::create_directory(tmp.Host("d"));
    EXPECT_EQ(GetFileAttributes(tmp.Win("d")), faDirectory);
    ASSERT_EQ(SetFileAttributes(tmp.Win("d"), faHidden | faReadOnly), 0);
    EXPECT_EQ(GetFileAttributes(tmp.Win("d")), faDirectory | faHidden | faReadOnly);
    tmp.WriteHostFile(".dot", "");
    EXPECT_EQ(GetFileAttributes(tmp.Win(".dot")), faHidden | faArchive);
}

TEST(FileSystem, ArchiveBitTurnsSetAgainWhenTheFileIsWritten)
{
    TTempFolder tmp;
    tmp.WriteHostFile("f.txt", "abc");
    const std::string name = tmp.Win("f.txt");
    ASSERT_EQ(SetFileAttributes(name, 0), 0);
    EXPECT_EQ(GetFileAttributes(name) & faArchive, 0u);

    // Setting a time is no write.
    const TFileTime stamp = FileTimeFromUnix(1600000000);
    ASSERT_EQ(SetFileTimes(name, nullptr, nullptr, &stamp), 0);
    EXPECT_EQ(GetFileAttributes(name) & faArchive, 0u);

    ASSERT_EQ(WriteText(name, "changed"), "ok");
    EXPECT_EQ(GetFileAttributes(name) & faArchive, faArchive);
}

TEST(FileSystem, AnOpenFileTakesTimesAndAttributesLikeItsPath)
{
    TTempFolder tmp;
    const TFileTime stamp = FileTimeFromUnix(1234567890, 123456700);
    for (std::uint32_t attr : {0u, faArchive, faHidden | faSysFile, faReadOnly | faHidden}) {
        // One after the other, and both at once.
        for (const bool together : {false, true}) {
            const std::string name = tmp.Win("f" + std::to_string(attr) + (together ? "t" : ""));
            auto file = CreateNewFile(name);
            ASSERT_NE(file, nullptr);
            ASSERT_EQ(file->Write("abc", 3), 3);
            bool timesFailed = true;
            if (together) {
                ASSERT_EQ(file->SetTimesAndAttributes(nullptr, &stamp, attr, timesFailed), 0) << attr;
                EXPECT_FALSE(timesFailed);
            } else {
                ASSERT_EQ(file->SetTimes(nullptr, &stamp), 0);
                ASSERT_EQ(file->SetAttributes(attr), 0) << attr;
            }
            ASSERT_EQ(file->Close(), 0);
            TFindData data;
            ASSERT_TRUE(GetFindData(name, data));
            EXPECT_EQ(data.Attr, attr) << together;
            EXPECT_EQ(data.LastWriteTime, stamp);
        }
    }

    auto gone = CreateNewFile(tmp.Win("gone"));
    ASSERT_NE(gone, nullptr);
    ASSERT_EQ(DeleteFile(tmp.Win("gone")), 0);
    EXPECT_EQ(gone->SetTimes(nullptr, &stamp), ErrorFileNotFound);
    EXPECT_EQ(gone->SetAttributes(0), ErrorFileNotFound);
    bool timesFailed = false;
    EXPECT_EQ(gone->SetTimesAndAttributes(nullptr, &stamp, 0, timesFailed), ErrorFileNotFound);
    EXPECT_TRUE(timesFailed);
}

TEST(FileSystem, ASearchCanLeaveTheStoredAttributesForLater)
{
    TTempFolder tmp;
    const std::vector<std::pair<std::string, std::uint32_t>> files = {
        {"plain", faArchive}, {"backed-up", 0}, {"system", faSysFile}, {"ro", faReadOnly | faHidden}, {".dot", 0}};
    for (const auto& [name, attr] : files) {
        tmp.WriteHostFile(name, "x");
        ASSERT_EQ(SetFileAttributes(tmp.Win(name), attr), 0) << name;
    }
    ASSERT_EQ(CreateDir(tmp.Win("sys-dir")), 0);
    ASSERT_EQ(SetFileAttributes(tmp.Win("sys-dir"), faDirectory | faSysFile), 0);
    tmp.WriteHostFile("backed-up", "written since"); // the archive bit reads as set again

    TSearchRec full;
    TSearchRec lean;
    int found = FindFirst(tmp.Win("*"), faAnyFile, full);
    ASSERT_EQ(FindFirst(tmp.Win("*"), faAnyFile | faWithoutStored, lean), found);
    while (found == 0) {
        ASSERT_EQ(lean.Name, full.Name);
        const bool dir = (full.Attr & faDirectory) != 0;
        // Only what mode and name say, and every file waits for its backup.
        EXPECT_EQ(lean.Attr, (full.Attr & (faDirectory | faReadOnly)) | (lean.Name[0] == '.' ? faHidden : 0) |
                                 (dir ? 0 : faArchive))
            << lean.Name;
        TFindData completed = lean.FindData;
        AddStoredAttributes(tmp.Win(lean.Name), completed);
        EXPECT_EQ(completed.Attr, full.Attr) << lean.Name;
        // The same from the open file, without a second look by path.
        if (!dir) {
            auto file = OpenRead(tmp.Win(lean.Name));
            ASSERT_NE(file, nullptr);
            TFindData fromFile = lean.FindData;
            file->AddStoredAttributes(fromFile);
            EXPECT_EQ(fromFile.Attr, full.Attr) << lean.Name;
        }
        found = FindNext(full);
        ASSERT_EQ(FindNext(lean), found);
    }
    // Unsorted, the same entries.
    std::vector<std::string> unsorted = Names(Search(tmp.Win("*"), faAnyFile | faAnyOrder));
    std::vector<std::string> sorted = Names(Search(tmp.Win("*"), faAnyFile));
    std::sort(unsorted.begin(), unsorted.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(unsorted, sorted);
    FindClose(full);
    FindClose(lean);
}

TEST(FileSystem, ReadOnlyFilesRefuseWritesDeletesAndTimes)
{
    TTempFolder tmp;
    tmp.WriteHostFile("ro", "x");
    const std::string name = tmp.Win("ro");
    ASSERT_EQ(SetFileAttributes(name, faReadOnly), 0);
    EXPECT_EQ(OpenWrite(name), nullptr);
    EXPECT_EQ(LastError(), ErrorAccessDenied);
    EXPECT_EQ(DeleteFile(name), ErrorAccessDenied);
    const TFileTime stamp = FileTimeFromUnix(1600000000);
    EXPECT_EQ(SetFileTimes(name, nullptr, nullptr, &stamp), ErrorAccessDenied);
    EXPECT_EQ(WriteFileAtomic(name, "y"), ErrorAccessDenied);
    EXPECT_NE(OpenRead(name), nullptr);
    ASSERT_EQ(SetFileAttributes(name, faArchive), 0);
    EXPECT_EQ(DeleteFile(name), 0);
}

TEST(FileSystem, TimesAreUtcFileTimesAndCreationCannotBeSet)
{
    TTempFolder tmp;
    tmp.WriteHostFile("f", "");
    const std::string name = tmp.Win("f");
    const TFileTime write = FileTimeFromUnix(1234567890, 123456700);
    const TFileTime access = FileTimeFromUnix(1000000000);
    const TFileTime creation = FileTimeFromUnix(100);
    ASSERT_EQ(SetFileTimes(name, &creation, &access, &write), 0);
    TFindData data;
    ASSERT_TRUE(GetFindData(name, data));
    EXPECT_EQ(data.LastWriteTime, write);
    EXPECT_EQ(data.LastAccessTime, access);
    EXPECT_NE(data.CreationTime, creation);
    struct stat st = {};
    stat(tmp.Host("f").c_str(), &st);
    EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(FileTimeFromUnix(0), 116444736000000000ULL);
    EXPECT_EQ(UnixSecondsFromFileTime(116444736000000000ULL), 0);
}

TEST(FileSystem, ExpandFileNameResolvesAgainstTheCurrentFolder)
{
    TTempFolder tmp;
    const std::string before = std::filesystem::current_path();
    std::filesystem::current_path(tmp.Host());
    EXPECT_EQ(GetCurrentDir(), tmp.Win());
    EXPECT_EQ(ExpandFileName("sub\\..\\x.txt"), tmp.Win("x.txt"));
    EXPECT_EQ(ExpandFileName("C:\\a\\.\\b"), "C:\\a\\b");
    std::filesystem::current_path(before);
}

TEST(FileSystem, RealTmpfsMountIsARamDiskWithItsOwnFreeSpace)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting needs root";
    }
    TTempFolder tmp;
    if (mount("tessaro-test", tmp.Host().c_str(), "tmpfs", 0, "size=4m") != 0) {
        GTEST_SKIP() << "mount not permitted here";
    }
    const std::string win = tmp.Win();
    const int type = GetDriveType(win + "\\sub\\file");
    std::uint64_t avail = 0, total = 0, free = 0;
    const bool spaced = GetDiskFreeSpace(win, avail, total, free);
    const std::string volume = FindVolumeDrive(win + "\\x");
    umount(tmp.Host().c_str());
    EXPECT_EQ(type, DriveRamdisk);
    ASSERT_TRUE(spaced);
    EXPECT_EQ(total, 4u * 1024 * 1024);
    EXPECT_EQ(volume, win);
}

TEST(FileSystem, PrivateTempFoldersAreNewAndClosedToOthers)
{
    const std::string first = CreatePrivateTempFolder("tessaro-t");
    const std::string second = CreatePrivateTempFolder("tessaro-t");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.back(), '\\');
    const std::string host = WinToHost(first).value_or("");
    struct stat st = {};
    ASSERT_EQ(stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(RemoveDir(first), 0);
    EXPECT_EQ(RemoveDir(second), 0);
}

// The search looks names up relative to its open folder, the path calls by whole path:
// both must read the same stored records, and a damaged record counts as none.
TEST(FileSystem, SearchAndPathCallsReadStoredRecordsAlike)
{
    TTempFolder tmp;
    tmp.WriteHostFile("f.txt", "abc");
    struct stat st = {};
    ASSERT_EQ(stat(tmp.Host("f.txt").c_str(), &st), 0);
    const std::string stamp = std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ";3";
    const std::pair<std::string, std::uint32_t> records[] = {
        {"2;" + stamp, faHidden},
        {"22;" + stamp, faHidden | faArchive},
        {"4;1.0;3", faSysFile | faArchive}, // written since the record was stored
        {"", faArchive},
        {"zz;" + stamp, faArchive},
        {"2;" + std::to_string(st.st_mtim.tv_sec), faArchive},
        {"2;x.5;3", faArchive},
    };
    for (const auto& [record, expected] : records) {
        ASSERT_EQ(setxattr(tmp.Host("f.txt").c_str(), "user.tessaro.dosattrib", record.data(), record.size(), 0), 0);
        EXPECT_EQ(GetFileAttributes(tmp.Win("f.txt")), expected) << record;
        const auto found = Search(tmp.Win("*"), faAnyFile);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].second, expected) << record;
    }
}

// Other programs of ours read the record as text: it keeps its exact form.
TEST(FileSystem, StoredRecordsAreWrittenAsHexAttributesStampAndSize)
{
    TTempFolder tmp;
    tmp.WriteHostFile("f.txt", "abcdefghijklmnopq");
    ASSERT_EQ(SetFileAttributes(tmp.Win("f.txt"), faHidden | faSysFile | faArchive), 0);
    struct stat st = {};
    ASSERT_EQ(stat(tmp.Host("f.txt").c_str(), &st), 0);
    char record[128] = {};
    const ssize_t length = getxattr(tmp.Host("f.txt").c_str(), "user.tessaro.dosattrib", record, sizeof record);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(record, static_cast<std::size_t>(length)),
              "26;" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ";17");
    EXPECT_EQ(GetFileAttributes(tmp.Win("f.txt")), faHidden | faSysFile | faArchive);
}

TEST(FileSystem, OpeningChecksWhatIsThere)
{
    TTempFolder tmp;
    std::filesystem::create_directory(tmp.Host("d"));
    EXPECT_EQ(OpenRead(tmp.Win("d")), nullptr);
    EXPECT_EQ(LastError(), ErrorAccessDenied);
    EXPECT_EQ(OpenWrite(tmp.Win("d")), nullptr);
    EXPECT_EQ(LastError(), ErrorAccessDenied);
    EXPECT_EQ(OpenRead(tmp.Win("missing")), nullptr);
    EXPECT_EQ(LastError(), ErrorFileNotFound);
    EXPECT_EQ(CreateNewFile(tmp.Win("d")), nullptr);
    EXPECT_EQ(LastError(), ErrorAccessDenied);
    std::filesystem::create_symlink(tmp.Host("nowhere"), tmp.Host("dangling"));
    EXPECT_EQ(CreateNewFile(tmp.Win("dangling")), nullptr);
    EXPECT_EQ(LastError(), ErrorFileExists);
    EXPECT_NE(CreateNewFile(tmp.Win("fresh")), nullptr);
    EXPECT_EQ(CreateNewFile(tmp.Win("fresh")), nullptr);
    EXPECT_EQ(LastError(), ErrorFileExists);

    ASSERT_EQ(WriteText(tmp.Win("new.txt"), "first, longer"), "ok");
    ASSERT_EQ(WriteText(tmp.Win("new.txt"), "second"), "ok");
    EXPECT_EQ(tmp.ReadHostFile("new.txt"), "second");
    auto reader = OpenRead(tmp.Win("new.txt"));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->Size(), 6);
}

TEST(FileSystem, DestinationFoldersNeverGoThroughLinks)
{
    TTempFolder tmp;
    std::filesystem::create_directories(tmp.Host("root/a"));
    std::filesystem::create_directories(tmp.Host("outside"));
    tmp.WriteHostFile("outside/file", "outside");
    std::filesystem::create_directory_symlink(tmp.Host("outside"), tmp.Host("root/a/link"));
    std::filesystem::create_symlink(tmp.Host("outside/file"), tmp.Host("root/a/file-link"));

    auto root = TDestFolder::Open(tmp.Win("root"));
    ASSERT_NE(root, nullptr);
    std::string link;
    EXPECT_EQ(root->Enter("a\\link\\deeper", true, &link), nullptr);
    EXPECT_EQ(LastError(), ErrorStoppedOnSymlink);
    EXPECT_EQ(link, tmp.Win("root/a/link"));
    EXPECT_FALSE(std::filesystem::exists(tmp.Host("outside/deeper")));
    EXPECT_EQ(root->Enter("a\\..\\a", false), nullptr);

    std::vector<std::string> created;
    auto made = root->Enter("a\\new\\deeper", true, nullptr, &created);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Path(), tmp.Win("root/a/new/deeper"));
    // Only the levels this call made, outer first: "a" was there.
    EXPECT_EQ(created, (std::vector<std::string>{tmp.Win("root/a/new"), tmp.Win("root/a/new/deeper")}));
    auto a = root->Enter("a", false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Kind("link"), TEntryKind::Link);
    EXPECT_EQ(a->Kind("file-link"), TEntryKind::Link);
    EXPECT_EQ(a->CreateNewFile("file-link"), nullptr);
    EXPECT_EQ(LastError(), ErrorFileExists);
    TFindData data;
    EXPECT_FALSE(a->GetFindData("file-link", data));
    EXPECT_EQ(a->SetAttributes(faHidden), 0);
    // Deleting a link removes the link itself.
    EXPECT_EQ(a->DeleteFile("file-link"), 0);
    EXPECT_EQ(a->DeleteFile("link"), 0);
    EXPECT_EQ(tmp.ReadHostFile("outside/file"), "outside");
    EXPECT_EQ(a->DeleteFile("new"), ErrorAccessDenied);
    // A finished temporary replaces its target in one rename.
    tmp.WriteHostFile("root/a/target", "old");
    auto temp = a->CreateNewFile("temp");
    ASSERT_NE(temp, nullptr);
    ASSERT_EQ(temp->Write("new", 3), 3);
    temp->Close();
    EXPECT_EQ(a->RenameFile("temp", "target"), ErrorAlreadyExists);
    EXPECT_EQ(a->ReplaceFile("temp", "target"), 0);
    EXPECT_EQ(tmp.ReadHostFile("root/a/target"), "new");
}

TEST(FileSystem, OpeningInAFolderAnswersAsOpeningByPath)
{
    TTempFolder tmp;
    std::filesystem::create_directories(tmp.Host("src/sub"));
    tmp.WriteHostFile("src/a:b", "carried");
    auto src = TDestFolder::Open(tmp.Win("src"));
    ASSERT_NE(src, nullptr);
    const std::string name = HostNameToWin("a:b");
    auto file = src->OpenRead(name);
    ASSERT_NE(file, nullptr);
    char text[16] = {};
    EXPECT_EQ(file->Read(text, sizeof text), 7);
    EXPECT_EQ(std::string(text), "carried");
    EXPECT_EQ(file->OpenedSize(), 7);
    for (const char* other : {"missing", "sub"}) {
        EXPECT_EQ(src->OpenRead(other), nullptr) << other;
        const int inFolder = LastError();
        EXPECT_EQ(OpenRead(tmp.Win("src\\") + other), nullptr);
        EXPECT_EQ(inFolder, LastError()) << other;
    }
}

// An open folder's search lists what a search of its path lists, and keeps listing that
// folder when its path is swapped for a link to another one.
TEST(FileSystem, AnOpenFolderIsSearchedAsItsPathWithoutFollowingItAgain)
{
    TTempFolder tmp;
    std::filesystem::create_directories(tmp.Host("src/Dir"));
    std::filesystem::create_directories(tmp.Host("outside"));
    tmp.WriteHostFile("src/b.txt", "12345");
    tmp.WriteHostFile("src/a:b", "");
    tmp.WriteHostFile("outside/secret.txt", "");
    std::filesystem::create_symlink(tmp.Host("src/b.txt"), tmp.Host("src/link"));
    auto src = TDestFolder::Open(tmp.Win("src"));
    ASSERT_NE(src, nullptr);
    const auto searchOpen = [&src](std::uint32_t attr) {
        std::vector<std::pair<std::string, std::uint64_t>> found;
        TSearchRec rec;
        for (int r = src->FindFirst(attr, rec); r == 0; r = FindNext(rec)) {
            found.emplace_back(rec.Name, rec.Size);
        }
        EXPECT_EQ(SkippedLinks(rec), std::vector<std::string>{"link"});
        FindClose(rec);
        return found;
    };
    std::vector<std::pair<std::string, std::uint64_t>> byPath;
    TSearchRec rec;
    for (int r = FindFirst(tmp.Win("src\\*"), faAnyFile, rec); r == 0; r = FindNext(rec)) {
        byPath.emplace_back(rec.Name, rec.Size);
    }
    FindClose(rec);
    EXPECT_EQ(searchOpen(faAnyFile), byPath);
    EXPECT_EQ(byPath.size(), 3u);

    std::filesystem::rename(tmp.Host("src"), tmp.Host("moved"));
    std::filesystem::create_directory_symlink(tmp.Host("outside"), tmp.Host("src"));
    EXPECT_EQ(searchOpen(faAnyFile), byPath);
    std::filesystem::remove_all(tmp.Host("moved/Dir"));
    std::filesystem::remove(tmp.Host("moved/b.txt"));
    std::filesystem::remove(tmp.Host("moved/a:b"));
    EXPECT_EQ(src->FindFirst(faAnyFile, rec), ErrorFileNotFound);
    FindClose(rec);
}

TEST(FileSystem, AFolderChainEntersFromTheNearestOpenFolder)
{
    TTempFolder tmp;
    std::filesystem::create_directories(tmp.Host("root/a"));
    std::filesystem::create_directories(tmp.Host("outside"));
    std::filesystem::create_directory_symlink(tmp.Host("outside"), tmp.Host("root/a/link"));
    TFolderChain chain;
    EXPECT_EQ(chain.Enter(tmp.Win("root/a"), false), nullptr);
    EXPECT_EQ(LastError(), ErrorInvalidName);
    chain.Reset(TDestFolder::Open(tmp.Win("root")));
    ASSERT_NE(chain.Top(), nullptr);
    EXPECT_EQ(chain.Enter(tmp.Win("root"), false), chain.Top());

    std::vector<std::string> created;
    TDestFolder* deep = chain.Enter(tmp.Win("root/a/x/y"), true, nullptr, &created);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->Path(), tmp.Win("root/a/x/y"));
    EXPECT_EQ(created, (std::vector<std::string>{tmp.Win("root/a/x"), tmp.Win("root/a/x/y")}));
    // A folder shared out stays open and usable when the chain moves on.
    const std::shared_ptr<TDestFolder> kept = chain.Current();
    ASSERT_EQ(kept.get(), deep);
    // A name that only begins like an open folder is no folder below it.
    TDestFolder* sibling = chain.Enter(tmp.Win("root/ab"), true, nullptr, &created);
    ASSERT_NE(sibling, nullptr);
    EXPECT_EQ(sibling->Path(), tmp.Win("root/ab"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp.Host("root/ab")));
    EXPECT_FALSE(std::filesystem::exists(tmp.Host("root/a/b")));
    EXPECT_NE(kept->CreateNewFile("still"), nullptr);
    EXPECT_TRUE(std::filesystem::exists(tmp.Host("root/a/x/y/still")));
    EXPECT_EQ(kept->DeleteFile("still"), 0);

    std::string link;
    EXPECT_EQ(chain.Enter(tmp.Win("root/a/link/deeper"), true, &link), nullptr);
    EXPECT_EQ(LastError(), ErrorStoppedOnSymlink);
    EXPECT_EQ(link, tmp.Win("root/a/link"));
    EXPECT_FALSE(std::filesystem::exists(tmp.Host("outside/deeper")));
    EXPECT_EQ(chain.Enter(tmp.Win("root/a/missing"), false), nullptr);
    EXPECT_EQ(LastError(), ErrorPathNotFound);
    EXPECT_EQ(chain.Enter(tmp.Win("root/a") + "\\\\x", false), nullptr);
    EXPECT_EQ(LastError(), ErrorInvalidName);
    EXPECT_EQ(chain.Enter(tmp.Win("outside"), false), nullptr);
    EXPECT_EQ(LastError(), ErrorInvalidName);
    TDestFolder* back = chain.Enter(tmp.Win("root/a/x"), false);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Path(), tmp.Win("root/a/x"));
    EXPECT_EQ(back->RemoveDir("y"), 0);
    chain.CloseBelowTop();
    EXPECT_EQ(chain.Enter(tmp.Win("root/a/x/y"), false), nullptr);
    EXPECT_EQ(LastError(), ErrorPathNotFound);
}
