#include "platform/FolderLock.h"
#include "platform/HostCommand.h"
#include "platform/Trash.h"

#include "EnvGuard.h"
#include "TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(HostCommand, FeedsInputAndReportsExitCodeAndOutput)
{
    auto result =
        Platform::RunHostCommand({"sh", "-c", "read a; read b; echo \"$b-$a\"; echo err >&2; exit 3"}, "one\ntwo\n");
    EXPECT_EQ(result.ExitCode, 3);
    EXPECT_EQ(result.Output, "two-one\nerr\n");
    // A program that ignores a large input must not hang or kill us.
    result = Platform::RunHostCommand({"true"}, std::string(1 << 20, 'x'));
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(Platform::RunHostCommand({"no-such-program-here"}).ExitCode, -1);
    EXPECT_TRUE(Platform::HostCommandExists("sh"));
    EXPECT_FALSE(Platform::HostCommandExists("no-such-program-here"));
}

TEST(Trash, FilesOnAnotherVolumeGoToThatVolumesTrash)
{
    struct stat tmpStat
    {
    }, shmStat{};
    if (::stat("/tmp", &tmpStat) != 0 || ::stat("/dev/shm", &shmStat) != 0 || tmpStat.st_dev == shmStat.st_dev ||
        ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable volume";
    }
    TTempFolder home;
    TEnvGuard env;
    env.Set("XDG_DATA_HOME", home.Host("data"));
    const std::string name = "tessaro-trash-test-" + std::to_string(::getpid());
    const std::string file = "/dev/shm/" + name;
    {
        std::ofstream(file) << "x";
    }
    const std::string trash = "/dev/shm/.Trash-" + std::to_string(::getuid());
    const bool trashExisted = fs::exists(trash);

    ASSERT_EQ(Platform::MoveToTrash("C:\\dev\\shm\\" + name), 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::exists(trash + "/files/" + name));
    std::ifstream in(trash + "/info/" + name + ".trashinfo");
    const std::string info((std::istreambuf_iterator<char>(in)), {});
    // Inside a volume's own trash the path is relative to the volume's top folder.
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + name + "\nDeletionDate=", 0), 0u) << info;

    fs::remove(trash + "/files/" + name);
    fs::remove(trash + "/info/" + name + ".trashinfo");
    if (!trashExisted) {
        fs::remove_all(trash);
    }
}

namespace {

// A second way to the folder: a bind mount where the test may make one, else a link.
class TAlias
{
public:
    TAlias(const std::string& folder, const std::string& alias)
    {
        fs::create_directories(alias);
        mounted = mount(folder.c_str(), alias.c_str(), nullptr, MS_BIND, nullptr) == 0;
        if (!mounted) {
            fs::remove(alias);
            fs::create_directory_symlink(folder, alias);
        }
        path = alias;
    }
    ~TAlias()
    {
        if (mounted) {
            umount(path.c_str());
        }
    }
    TAlias(const TAlias&) = delete;
    TAlias& operator=(const TAlias&) = delete;

private:
    std::string path;
    bool mounted = false;
};

} // namespace

TEST(FolderLock, OneRunPerFolderWhateverItsSpelling)
{
    TTempFolder temp;
    fs::create_directories(temp.Host("dest/sub"));
    const TAlias alias(temp.Host("dest"), temp.Host("alias"));
    auto first = std::make_unique<Platform::TFolderLock>(temp.Win("dest"));
    ASSERT_TRUE(first->TryLock());
    Platform::TFolderLock again(temp.Win("dest\\sub\\..\\"));
    EXPECT_FALSE(again.TryLock());
    Platform::TFolderLock aliased(temp.Win("alias"));
    EXPECT_FALSE(aliased.TryLock());
    Platform::TFolderLock other(temp.Win("dest\\sub"));
    EXPECT_TRUE(other.TryLock());
    first.reset();
    EXPECT_TRUE(again.TryLock());
    EXPECT_FALSE(aliased.TryLock());

    // A folder not there yet is made for the lock and goes again when nothing came into it.
    auto made = std::make_unique<Platform::TFolderLock>(temp.Win("new\\deeper"), true);
    EXPECT_TRUE(made->TryLock());
    EXPECT_FALSE(Platform::TFolderLock(temp.Win("new\\deeper")).TryLock());
    made.reset();
    EXPECT_FALSE(fs::exists(temp.Host("new")));
    // Nothing to lock keeps nobody from running.
    EXPECT_TRUE(Platform::TFolderLock(temp.Win("missing")).TryLock());
}

TEST(FolderLock, OneRunPerFtpFolderOfTheMachine)
{
    TTempFolder temp;
    const std::string locks = temp.Host("locks");
    fs::create_directories(locks);
    auto first = std::make_unique<Platform::TFolderLock>("Example.org", 21, "backup\\\\daily/", locks);
    ASSERT_TRUE(first->TryLock());
    EXPECT_FALSE(Platform::TFolderLock("example.ORG", 21, "backup/daily", locks).TryLock());
    EXPECT_TRUE(Platform::TFolderLock("example.org", 2121, "backup/daily", locks).TryLock());
    EXPECT_TRUE(Platform::TFolderLock("example.org", 21, "backup", locks).TryLock());
    first.reset(); // the holder removes its lock file
    EXPECT_TRUE(fs::is_empty(locks));
    // Without a folder for the lock there is no lock, and no run.
    Platform::TFolderLock nowhere("example.org", 21, "backup/daily", "");
    EXPECT_FALSE(nowhere.TryLock());
    EXPECT_EQ(nowhere.Failure(), Platform::TLockFailure::NoHome);
}
