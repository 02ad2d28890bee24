#include "foundation/FileUtils.h"

#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

void MakeTree(const TTempFolder& dir)
{
    fs::create_directories(dir.Host("root/a/b"));
    dir.WriteHostFile("root/one.txt", "12345");
    dir.WriteHostFile("root/.hidden", "1");
    dir.WriteHostFile("root/a/two", "12");
    dir.WriteHostFile("root/a/b/three.x", "123");
    fs::permissions(dir.Host("root/a/two"), fs::perms::owner_read);
}

} // namespace

TEST(FileUtils, ReadResponseFileJoinsItsLines)
{
    TTempFolder dir;
    dir.WriteHostFile("r.txt", "  auto ; comment\r\n\r\n;only comment\nforce\n  C:\\t.buj  ");
    EXPECT_EQ(ReadResponseFile(dir.Win("r.txt")), "auto|force|C:\\t.buj");
    EXPECT_EQ(ReadResponseFile(dir.Win("missing.txt")), "");
}

TEST(FileUtils, StatisticsCountFilesButNotLinkedFolders)
{
    TTempFolder dir;
    MakeTree(dir);
    fs::create_directories(dir.Host("outside"));
    dir.WriteHostFile("outside/big", std::string(1000, 'x'));
    fs::create_directory_symlink(dir.Host("outside"), dir.Host("root/a/link"));

    std::int64_t bytes = 0;
    int files = 0;
    GetFolderStatistics(dir.Win("root"), "", true, bytes, files);
    EXPECT_EQ(files, 4);
    EXPECT_EQ(bytes, 11);
    EXPECT_EQ(CountFiles(dir.Win("root"), false), 2);
    bytes = 0;
    files = 0;
    GetFolderStatistics(dir.Win("root"), "a", false, bytes, files);
    EXPECT_EQ(files, 1);
    EXPECT_EQ(bytes, 2);
}

TEST(FileUtils, DeleteTreeRemovesLinksButNotTheirTargets)
{
    TTempFolder dir;
    MakeTree(dir);
    fs::create_directories(dir.Host("outside"));
    dir.WriteHostFile("outside/keep", "k");
    fs::create_directory_symlink(dir.Host("outside"), dir.Host("root/a/b/link"));

    int folders = 0, errors = 0, files = 0;
    DeleteFolderTree(dir.Win("root"), "", folders, errors, files);
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(folders, 3);
    EXPECT_EQ(files, 5);
    EXPECT_FALSE(fs::exists(dir.Host("root")));
    EXPECT_TRUE(fs::exists(dir.Host("outside/keep")));
    EXPECT_TRUE(DeleteFolderTree(dir.Win("root")));
}
