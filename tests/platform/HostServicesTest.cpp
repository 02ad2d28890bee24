#include "platform/FolderLock.h"
#include "platform/HostCommand.h"
#include "platform/Trash.h"

#include "EnvGuard.h"
#include "TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
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

TEST(FolderLock, OneRunPerFolderWhateverItsSpelling)
{
    TTempFolder temp;
    std::filesystem::create_directories(temp.Host("run"));
    std::filesystem::create_directories(temp.Host("dest/sub"));
    const std::string run = temp.Host("run");
    auto first = std::make_unique<Platform::TFolderLock>(temp.Win("dest"), run);
    ASSERT_TRUE(first->TryLock());
    Platform::TFolderLock again(temp.Win("dest\\sub\\..\\"), run);
    EXPECT_FALSE(again.TryLock());
    Platform::TFolderLock other(temp.Win("dest\\sub"), run);
    EXPECT_TRUE(other.TryLock());
    first.reset(); // the holder removes the lock file; the waiter takes a new one
    EXPECT_TRUE(again.TryLock());
    Platform::TFolderLock third(temp.Win("dest"), run);
    EXPECT_FALSE(third.TryLock());
    // Without a runtime folder nothing can be locked, and nothing is kept from running.
    EXPECT_TRUE(Platform::TFolderLock(temp.Win("dest"), "").TryLock());
}
