#pragma once

#include "platform/FtpListing.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TFtpWorkMode
{
    Read,
    Write
};

// Logon methods through an FTP proxy (the numbers are stored in task files).
enum class TFtpProxyType : uint8_t
{
    None = 0,
    UserAtHost = 1,          // USER user@host
    Site = 2,                // proxy logon, SITE host, logon
    Open = 3,                // (proxy logon,) OPEN host, logon
    UserProxyUserAtHost = 4, // USER user@proxyuser@host, PASS pass@proxypass
    Transparent = 5,         // proxy logon, then the normal logon
    UserAtHostAcct = 6       // USER user@host proxyuser, PASS pass, ACCT proxypass
};

struct TFtpProxy
{
    TFtpProxyType Type = TFtpProxyType::None;
    std::string Host;
    uint16_t Port = 2121;
    std::string Username;
    std::string Password;
};

// Fills buf with up to size bytes; returns the count, 0 at the end, -1 on a read error.
using TFtpSource = std::function<int64_t(char* buf, size_t size)>;
// Takes the next size bytes of a download; false stops the transfer as failed.
using TFtpSink = std::function<bool(const char* buf, size_t size)>;

// The path of a 257 reply text: '"/a ""b""" created' -> '/a "b"'; false when none is quoted.
bool ExtractQuotedPath(const std::string& text, std::string& path);

// The data port of a 229 reply text ("Entering Extended Passive Mode (|||port|)") and of a
// 227 one ("Entering Passive Mode (h1,h2,h3,h4,p1,p2)", parentheses optional); false when
// the text holds no port from 1 to 65535. The address of a 227 reply is never taken.
bool ParseEpsvPort(const std::string& text, uint16_t& port);
bool ParsePasvPort(const std::string& text, uint16_t& port);

// A stateful FTP session over one control connection. Every call returns false on failure
// and leaves the reason in LastError(); nothing throws. A session is driven by one thread at
// a time; only Abort() may be called from another thread.
class TFtpClient
{
public:
    TFtpClient();
    virtual ~TFtpClient();
    TFtpClient(const TFtpClient&) = delete;
    TFtpClient& operator=(const TFtpClient&) = delete;

    std::string Host;
    uint16_t Port = 21;
    std::string Username;
    std::string Password;
    std::string Account;         // sent when the server asks for ACCT
    bool Passive = true;         // passive (EPSV, PASV) or active (EPRT, PORT) data connections
    bool UseMLIS = true;         // list with MLSD when the server offers it
    int TransferTimeout = 30000; // ms without progress on a connection before it counts as dead
    int ConnectTimeout = 30000;  // ms
    TFtpProxy Proxy;

    // Transfer progress on the transferring thread: mode and bytes of this transfer so far.
    std::function<void(TFtpWorkMode, int64_t)> OnWork;
    std::function<void()> OnAfterLogin;

    // Opens the control connection, logs on (through the proxy when one is set), reads the
    // FEAT list and selects binary transfers.
    bool Connect();
    // Sends QUIT when the session is still up and closes it.
    void Disconnect();
    // True while the session is up; notices a connection the server closed while idle.
    virtual bool Connected();

    // Stops the running transfer, or the next one when none runs. Safe from any thread.
    void Abort();
    // Forgets an abort that no transfer has consumed yet.
    void ClearAbort();

    bool Noop();
    bool PrintWorkingDir(std::string& dir);
    bool ChangeDir(const std::string& dir);
    bool ChangeDirUp();
    bool MakeDir(const std::string& dir);
    bool RemoveDir(const std::string& dir);
    bool DeleteFile(const std::string& name);
    bool Store(const TFtpSource& source, const std::string& name, bool append);
    // Downloads a file; with maxBytes >= 0 stops after that many bytes (then true).
    bool Retrieve(const std::string& name, const TFtpSink& sink, int64_t maxBytes = -1);
    // Lists the current folder: MLSD when offered and UseMLIS is set, else LIST.
    bool List(std::vector<TFtpListItem>& items);
    // Sets a file's modification time (UTC): MFMT when offered, else MDTM with a time.
    bool SetModTime(const std::string& name, int64_t unixTime);
    // False when the server announced neither MFMT nor MDTM, or refused to set a time by MDTM.
    bool CanSetModTime() const;
    // Sends any command; true when the reply code is below 400.
    bool SendCmd(const std::string& command);

    // The lines of the FEAT reply between its first and last line (trimmed); empty when the
    // server does not know FEAT.
    const std::vector<std::string>& FeatLines() const { return m_feat; }
    // Whether the FEAT list names the extension (its first word, ignoring case).
    bool SupportsExtension(std::string_view name) const;

    int LastReplyCode() const { return m_replyCode; }
    // Text of the last reply's first line without its code.
    const std::string& LastReplyText() const { return m_replyText; }
    const std::string& LastError() const { return m_error; }

protected:
    // Runs after a successful logon; calls OnAfterLogin.
    virtual void DoAfterLogin();

private:
    class TSocket;
    struct TDataLink;

    bool OpenControl(const std::string& host, uint16_t port);
    bool LogOn();
    bool Login(const std::string& user, const std::string& password, const std::string& account);
    std::string TargetHost() const;
    int Command(const std::string& command);
    int ReadReply();
    bool ReadLine(std::string& line);
    bool Fail(const std::string& error);
    void DropConnection(const std::string& error);
    void ClearInput();
    bool OpenDataLink(TDataLink& link);
    bool OpenPassive(TDataLink& link);
    bool OpenActive(TDataLink& link);
    bool Transfer(const std::string& command, TFtpWorkMode mode, const TFtpSource& source, const TFtpSink& sink,
                  int64_t maxBytes);
    bool PumpUpload(TSocket& data, const TFtpSource& source);
    bool PumpDownload(TSocket& data, const TFtpSink& sink, int64_t maxBytes, bool& cut);
    bool FinishAbortedTransfer();
    bool AbortPending() const;
    std::vector<char>& TransferBuffer();

    std::unique_ptr<TSocket> m_control;
    std::string m_input;
    size_t m_scanned = 0; // m_input up to here holds no line end
    std::vector<std::string> m_feat;
    int m_replyCode = 0;
    std::string m_replyText;
    std::vector<std::string> m_replyLines; // inner lines of a multi-line reply
    std::vector<char> m_buffer;
    std::string m_error;
    bool m_noEpsv = false;
    bool m_noEprt = false;
    bool m_noMdtmSet = false;
    int m_abortFd = -1;
    std::atomic<bool> m_aborted{false};
};
