#include "foundation/DriveUtils.h"
#include "foundation/NetConnect.h"
#include "platform/Drives.h"

#include "EnvGuard.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// Hermetic drives: E: a labelled stick, F: a CD-ROM, G: a stick without media.
class DrivesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(dir.Host("e"));
        fs::create_directories(dir.Host("f"));
        env.Set("TESSARO_DRIVES", "E=" + dir.Host("e") + ",removable,BACKUP;F=" + dir.Host("f") +
                                      ",cdrom;G=" + dir.Host("missing") + ",removable");
        Platform::ReloadDriveTable();
    }
    void TearDown() override
    {
        env.Unset("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
        SetNetCredentials({}, {});
    }
    void MapShare()
    {
        fs::create_directories(dir.Host("nas"));
        const std::string drives = std::getenv("TESSARO_DRIVES");
        env.Set("TESSARO_DRIVES", drives + ";\\\\nas\\data=" + dir.Host("nas") + ",remote");
        Platform::ReloadDriveTable();
    }

    TTempFolder dir;
    TEnvGuard env;
};

} // namespace

TEST_F(DrivesTest, PathKindsAndDriveTypes)
{
    EXPECT_EQ(GetPathKind("\\\\server\\share\\dir"), PathKindNetwork);
    EXPECT_EQ(GetPathKind("dir\\file"), PathKindNoDrive);
    EXPECT_EQ(GetPathKind("F:"), PathKindRemovable);
    EXPECT_EQ(GetPathKind("E:\\backup"), PathKindRemovable);
    EXPECT_EQ(GetPathKind("Q:\\x"), PathKindInvalid);
    EXPECT_EQ(DriveTypeOfPath("F:\\"), 5);
    EXPECT_STREQ(DriveTypeNames[DriveTypeOfPath("F:\\")], "CD-ROM");
    EXPECT_STREQ(DriveTypeNames[DriveTypeOfPath("Q:\\")], "no root");
}

TEST_F(DrivesTest, VolumeLabels)
{
    std::string label;
    EXPECT_TRUE(GetVolumeName("E:\\some\\folder", label));
    EXPECT_EQ(label, "BACKUP");
    EXPECT_FALSE(GetVolumeName("G:\\", label));
    EXPECT_EQ(label, "not available");
    std::string root;
    EXPECT_TRUE(FindVolumeDrive("backup", root));
    EXPECT_EQ(root, "E:\\");
    EXPECT_FALSE(FindVolumeDrive("NO SUCH LABEL", root));
    EXPECT_EQ(root, "");
}

TEST_F(DrivesTest, WritableFolderTestLeavesOtherFilesAlone)
{
    dir.WriteHostFile("e/test.tmp", "mine");
    EXPECT_TRUE(IsWritableFolder("E:\\"));
    EXPECT_EQ(dir.ReadHostFile("e/test.tmp"), "mine");
    EXPECT_TRUE(IsWritableFolder("E:\\new\\deeper"));
    EXPECT_TRUE(fs::is_directory(dir.Host("e/new/deeper")));
    EXPECT_TRUE(fs::is_empty(dir.Host("e/new/deeper")));
    EXPECT_FALSE(IsWritableFolder("Q:\\x"));
    EXPECT_FALSE(IsWritableFolder("\\\\nas\\data"));
}

TEST_F(DrivesTest, ConnectNetShareWithoutNetworkCalls)
{
    TRecordingNetConnections net;
    EXPECT_TRUE(ConnectNetShare("E:\\dest", "anna", true));
    EXPECT_FALSE(ConnectNetShare("\\\\nas\\data\\dest", "", false));
    EXPECT_TRUE(net.Calls.empty());
}

TEST_F(DrivesTest, ConnectNetShareWithTheTaskUserThenStoredCredentials)
{
    TRecordingNetConnections net;
    net.OnConnected = [&](const TRecordingNetConnections::TCall&) { MapShare(); };
    EXPECT_TRUE(ConnectNetShare("\\\\nas\\data\\dest\\", "anna", false));
    ASSERT_EQ(net.Calls.size(), 1u);
    EXPECT_EQ(net.Calls[0].RemoteName, "\\\\nas\\data\\dest");
    EXPECT_EQ(net.Calls[0].User, "anna");
    EXPECT_EQ(net.Calls[0].Flags, 0u);

    TRecordingNetConnections stored;
    SetNetCredentials("backup", "secret");
    stored.AddResults = {ErrorLogonFailure, 0};
    EXPECT_TRUE(ConnectNetShare("\\\\other\\share", "anna", false));
    ASSERT_EQ(stored.Calls.size(), 3u);
    EXPECT_EQ(stored.Calls[1].Kind, "cancel");
    EXPECT_EQ(stored.Calls[2].User, "backup");
    EXPECT_EQ(stored.Calls[2].Password, "secret");
}

TEST_F(DrivesTest, InteractiveLoopRepeatsOnlyForLogonErrors)
{
    struct Case
    {
        std::vector<int> adds;
        std::vector<int> cancels;
        bool result;
        std::size_t calls;
    };
    const Case cases[] = {
        {{ErrorLogonFailure, ErrorLogonFailure, ErrorLogonFailure, 0}, {}, true, 4},
        {{ErrorLogonFailure, ErrorCancelled}, {}, false, 2},
        {{ErrorLogonFailure, 53, 0}, {}, false, 2},
        {{ErrorLogonFailure, ErrorSessionCredentialConflict, 0}, {ErrorNotConnected}, true, 4},
        {{ErrorSessionCredentialConflict, 0}, {5}, false, 2},
    };
    for (const Case& c : cases) {
        TRecordingNetConnections net;
        net.DriveConnection = "\\\\srv\\share";
        net.AddResults = c.adds;
        net.CancelResults = c.cancels;
        EXPECT_EQ(ConnectNetShare("Z:\\dest", "anna", true), c.result) << c.calls;
        EXPECT_EQ(net.Calls.size(), c.calls);
        for (std::size_t i = 1; i < net.Calls.size(); ++i) {
            if (net.Calls[i].Kind == "add") {
                EXPECT_EQ(net.Calls[i].Flags, ConnectInteractive | ConnectPrompt);
                EXPECT_EQ(net.Calls[i].RemoteName, "\\\\srv\\share");
            }
        }
    }
}

TEST(NetConnect, GioMountHelpers)
{
    EXPECT_EQ(SmbUrlOfShare("\\\\nas\\data\\dir\\x"), "smb://nas/data");
    EXPECT_EQ(SmbUrlOfShare("C:\\x"), "");
    EXPECT_EQ(GioMountAnswers("OFFICE\\anna", "pw"), "anna\nOFFICE\npw\n");
    EXPECT_EQ(GioMountAnswers("anna", ""), "anna\n\n\n");
    EXPECT_EQ(GioMountError("gio: smb://nas/data/: Permission denied"), ErrorLogonFailure);
    EXPECT_EQ(GioMountError("gio: smb://nas/data/: Failed to mount Windows share: No such file"), 53);
}
