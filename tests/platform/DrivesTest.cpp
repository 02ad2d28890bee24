#include "platform/Drives.h"
#include "platform/FileAttr.h"
#include "platform/FileSystem.h"
#include "platform/MountInfo.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace Platform;

namespace {

// Sets TESSARO_DRIVES for one test and restores the default table afterwards.
class TDrivesEnv
{
public:
    explicit TDrivesEnv(const std::string& value)
    {
        setenv("TESSARO_DRIVES", value.c_str(), 1);
        ReloadDriveTable();
    }
    ~TDrivesEnv()
    {
        unsetenv("TESSARO_DRIVES");
        ReloadDriveTable();
    }
};

} // namespace

TEST(Drives, WindowsTextMapsToHostPathsAndBack)
{
    struct
    {
        const char* win;
        const char* host;
    } cases[] = {
        {"C:\\", "/"},
        {"C:\\home\\anna\\Documents", "/home/anna/Documents"},
        {"c:\\home\\anna\\", "/home/anna"},
        {"C:/home/anna/x.txt", "/home/anna/x.txt"},
        {"C:\\a\\.\\b\\..\\c", "/a/c"},
        {"\\etc\\hosts", "/etc/hosts"},
        {"C:\\Grüße\\Ärger.txt", "/Grüße/Ärger.txt"},
        {"C:\\x\\a\xEF\x80\xBA"
         "b",
         "/x/a:b"},
        {"C:\\x\\back\xEF\x81\x9Cslash\xEF\x80\xAA", "/x/back\\slash*"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WinToHost(c.win).value_or("?"), c.host) << c.win;
    }
    EXPECT_EQ(WinToHost("rel\\dir").value_or("?"), "rel/dir");
}

TEST(Drives, DotDotNeverClimbsAboveTheDrive)
{
    TDrivesEnv env("E=/tmp/t/e");
    const std::pair<const char*, const char*> cases[] = {
        {"E:\\..\\..\\x", "/tmp/t/e/x"},
        {"E:\\a\\b\\..\\..\\..", "/tmp/t/e"},
        {"E:\\a\\..\\b\\.\\c", "/tmp/t/e/b/c"},
        {"C:\\..\\x\\..\\y", "/y"},
        {"a\\..\\..\\b", "b"},
        {"a\\..", "."},
    };
    for (const auto& [win, host] : cases) {
        EXPECT_EQ(WinToHost(win).value_or("?"), host) << win;
    }
    EXPECT_FALSE(WinToHost("Q:\\nothing").has_value());
    EXPECT_FALSE(WinToHost("\\\\nosuchserver\\share\\x").has_value());
}

TEST(Drives, LinuxNamesWithForbiddenCharactersSurviveTheRoundTrip)
{
    const std::string names[] = {"a:b",     "c\\d",  "star*",        "q?",       "quote\"",
                                 "<angle>", "pipe|", "Ünïcødé 日本", "plain.txt"};
    for (const std::string& name : names) {
        const std::string host = "/data/" + name;
        const auto win = HostToWin(host);
        ASSERT_TRUE(win.has_value()) << name;
        EXPECT_EQ(win->find_first_of(":*?\"<>|", 2), std::string::npos) << *win;
        EXPECT_EQ(WinToHost(*win).value_or("?"), host) << name;
    }
    EXPECT_EQ(HostNameToWin("a:b"), "a\xEF\x80\xBA"
                                    "b");
    EXPECT_EQ(WinNameToHost("a\xEF\x80\xBA"
                            "b\xEF\xBC\x81"),
              "a:b\xEF\xBC\x81")
        << "only carried characters go back";
    EXPECT_EQ(WinNameToHost("plain \xEF\xBC\x81.txt"), "plain \xEF\xBC\x81.txt");
    EXPECT_EQ(HostToWin("/").value_or("?"), "C:\\");
    EXPECT_EQ(HostToWin("//usr/./lib/").value_or("?"), "C:\\usr\\lib");
    EXPECT_FALSE(HostToWin("relative").has_value());
}

TEST(Drives, ExtractFileDriveGivesLetterOrShare)
{
    EXPECT_EQ(ExtractFileDrive("C:\\dir\\f.txt"), "C:");
    EXPECT_EQ(ExtractFileDrive("d:"), "d:");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\f"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("\\dir\\f"), "");
    EXPECT_EQ(ExtractFileDrive("dir\\f"), "");
}

TEST(Drives, FullPathsNameOnePlaceWhateverTheWorkingFolder)
{
    for (const char* full : {"C:\\", "e:\\Backup", "\\\\nas\\data", "\\\\nas\\data\\dir", "\\home\\ann", "/home/ann"}) {
        EXPECT_TRUE(IsFullWinPath(full)) << full;
    }
    for (const char* relative :
         {"", "Meeting notes", "dir\\sub", "C:", "C:dir", "\\\\nas", "\\\\nas\\", "\\\\\\data"}) {
        EXPECT_FALSE(IsFullWinPath(relative)) << relative;
    }
}

TEST(Drives, EnvironmentEntriesAddDrivesWithTypeAndLabel)
{
    TTempFolder tmp;
    std::filesystem::create_directories(tmp.Host("e/sub"));
    std::filesystem::create_directories(tmp.Host("nas/docs"));
    std::filesystem::create_directories(tmp.Host("c"));
    TDrivesEnv env("C=" + tmp.Host("c") + ";e:=" + tmp.Host("e") + ",removable,BACKUP;\\\\nas\\data=" +
                   tmp.Host("nas") + ",remote;F=" + tmp.Host("f") + ",cdrom,DISC 1");

    EXPECT_EQ(WinToHost("E:\\sub\\x").value_or("?"), tmp.Host("e/sub/x"));
    EXPECT_EQ(WinToHost("\\\\NAS\\Data\\docs").value_or("?"), tmp.Host("nas/docs"));
    EXPECT_EQ(WinToHost("//nas/Data\\docs").value_or("?"), tmp.Host("nas/docs"));
    EXPECT_EQ(WinToHost("/sub/x").value_or("?"), tmp.Host("c/sub/x"));
    EXPECT_EQ(WinToHost("C:\\").value_or("?"), tmp.Host("c"));
    EXPECT_EQ(HostToWin(tmp.Host("e/sub")).value_or("?"), "E:\\sub");
    EXPECT_EQ(HostToWin(tmp.Host("nas/docs")).value_or("?"), "\\\\nas\\data\\docs");
    EXPECT_EQ(HostToWin(tmp.Host("nas")).value_or("?"), "\\\\nas\\data\\");
    EXPECT_FALSE(HostToWin("/usr").has_value()); // C: no longer holds the host root

    EXPECT_EQ(GetDriveType("E:\\sub"), DriveRemovable);
    EXPECT_EQ(GetVolumeLabel("E:\\sub\\missing\\deeper"), "BACKUP");
    EXPECT_EQ(FindVolumeDrive("E:\\sub"), "E:\\");
    EXPECT_EQ(GetDriveType("\\\\nas\\data\\docs"), DriveRemote);
    EXPECT_EQ(GetDriveType("F:\\"), DriveCdrom);
    EXPECT_EQ(GetVolumeLabel("F:\\"), "DISC 1");
    EXPECT_EQ(GetDriveType("G:\\"), DriveNoRootDir);

    const auto drives = LogicalDrives();
    EXPECT_EQ(drives, (std::vector<std::string>{"C:\\", "E:\\", "F:\\"}));
}

TEST(Drives, DefaultDriveAnswersForTheMountHoldingThePath)
{
    const int type = GetDriveType("C:\\");
    EXPECT_TRUE(type == DriveFixed || type == DriveRamdisk || type == DriveRemovable || type == DriveRemote) << type;
    std::uint64_t avail = 0, total = 0, free = 0;
    ASSERT_TRUE(GetDiskFreeSpace("C:\\tmp\\no\\such\\folder", avail, total, free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(avail, free);
    EXPECT_LE(free, total);
    EXPECT_FALSE(GetDiskFreeSpace("Q:\\", avail, total, free));
}

TEST(MountInfo, SharesAndTypesComeFromMountinfoLines)
{
    const std::string text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 0:45 / /mnt/nas\\040share rw,relatime shared:30 - cifs //fileserver/Backup rw,vers=3.0\n"
        "41 22 0:46 / /mnt/s3 rw - smb3 //srv2/data/sub rw\n"
        "42 22 0:47 / /tmp rw - tmpfs tmpfs rw\n"
        "43 22 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
        "44 22 0:48 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n";
    const auto mounts = ParseMountInfo(text);
    ASSERT_EQ(mounts.size(), 6u);
    EXPECT_EQ(mounts[1].MountPoint, "/mnt/nas share");
    EXPECT_EQ(ShareOfMount(mounts[1]), "\\\\fileserver\\Backup");
    EXPECT_EQ(ShareOfMount(mounts[2]), "\\\\srv2\\data\\sub");
    EXPECT_EQ(ShareOfMount(mounts[0]), "");
    EXPECT_EQ(MountDriveType(mounts[1]), DriveRemote);
    EXPECT_EQ(MountDriveType(mounts[3]), DriveRamdisk);
    EXPECT_EQ(MountDriveType(mounts[4]), DriveCdrom);
    EXPECT_EQ(MountDriveType(mounts[5]), DriveRemote);
    EXPECT_EQ(MountHolding(mounts, "/tmp/x")->MountPoint, "/tmp");
    EXPECT_EQ(MountHolding(mounts, "/tmpx")->MountPoint, "/");
    EXPECT_EQ(MountHolding(mounts, "/mnt/nas share/a")->FsType, "cifs");
}

TEST(MountInfo, GvfsShareFoldersNameServerAndShare)
{
    const std::string root = GvfsRoots().front();
    const auto share = GvfsShareOfPath(root + "/smb-share:domain=WG,server=nas,share=my%20data,user=anna/dir/f");
    ASSERT_TRUE(share.has_value());
    EXPECT_EQ(share->Share, "\\\\nas\\my data");
    EXPECT_EQ(share->HostDir, root + "/smb-share:domain=WG,server=nas,share=my%20data,user=anna");
    EXPECT_FALSE(GvfsShareOfPath(root + "/sftp:host=x/dir").has_value());
    const auto win = HostToWin(root + "/smb-share:server=nas,share=data/docs/a.txt");
    EXPECT_EQ(win.value_or("?"), "\\\\nas\\data\\docs\\a.txt");
}

TEST(MountInfo, VolumeLabelsComeFromByLabelLinksOrTheMediaFolder)
{
    struct stat device = {};
    std::string node;
    for (const char* candidate : {"/dev/loop0", "/dev/vda", "/dev/sda", "/dev/nvme0n1"}) {
        if (stat(candidate, &device) == 0 && S_ISBLK(device.st_mode)) {
            node = candidate;
            break;
        }
    }
    if (node.empty()) {
        GTEST_SKIP() << "no block device to point at";
    }
    TTempFolder byLabel;
    std::filesystem::create_symlink(node, byLabel.Host("MY\\x20STICK"));
    TMount mount{major(device.st_rdev), minor(device.st_rdev), "/mnt/x", "vfat", node};
    EXPECT_EQ(MountVolumeLabel(mount, byLabel.Host()), "MY STICK");

    TMount desktop{major(device.st_rdev) + 1000, 0, "/media/anna/BACKUP 2", "vfat", "/dev/sdz1"};
    EXPECT_EQ(MountVolumeLabel(desktop, byLabel.Host()), "BACKUP 2");
    desktop.MountPoint = "/media/anna/BACKUP/deeper";
    EXPECT_EQ(MountVolumeLabel(desktop, byLabel.Host()), "");
}
