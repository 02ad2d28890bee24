#include "tasks/FtpDirTree.h"
#include "peers/FtpPeer.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace {

std::vector<std::string> Paths(const std::vector<TFtpDirNode>& nodes, const std::string& prefix = {})
{
    std::vector<std::string> paths;
    for (const TFtpDirNode& node : nodes) {
        const std::string path = prefix.empty() ? node.Name : prefix + "/" + node.Name;
        paths.push_back(path);
        for (const std::string& child : Paths(node.Children, path)) {
            paths.push_back(child);
        }
    }
    return paths;
}

// An endless server: every folder holds "more", which holds "more" ...
class TEndlessSource : public IFtpDirSource
{
public:
    int Depth = 0;
    int CancelAfter = -1;
    int Polls = 0;
    bool ListDirs(std::vector<TFtpListItem>& dirs) override
    {
        TFtpListItem item;
        item.Name = "more";
        item.IsDir = true;
        dirs = {item};
        return true;
    }
    bool Enter(const std::string&) override
    {
        ++Depth;
        return true;
    }
    bool Leave() override
    {
        --Depth;
        return true;
    }
    std::string WhereAmI() override { return {}; }
    bool Cancelled() override { return CancelAfter >= 0 && ++Polls > CancelAfter; }
};

// A server that reports real paths: "loop" in /a leads back to /.
class TResolvingSource : public IFtpDirSource
{
public:
    std::vector<std::string> Path;
    std::map<std::string, std::vector<std::string>> Folders{{"/", {"a", "b"}}, {"/a", {"loop", "c"}}};
    std::string Where() const
    {
        std::string where;
        for (const std::string& part : Path) {
            where += "/" + part;
        }
        if (where == "/a/loop") {
            return "/";
        }
        return where.empty() ? "/" : where;
    }
    bool ListDirs(std::vector<TFtpListItem>& dirs) override
    {
        dirs.clear();
        for (const std::string& name : Folders[Where()]) {
            TFtpListItem item;
            item.Name = name;
            item.IsDir = true;
            dirs.push_back(item);
        }
        return true;
    }
    bool Enter(const std::string& name) override
    {
        Path.push_back(name);
        return true;
    }
    bool Leave() override
    {
        Path.pop_back();
        return true;
    }
    std::string WhereAmI() override { return Where(); }
    bool Cancelled() override { return false; }
};

} // namespace

TEST(FtpDirTree, EndlessFoldersStopAtTheDepthLimitOrCancel)
{
    TEndlessSource source;
    TFtpTree tree = ReadFtpTree(source, 5);
    EXPECT_TRUE(tree.DepthCut);
    EXPECT_EQ(Paths(tree.Nodes).back(), "more/more/more/more/more");
    EXPECT_EQ(source.Depth, 0);

    TEndlessSource cancelling;
    cancelling.CancelAfter = 2;
    tree = ReadFtpTree(cancelling);
    EXPECT_TRUE(tree.Cancelled);
    EXPECT_EQ(Paths(tree.Nodes).size(), 2u);
    EXPECT_EQ(cancelling.Depth, 0);
}

TEST(FtpDirTree, FolderOnTheCurrentPathIsSkipped)
{
    TResolvingSource source;
    const TFtpTree tree = ReadFtpTree(source);
    EXPECT_EQ(Paths(tree.Nodes), (std::vector<std::string>{"a", "a/c", "b"}));
    EXPECT_EQ(tree.SkippedLoops, 1);
    EXPECT_FALSE(tree.Cancelled);
}

TEST(FtpDirTree, FolderDialogSessionAgainstARealServer)
{
    TFtpPeer peer;
    ASSERT_TRUE(peer.Start());
    const auto root = peer.Root();
    std::filesystem::create_directories(root / "backup/daily/mon");
    std::filesystem::create_directories(root / "backup/daily/tue");
    std::filesystem::create_directories(root / "backup/weekly");
    std::filesystem::create_directories(root / "other");
    peer.WriteFile("backup/daily/mon/file.txt", "x");
    std::filesystem::create_directory_symlink("..", root / "backup/daily/up");
    std::filesystem::create_directory_symlink("../..", root / "backup/weekly/top");

    TFtpTreeRequest request{"127.0.0.1", TFtpPeer::User, TFtpPeer::Password, peer.Port(), "/backup"};
    NullStatusView status;
    TFtpTree tree;
    ASSERT_EQ(ReadFtpTreeFromServer(request, status, tree), TFtpTreeResult::Read);
    std::vector<std::string> paths = Paths(tree.Nodes);
    std::sort(paths.begin(), paths.end());
    // "up" leads back to /backup; "top" to the server root, which lies above the base
    // folder and so is read once below it, without its own way back into /backup.
    for (const char* path : {"daily", "daily/mon", "daily/tue", "weekly"}) {
        EXPECT_NE(std::find(paths.begin(), paths.end(), path), paths.end()) << path;
    }
    EXPECT_EQ(std::find(paths.begin(), paths.end(), "daily/up"), paths.end());
    EXPECT_GE(tree.SkippedLoops, 1);
    EXPECT_LT(paths.size(), 20u);

    request.BaseDir = "/missing";
    EXPECT_EQ(ReadFtpTreeFromServer(request, status, tree), TFtpTreeResult::BaseFolderMissing);
    EXPECT_FALSE(std::filesystem::exists(root / "missing"));
    request.BaseDir = "/backup";
    request.Password = "wrong";
    EXPECT_EQ(ReadFtpTreeFromServer(request, status, tree), TFtpTreeResult::ConnectFailed);
    EXPECT_EQ(FtpFolderWithSubDir("/backup", "a/b"), "/backup/a/b");
    EXPECT_EQ(FtpFolderWithSubDir("/backup/", "a/b"), "/backup/a/b");
}
