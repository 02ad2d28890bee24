#include "tasks/Mailer.h"

#include "MailPeek.h"
#include "TempFolder.h"
#include "foundation/CommaText.h"
#include "peers/SmtpPeer.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

void Address(TMailer& mailer, const TSmtpPeer& peer)
{
    mailer.Host = "127.0.0.1";
    mailer.Port = peer.Port();
    mailer.From = {"Backup Bot", "bot@example.org"};
    mailer.SetRecipientsText("anna@example.org,\"Bob Brown <bob@example.org>\"");
    mailer.Subject = "Report";
}

} // namespace

TEST(MailAddress, ParsesCommaTextAndFormsHeaders)
{
    const auto list =
        ParseMailAddressList(CommaTextOf({"a@x.org", "Bob <b@y.org>", "", "<c@z.org>", "\"Smith, A.\" <s@x.org>"}));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1], (TMailAddress{"Bob", "b@y.org"}));
    EXPECT_EQ(list[2], (TMailAddress{"", "c@z.org"}));
    EXPECT_EQ(list[3], (TMailAddress{"Smith, A.", "s@x.org"}));
    EXPECT_EQ(MailAddressHeader(list[0]), "a@x.org");
    EXPECT_EQ(MailAddressHeader(list[3]), "\"Smith, A.\" <s@x.org>");
    EXPECT_EQ(MailAddressHeader({"Jörg", "j@x.org"}), "=?utf-8?B?SsO2cmc=?= <j@x.org>");
    for (const char* bad : {"", "a b@x.org", "a@x.org>\r\nRCPT TO:<evil@y.org", "<a@x.org>"}) {
        EXPECT_FALSE(ValidMailAddress(bad)) << bad;
    }
}

TEST(Mailer, DeliversHeadersBodyAndAttachments)
{
    TSmtpPeer peer;
    ASSERT_TRUE(peer.Start());
    TTempFolder dir;
    std::string binary;
    for (int i = 0; i < 70000; ++i) {
        binary += static_cast<char>(i * 7 % 256);
    }
    dir.WriteHostFile("run.log", "line one\nGrüße\n");
    dir.WriteHostFile("data.zip", binary);
    dir.WriteHostFile("other.bin", "raw");
    TMailer mailer;
    Address(mailer, peer);
    mailer.From = {"Sicherung Jörg", "joerg@example.org"};
    mailer.BCCList = {{"", "hidden@example.org"}};
    mailer.Subject = "Tessaro: Backup at 08.12.2026 – täglich";
    mailer.Body = {"first", "Grüße aus Köln", std::string(1200, 'x'), ".dot line"};
    mailer.Attachments.AttachedFiles = {dir.Win("run.log") + "|text/plain", dir.Win("data.zip") + "|zip",
                                        dir.Win("other.bin")};
    mailer.SetHeader("X-Run", "nightly");
    int connected = 0;
    int disconnected = 0;
    mailer.OnConnected = [&](TMailer&) { ++connected; };
    mailer.OnDisconnected = [&](TMailer&) { ++disconnected; };

    ASSERT_TRUE(mailer.Send()) << mailer.LastError;
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(disconnected, 1);
    ASSERT_EQ(peer.MessageCount(), 1);
    EXPECT_EQ(peer.EnvelopeText(1), "joerg@example.org\nanna@example.org\nbob@example.org\nhidden@example.org\n");

    const std::string mail = PeekMail(peer.MessagePath(1));
    EXPECT_THAT(mail, HasSubstr("From: Sicherung Jörg <joerg@example.org>\n"));
    EXPECT_THAT(mail, HasSubstr("To: anna@example.org, Bob Brown <bob@example.org>\n"));
    EXPECT_THAT(mail, HasSubstr("Subject: Tessaro: Backup at 08.12.2026 – täglich\n"));
    EXPECT_THAT(mail, HasSubstr("X-Run: nightly\n"));
    EXPECT_THAT(mail, Not(HasSubstr("Bcc")));
    EXPECT_THAT(mail, Not(HasSubstr("hidden")));
    EXPECT_THAT(mail, HasSubstr("DATE-OK\nID-OK\nMULTI multipart/mixed\n"
                                "PART text/plain utf-8 quoted-printable None\n"
                                "TEXT 'first\\nGrüße aus Köln\\n" +
                                std::string(1200, 'x') + "\\n.dot line\\n'\n"));
    EXPECT_THAT(mail, HasSubstr("PART text/plain None base64 run.log\n"));
    EXPECT_THAT(mail, HasSubstr("PART application/zip None base64 data.zip\n"));
    EXPECT_THAT(mail, HasSubstr("PART application/octet-stream None base64 other.bin\n"));

    TTempFolder saved;
    SaveAttachments(peer.MessagePath(1), saved.Host());
    EXPECT_EQ(saved.ReadHostFile("run.log"), "line one\nGrüße\n");
    EXPECT_EQ(saved.ReadHostFile("data.zip"), binary);
    EXPECT_EQ(saved.ReadHostFile("other.bin"), "raw");
}

TEST(Mailer, BodyPartsFollowTheHtmlSwitch)
{
    TSmtpPeer peer;
    ASSERT_TRUE(peer.Start());
    const struct
    {
        bool html;
        std::vector<std::string> body;
        const char* expected;
    } cases[] = {
        {true,
         {"plain"},
         "MULTI multipart/alternative\nPART text/plain utf-8 7bit None\nTEXT 'plain\\n'\n"
         "PART text/html utf-8 7bit None\nTEXT '<p>rich</p>\\n'\n"},
        {true, {}, "MULTI multipart/mixed\nPART text/html utf-8 7bit None\nTEXT '<p>rich</p>\\n'\n"},
        {false, {}, "MULTI multipart/mixed\nPART text/plain utf-8 7bit None\nTEXT ''\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        TMailer mailer;
        Address(mailer, peer);
        mailer.HTML = c.html;
        mailer.Body = c.body;
        mailer.HTMLBody = {"<p>rich</p>"};
        ASSERT_TRUE(mailer.Send()) << mailer.LastError;
        EXPECT_THAT(PeekMail(peer.MessagePath(++n)), HasSubstr(c.expected)) << n;
    }
}

TEST(Mailer, LogsInWhenAskedAndFailsOnAWrongPassword)
{
    TSmtpPeer peer;
    ASSERT_TRUE(peer.Start(true));
    TMailer mailer;
    Address(mailer, peer);
    mailer.UserId = TSmtpPeer::User;
    mailer.Password = TSmtpPeer::Password;
    EXPECT_TRUE(mailer.Send()) << mailer.LastError;

    std::string reported;
    mailer.OnSendError = [&](TMailer&, const std::string& error) { reported = error; };
    mailer.Password = "wrong";
    EXPECT_FALSE(mailer.Send());
    EXPECT_FALSE(mailer.LastError.empty());
    EXPECT_THAT(reported, HasSubstr("<anna@example.org,bob@example.org>"));

    mailer.UserId.clear(); // the server wants a login
    EXPECT_FALSE(mailer.Send());
    EXPECT_EQ(peer.MessageCount(), 1);
}

TEST(Mailer, ARefusedRecipientFailsTheSend)
{
    TSmtpPeer peer;
    ASSERT_TRUE(peer.Start(false, {"bob@example.org"}));
    TMailer mailer;
    Address(mailer, peer);
    EXPECT_FALSE(mailer.Send());
    EXPECT_EQ(peer.MessageCount(), 0);
}

TEST(Mailer, FailsWithoutHangingWhenNoServerAnswers)
{
    // A free port that nobody listens on, then a listener that never says hello.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t length = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length);

    TMailer mailer;
    mailer.Host = "127.0.0.1";
    mailer.Port = ntohs(addr.sin_port);
    mailer.From = {"", "bot@example.org"};
    mailer.SetRecipientsText("anna@example.org");
    EXPECT_FALSE(mailer.Send());
    EXPECT_FALSE(mailer.LastError.empty());

    ASSERT_EQ(listen(listener, 1), 0);
    mailer.ResponseTimeout = 1;
    EXPECT_FALSE(mailer.Send());
    close(listener);
}

TEST(Mailer, RefusesBadInputBeforeConnecting)
{
    TTempFolder dir;
    TMailer mailer;
    mailer.Host = "127.0.0.1";
    mailer.Port = 1; // never reached
    mailer.From = {"", "bot@example.org"};
    int errors = 0;
    mailer.OnSendError = [&](TMailer&, const std::string&) { ++errors; };
    EXPECT_FALSE(mailer.Send()); // no recipient
    mailer.SetRecipientsText("anna@example.org");
    mailer.Attachments.AttachedFiles = {dir.Win("missing.log") + "|text/plain"};
    EXPECT_FALSE(mailer.Send());
    EXPECT_THAT(mailer.LastError, HasSubstr("missing.log"));
    EXPECT_EQ(errors, 2);
}
