// The FTP side of a run against a server that misbehaves on purpose
// (tests/peers/ftp_hostile.py): every session ends with an error or with what a sound
// server would have given, nothing goes to another address, nothing local changes.

#include "TempFolder.h"
#include "engine/ExtFtp.h"
#include "foundation/Stream.h"
#include "peers/PeerProcess.h"
#include "tasks/TimeStamp.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class HostileFtpTest : public ::testing::Test
{
protected:
    bool Start(const std::string& mode)
    {
        if (!server.Start("ftp_hostile.py", {"--mode", mode, "--report", folder.Host("report")})) {
            return false;
        }
        ftp.Host = "127.0.0.1";
        ftp.Port = server.Port();
        ftp.Username = "anna";
        ftp.Password = "pw";
        ftp.TransferTimeout = 5000;
        ftp.ConnectTimeout = 5000;
        return true;
    }
    std::string Report() const { return folder.ReadHostFile("report"); }

    TTempFolder folder;
    TPeerProcess server;
    TExtFtp ftp;
};

} // namespace

TEST_F(HostileFtpTest, AnEndlessReplyLineClosesTheConnection)
{
    ASSERT_TRUE(Start("endless-line"));
    EXPECT_FALSE(ftp.Connect());
    EXPECT_NE(ftp.LastError().find("longer than 64 KiB"), std::string::npos) << ftp.LastError();
    EXPECT_FALSE(ftp.Connected());
}

TEST_F(HostileFtpTest, AnEndlessMultiLineReplyClosesTheConnection)
{
    ASSERT_TRUE(Start("endless-multiline"));
    EXPECT_FALSE(ftp.Connect());
    EXPECT_NE(ftp.LastError().find("longer than 1 MiB"), std::string::npos) << ftp.LastError();
    EXPECT_FALSE(ftp.Connected());
}

TEST_F(HostileFtpTest, ASilentServerEndsWithTheIdleTimeOut)
{
    ASSERT_TRUE(Start("silent"));
    ftp.TransferTimeout = 300;
    EXPECT_FALSE(ftp.Connect());
    EXPECT_EQ(ftp.LastError(), "Read timed out");
    EXPECT_FALSE(ftp.Connected());
}

TEST_F(HostileFtpTest, PassiveDataGoesToTheServerWeLoggedOnTo)
{
    ASSERT_TRUE(Start("pasv-elsewhere"));
    ASSERT_TRUE(ftp.Connect()) << ftp.LastError();
    EXPECT_TRUE(ftp.FillFileList()) << ftp.LastError();
    EXPECT_TRUE(ftp.RemoteFileExists("good.txt"));
    EXPECT_EQ(Report(), "") << "the address named in the 227 reply was used";
}

TEST_F(HostileFtpTest, ListedNamesThatLeaveTheFolderAreDropped)
{
    ASSERT_TRUE(Start("evil-list"));
    ASSERT_TRUE(ftp.Connect()) << ftp.LastError();
    ASSERT_TRUE(ftp.FillFileList()) << ftp.LastError();
    std::vector<std::string> names;
    for (const TFtpListItem& item : ftp.Listing) {
        names.push_back(item.Name);
    }
    EXPECT_EQ(names, std::vector<std::string>{"good.txt"});
}

TEST_F(HostileFtpTest, TheTimeStampDownloadReadsOnlyItsEightBytes)
{
    ASSERT_TRUE(Start("huge-stamp"));
    ASSERT_TRUE(ftp.Connect()) << ftp.LastError();
    EXPECT_DOUBLE_EQ(ReadFtpTimeStamp(ftp), 46000.5);
    TMemoryStream stream;
    EXPECT_EQ(ftp.Download(TimeStampName, stream, 8), 0);
    EXPECT_EQ(stream.Data.size(), 8u);
    EXPECT_TRUE(ftp.Connected()) << "the session goes on after a cut download";
    EXPECT_TRUE(ftp.FillFileList()) << ftp.LastError();
}
