#include "tasks/Mailer.h"

#include "MailPeek.h"
#include "TempFolder.h"
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

TEST(MailAddress, ParsesItemsOfCommaText)
{
    const struct
    {
        const char* item;
        TMailAddress expected;
    } cases[] = {
        {"anna@example.org", {"", "anna@example.org"}},
        {"  <anna@example.org> ", {"", "anna@example.org"}},
        {"Anna Smith <anna@example.org>", {"Anna Smith", "anna@example.org"}},
        {"\"Smith, Anna\" <anna@example.org>", {"Smith, Anna", "anna@example.org"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseMailAddress(c.item), c.expected) << c.item;
    }
    const auto list = ParseMailAddressList("a@x.org, \"Bob <b@y.org>\",,c@z.org");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1], (TMailAddress{"Bob", "b@y.org"}));
}

TEST(MailAddress, HeaderFormsAndEnvelopeChecks)
{
    EXPECT_EQ(MailAddressHeader({"", "a@x.org"}), "a@x.org");
    EXPECT_EQ(MailAddressHeader({"Anna", "a@x.org"}), "Anna <a@x.org>");
    EXPECT_EQ(MailAddressHeader({"Smith, A.", "a@x.org"}), "\"Smith, A.\" <a@x.org>");
    EXPECT_EQ(MailAddressHeader({"Jörg", "j@x.org"}), "=?utf-8?B?SsO2cmc=?= <j@x.org>");
    EXPECT_TRUE(ValidMailAddress("postmaster"));
    for (const char* bad : {"", "a b@x.org", "a@x.org>\r\nRCPT TO:<evil@y.org", "<a@x.org>"}) {
        EXPECT_FALSE(ValidMailAddress(bad)) << bad;
    }
}

TEST(MailText, EncodingsFitTheContent)
{
    EXPECT_EQ(EncodeHeaderText("Backup at 08.12.2026"), "Backup at 08.12.2026");
    EXPECT_EQ(EncodeHeaderText("a\r\nBcc: x"), "a  Bcc: x");
    // Long non-ASCII texts become several encoded words, never cut inside a character.
    const std::string encoded = EncodeHeaderText(std::string(40, 'a') + "äöü" + std::string(40, 'b'));
    EXPECT_EQ(std::count(encoded.begin(), encoded.end(), ' '), 1);
    EXPECT_EQ(TextTransferEncoding("plain\r\ntext\r\n"), std::string("7bit"));
    EXPECT_EQ(TextTransferEncoding("Grüße\r\n"), std::string("quoted-printable"));
    EXPECT_EQ(TextTransferEncoding(std::string(998, 'x') + "\r\n"), std::string("7bit"));
    EXPECT_EQ(TextTransferEncoding(std::string(999, 'x') + "\r\n"), std::string("quoted-printable"));
    EXPECT_EQ(MailDateText(0, 0), "Thu, 01 Jan 1970 00:00:00 +0000");
    EXPECT_EQ(MailDateText(1796760000, -150), "Tue, 08 Dec 2026 17:30:00 -0230");
}

TEST(Mailer, SetHeaderReplacesAndRemoves)
{
    TMailer mailer;
    mailer.SetHeader("Reply-To", "a@x.org");
    mailer.SetHeader("User-Agent", "Tessaro");
    mailer.SetHeader("reply-to", "b@x.org");
    ASSERT_EQ(mailer.Headers().size(), 2u);
    EXPECT_EQ(mailer.Headers()[0].second, "b@x.org");
    mailer.SetHeader("REPLY-TO", "");
    ASSERT_EQ(mailer.Headers().size(), 1u);
    mailer.ClearHeaders();
    EXPECT_TRUE(mailer.Headers().empty());
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
    mailer.SetRecipientsText("\"a@x.org> RCPT TO:<evil@y.org\"");
    EXPECT_FALSE(mailer.Send());
    mailer.SetRecipientsText("anna@example.org");
    mailer.From = {"Name only", ""};
    EXPECT_FALSE(mailer.Send());
    mailer.From = {"", "bot@example.org"};
    mailer.Attachments.AttachedFiles = {dir.Win("missing.log") + "|text/plain"};
    EXPECT_FALSE(mailer.Send());
    EXPECT_THAT(mailer.LastError, HasSubstr("missing.log"));
    EXPECT_EQ(errors, 4);
}
