#include "platform/FtpClient.h"

#include "peers/FtpPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace {

// ---- listing parsers ------------------------------------------------------------------------

struct TListCase
{
    const char* Line;
    bool Parsed;
    const char* Name;
    bool IsDir;
    int64_t Size;
    const char* Time; // "YYYYMMDDHHMMSS" or "" when none
};

int64_t Unix(const char* stamp)
{
    int64_t value = 0;
    EXPECT_TRUE(ParseFtpTimeValue(stamp, value)) << stamp;
    return value;
}

void ExpectItem(const TListCase& c, bool parsed, const TFtpListItem& item)
{
    ASSERT_EQ(c.Parsed, parsed) << c.Line;
    if (!parsed) {
        return;
    }
    EXPECT_EQ(c.Name, item.Name) << c.Line;
    EXPECT_EQ(c.IsDir, item.IsDir) << c.Line;
    EXPECT_EQ(c.Size, item.Size) << c.Line;
    EXPECT_EQ(*c.Time != 0, item.HasTime) << c.Line;
    if (*c.Time) {
        EXPECT_EQ(Unix(c.Time), item.ModifiedUnix) << c.Line;
    }
}

TEST(FtpListing, MachineListingLines)
{
    const TListCase cases[] = {
        {"type=file;size=1234;modify=20240229235959; report 2024.txt", true, "report 2024.txt", false, 1234,
         "20240229235959"},
        {"Type=DIR;Modify=20200101000000.123; sub;dir", true, "sub;dir", true, -1, "20200101000000"},
        {"type=cdir;modify=20200101000000; .", false, "", false, 0, ""},
        {"type=pdir; ..", false, "", false, 0, ""},
        {"size=12; nameless-type", false, "", false, 0, ""},
        {"type=file;modify=garbage; x", true, "x", false, -1, ""},
    };
    for (const TListCase& c : cases) {
        TFtpListItem item;
        ExpectItem(c, ParseMlsdLine(c.Line, item), item);
    }
}

TEST(FtpListing, UnixAndDosListLines)
{
    const int64_t now = Unix("20240115120000");
    const TListCase cases[] = {
        {"-rw-r--r--   1 anna  users   4096 Mar  3  2021 old file.txt", true, "old file.txt", false, 4096,
         "20210303000000"},
        {"drwxr-xr-x   2 anna  users      0 Jan 10 08:30 Docs", true, "Docs", true, 0, "20240110083000"},
        // no year and a date after today: last year
        {"-rw-r--r--   1 anna  users     17 Dec 24 18:00 gift", true, "gift", false, 17, "20231224180000"},
        {"-rw-r--r--   1 ftp      42 Jan  2 09:15 nogroup", true, "nogroup", false, 42, "20240102091500"},
        {"lrwxrwxrwx   1 anna  users      7 Jan  2  2020 link -> target", true, "link", false, 7, "20200102000000"},
        {"drwxr-xr-x   2 anna  users   4096 Jan  2  2020 ..", false, "", false, 0, ""},
        {"total 48", false, "", false, 0, ""},
        {"01-31-20  02:30PM       <DIR>          Pics 2020", true, "Pics 2020", true, -1, "20200131143000"},
        {"12-01-1999  12:05AM            123456 setup.exe", true, "setup.exe", false, 123456, "19991201000500"},
        {"07-04-2023  17:45                 9 a.txt", true, "a.txt", false, 9, "20230704174500"},
        {"", false, "", false, 0, ""},
    };
    for (const TListCase& c : cases) {
        TFtpListItem item;
        ExpectItem(c, ParseListLine(c.Line, now, item), item);
    }
}

TEST(FtpListing, TimeValuesRoundTrip)
{
    for (const char* stamp : {"19700101000000", "20380119031408", "20991231235959"}) {
        EXPECT_EQ(stamp, FormatFtpTimeValue(Unix(stamp)));
    }
    int64_t value = 0;
    EXPECT_FALSE(ParseFtpTimeValue("2024013112000", value));
    EXPECT_FALSE(ParseFtpTimeValue("20241331120000", value));
}

// ---- sessions against a real server ---------------------------------------------------------

std::string RandomBytes(size_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string data(size, '\0');
    for (char& c : data) {
        c = static_cast<char>(gen());
    }
    return data;
}

class FtpClientTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Peer.Start()); }

    void Configure(TFtpClient& client) const
    {
        Peer.FillLogin(client);
        client.TransferTimeout = 10000;
    }

    TFtpPeer Peer;
};

TEST_F(FtpClientTest, WrongPasswordFailsToConnect)
{
    TFtpClient client;
    Configure(client);
    client.Password = "wrong";
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(client.Connected());
    EXPECT_NE(std::string::npos, client.LastError().find("530"));
}

TEST_F(FtpClientTest, FoldersFilesAndTimesInBothDataModes)
{
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        TFtpClient client;
        Configure(client);
        client.Passive = passive;
        ASSERT_TRUE(client.Connect()) << client.LastError();
        EXPECT_TRUE(client.SupportsExtension("utf8"));
        EXPECT_TRUE(client.SupportsExtension("MFMT"));
        const std::string dir = passive ? "pass dir" : "act dir";
        ASSERT_TRUE(client.MakeDir(dir));
        EXPECT_EQ(257, client.LastReplyCode());
        ASSERT_TRUE(client.ChangeDir(dir));
        std::string pwd;
        ASSERT_TRUE(client.PrintWorkingDir(pwd));
        EXPECT_EQ("/" + dir, pwd);

        const std::string data = RandomBytes(3 * 1024 * 1024 + 17, 7);
        int64_t lastWork = 0;
        client.OnWork = [&](TFtpWorkMode mode, int64_t bytes) {
            EXPECT_EQ(TFtpWorkMode::Write, mode);
            lastWork = bytes;
        };
        ASSERT_TRUE(client.Store(SourceOf(data), "big.bin", false)) << client.LastError();
        EXPECT_EQ(static_cast<int64_t>(data.size()), lastWork);
        client.OnWork = nullptr;
        const std::string tail = "-appended";
        ASSERT_TRUE(client.Store(SourceOf(tail), "big.bin", true));
        EXPECT_EQ(data + tail, Peer.ReadFile(dir + "/big.bin"));

        std::string back;
        ASSERT_TRUE(client.Retrieve("big.bin", [&](const char* buf, size_t size) {
            back.append(buf, size);
            return true;
        }));
        EXPECT_EQ(data + tail, back);

        const int64_t stamp = Unix("20200506070809");
        ASSERT_TRUE(client.SetModTime("big.bin", stamp));
        std::vector<TFtpListItem> items;
        ASSERT_TRUE(client.List(items));
        ASSERT_EQ(1u, items.size());
        EXPECT_EQ("big.bin", items[0].Name);
        EXPECT_EQ(stamp, items[0].ModifiedUnix);
        EXPECT_EQ(static_cast<int64_t>(data.size() + tail.size()), items[0].Size);

        EXPECT_TRUE(client.DeleteFile("big.bin"));
        EXPECT_FALSE(client.DeleteFile("big.bin"));
        EXPECT_EQ(550, client.LastReplyCode());
        EXPECT_TRUE(client.ChangeDirUp());
        EXPECT_TRUE(client.RemoveDir(dir));
        EXPECT_TRUE(client.Noop());
        client.Disconnect();
        EXPECT_FALSE(client.Connected());
    }
}

TEST_F(FtpClientTest, ListsWithListWhenMachineListingIsMissing)
{
    Peer.Stop();
    ASSERT_TRUE(Peer.Start({"--disable", "MLSD,MLST,FEAT"}));
    Peer.WriteFile("a.txt", "abc");
    Peer.WriteFile("sub/b.txt", "b");
    TFtpClient client;
    Configure(client);
    ASSERT_TRUE(client.Connect()) << client.LastError();
    EXPECT_TRUE(client.FeatLines().empty());
    std::vector<TFtpListItem> items;
    ASSERT_TRUE(client.List(items)) << client.LastError();
    std::sort(items.begin(), items.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ("a.txt", items[0].Name);
    EXPECT_FALSE(items[0].IsDir);
    EXPECT_EQ(3, items[0].Size);
    EXPECT_EQ("sub", items[1].Name);
    EXPECT_TRUE(items[1].IsDir);
}

TEST_F(FtpClientTest, NoticesAServerThatWentAwayAndReconnects)
{
    TFtpClient client;
    Configure(client);
    ASSERT_TRUE(client.Connect());
    EXPECT_TRUE(client.Connected());
    const uint16_t port = Peer.Port();
    Peer.Stop();
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.Store(SourceOf("lost"), "lost.txt", false));
    ASSERT_TRUE(Peer.Start({}, port));
    ASSERT_TRUE(client.Connect()) << client.LastError();
    EXPECT_TRUE(client.Store(SourceOf("back"), "back.txt", false));
    EXPECT_EQ("back", Peer.ReadFile("back.txt"));
}

// ---- proxy logons ---------------------------------------------------------------------------

class FtpProxyTest : public FtpClientTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(FtpProxyTest, LogsOnThroughTheProxy)
{
    const int type = GetParam();
    TPeerProcess proxy;
    ASSERT_TRUE(proxy.Start("ftp_proxy.py", {"--type", std::to_string(type), "--upstream-port",
                                             std::to_string(Peer.Port()), "--user", TFtpPeer::User, "--password",
                                             TFtpPeer::Password, "--proxy-user", "fw", "--proxy-password", "fwpass"}));
    Peer.WriteFile("seen.txt", "through the proxy");
    for (const bool rightPassword : {false, true}) {
        TFtpClient client;
        Configure(client);
        client.Proxy = {static_cast<TFtpProxyType>(type), "127.0.0.1", proxy.Port(), "fw",
                        rightPassword ? "fwpass" : "nope"};
        if (!rightPassword) {
            if (type != 1) { // that method sends no proxy password
                EXPECT_FALSE(client.Connect());
            }
            continue;
        }
        ASSERT_TRUE(client.Connect()) << client.LastError();
        std::vector<TFtpListItem> items;
        ASSERT_TRUE(client.List(items)) << client.LastError();
        ASSERT_EQ(1u, items.size());
        EXPECT_EQ("seen.txt", items[0].Name);
    }
}

INSTANTIATE_TEST_SUITE_P(AllMethods, FtpProxyTest, ::testing::Range(1, 7));

} // namespace
