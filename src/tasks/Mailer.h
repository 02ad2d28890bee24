#pragma once

// Sends one message over SMTP: the report mail of a backup run.
//
//   TMailer mailer;
//   mailer.Host = "mail.example.org";  mailer.Port = 587;
//   mailer.UserId = "anna";  mailer.Password = "...";       // empty UserId: no AUTH
//   mailer.From = {"Tessaro", "backup@example.org"};
//   mailer.SetRecipientsText("anna@example.org,\"Bob <bob@example.org>\"");
//   mailer.Subject = "...";  mailer.Body = {"line 1", "line 2"};
//   mailer.Attachments.AttachedFiles = {"C:\\tmp\\run.log|text/plain"};
//   mailer.SetHeader("Reply-To", "anna@example.org");
//   bool sent = mailer.Send();
//
// Send never raises: any failure (no server, refused login or recipient, unreadable
// attachment, time-out) gives false, LastError and OnSendError. The server decides the
// login method (PLAIN, LOGIN, ...); STARTTLS is used whenever the server offers it, and
// port 465 speaks TLS from the start. Texts are UTF-8; bodies go as 7bit when they are
// plain ASCII in short lines, else quoted-printable, so servers without 8BITMIME get
// them intact. The transfer runs beside the caller, which keeps its windows alive
// (ProcessMessages) while it waits.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TMailAddress
{
    std::string Name; // display name, may be empty
    std::string Address;

    bool operator==(const TMailAddress&) const = default;
};

// "Name <addr>", "\"Name\" <addr>", "<addr>" or a bare address.
TMailAddress ParseMailAddress(std::string_view item);
// Comma text (items with blanks quoted), each item parsed; empty items are skipped.
std::vector<TMailAddress> ParseMailAddressList(std::string_view commaText);
// An address fit for the SMTP envelope: not empty, no blanks, control characters or "<>".
bool ValidMailAddress(const std::string& address);
// The header form: "addr", or "Name <addr>" with the name quoted or encoded as needed.
std::string MailAddressHeader(const TMailAddress& address);
// A header value: unchanged when plain ASCII, else encoded words (UTF-8, base64).
// Line breaks become blanks, so a value can never start another header.
std::string EncodeHeaderText(std::string_view text);
// The transfer encoding a text part needs: "7bit" or "quoted-printable".
const char* TextTransferEncoding(std::string_view text);
// "Tue, 08 Dec 2026 20:06:27 +0100" for a Unix time and the local zone's offset.
std::string MailDateText(long long unixSeconds, int offsetMinutes);

class TAttachement
{
public:
    // One file per line: its path, optionally "|" and a content type. A type without
    // "/" is taken as "application/" + type.
    std::vector<std::string> AttachedFiles;
};

class TMailer
{
public:
    TMailer();
    ~TMailer();
    TMailer(const TMailer&) = delete;
    TMailer& operator=(const TMailer&) = delete;

    std::vector<std::string> Body;
    std::vector<std::string> HTMLBody;
    TAttachement Attachments;
    std::string Host;
    int Port = 25;
    std::string UserId;
    std::string Password;
    TMailAddress From;
    std::vector<TMailAddress> Recipients;
    std::vector<TMailAddress> BCCList;
    std::string Subject;
    // Send HTMLBody (with Body as its plain alternative when Body is not empty).
    bool HTML = false;

    // Called on the caller's thread; the text is the error and the recipients in "<>".
    std::function<void(TMailer& sender, const std::string& error)> OnSendError;
    std::function<void(TMailer& sender)> OnConnected;
    std::function<void(TMailer& sender)> OnDisconnected;

    // A dead server cannot hold the program longer than these (seconds).
    long ConnectTimeout = 30;
    long ResponseTimeout = 60;

    // Text of the last failure of Send; empty after a success.
    std::string LastError;

    void SetRecipientsText(const std::string& commaText);
    // Recipients as comma-separated text, as the error text shows them.
    std::string RecipientsText() const;

    void ClearHeaders();
    // Replaces the header of that name (ignoring case); an empty value removes it.
    void SetHeader(const std::string& name, const std::string& value);
    const std::vector<std::pair<std::string, std::string>>& Headers() const { return headers; }

    // True when the server took the message.
    bool Send();

private:
    bool Fail(const std::string& error);

    std::vector<std::pair<std::string, std::string>> headers;
};
