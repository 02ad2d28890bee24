#include "platform/FtpClient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t TransferChunk = size_t{256} * 1024;
// What a server may send before it counts as broken: one reply line, one whole reply,
// one listing.
constexpr size_t MaxReplyLine = size_t{64} * 1024;
constexpr size_t MaxReply = size_t{1024} * 1024;
constexpr size_t MaxListingBytes = size_t{64} * 1024 * 1024;
constexpr size_t MaxListingEntries = 500000;

enum class TWait
{
    Ready,
    Timeout,
    Aborted,
    Failed
};

std::string UpperAscii(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](unsigned char c) { return std::toupper(c); });
    return result;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string AddressText(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    }
    return text;
}

uint16_t AddressPort(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
}

void SetAddressPort(sockaddr_storage& address, uint16_t port)
{
    if (address.ss_family == AF_INET) {
        reinterpret_cast<sockaddr_in&>(address).sin_port = htons(port);
    } else {
        reinterpret_cast<sockaddr_in6&>(address).sin6_port = htons(port);
    }
}

// The name of a file for a command: a bare name must not smuggle a line end into the session.
bool SafeArgument(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos;
}

} // namespace

// A TCP socket in non-blocking mode whose waits end on data, a time-out or the abort signal.
class TFtpClient::TSocket
{
public:
    TSocket() = default;
    ~TSocket() { Close(); }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    void Close()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    void Adopt(int fd)
    {
        Close();
        m_fd = fd;
        fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
        const int one = 1;
        setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }

    TWait Wait(short events, int timeoutMs, int abortFd) const
    {
        pollfd fds[2] = {{m_fd, events, 0}, {abortFd, POLLIN, 0}};
        const nfds_t count = abortFd >= 0 ? 2 : 1;
        for (;;) {
            const int n = ::poll(fds, count, timeoutMs);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return TWait::Failed;
            }
            if (n == 0) {
                return TWait::Timeout;
            }
            if (count == 2 && (fds[1].revents & POLLIN)) {
                return TWait::Aborted;
            }
            return TWait::Ready;
        }
    }

    // Connects to the first address of host:port that answers.
    bool Connect(const std::string& host, uint16_t port, int timeoutMs, int abortFd, std::string& error)
    {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
        if (rc != 0) {
            error = "Cannot resolve " + host + ": " + gai_strerror(rc);
            return false;
        }
        bool connected = false;
        for (addrinfo* ai = found; ai && !connected; ai = ai->ai_next) {
            connected = ConnectTo(ai->ai_addr, ai->ai_addrlen, timeoutMs, abortFd, error);
        }
        freeaddrinfo(found);
        return connected;
    }

    bool ConnectTo(const sockaddr* address, socklen_t length, int timeoutMs, int abortFd, std::string& error)
    {
        Adopt(::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (m_fd < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            return false;
        }
        if (::connect(m_fd, address, length) == 0) {
            return true;
        }
        if (errno != EINPROGRESS) {
            error = std::string("connect: ") + std::strerror(errno);
            Close();
            return false;
        }
        const TWait waited = Wait(POLLOUT, timeoutMs, abortFd);
        int soError = 0;
        socklen_t len = sizeof soError;
        if (waited == TWait::Ready && getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0) {
            return true;
        }
        error = waited == TWait::Timeout   ? "Connection timed out"
                : waited == TWait::Aborted ? "Connection aborted"
                                           : std::string("connect: ") + std::strerror(soError ? soError : errno);
        Close();
        return false;
    }

    bool Listen(const sockaddr_storage& local, std::string& error)
    {
        sockaddr_storage address = local;
        SetAddressPort(address, 0);
        Adopt(::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const socklen_t length = address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(m_fd, 1) != 0) {
            error = std::string("listen: ") + std::strerror(errno);
            Close();
            return false;
        }
        return true;
    }

    TWait Accept(TSocket& into, int timeoutMs, int abortFd) const
    {
        const TWait waited = Wait(POLLIN, timeoutMs, abortFd);
        if (waited != TWait::Ready) {
            return waited;
        }
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            return TWait::Failed;
        }
        into.Adopt(fd);
        return TWait::Ready;
    }

    // Sends everything; stops on a time-out without progress or on the abort signal.
    TWait SendAll(const char* data, size_t size, int timeoutMs, int abortFd)
    {
        while (size > 0) {
            const ssize_t sent = ::send(m_fd, data, size, MSG_NOSIGNAL);
            if (sent > 0) {
                data += sent;
                size -= static_cast<size_t>(sent);
                continue;
            }
            if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return TWait::Failed;
            }
            const TWait waited = Wait(POLLOUT, timeoutMs, abortFd);
            if (waited != TWait::Ready) {
                return waited;
            }
        }
        return abortFd >= 0 && Wait(0, 0, abortFd) == TWait::Aborted ? TWait::Aborted : TWait::Ready;
    }

    // Receives what is there (waiting for it); received = 0 at the end of the stream.
    TWait Receive(char* buf, size_t size, size_t& received, int timeoutMs, int abortFd)
    {
        for (;;) {
            const ssize_t n = ::recv(m_fd, buf, size, 0);
            if (n >= 0) {
                received = static_cast<size_t>(n);
                return TWait::Ready;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return TWait::Failed;
            }
            const TWait waited = Wait(POLLIN, timeoutMs, abortFd);
            if (waited != TWait::Ready) {
                return waited;
            }
        }
    }

    bool LocalAddress(sockaddr_storage& address) const
    {
        socklen_t length = sizeof address;
        return getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    }

    bool PeerAddress(sockaddr_storage& address) const
    {
        socklen_t length = sizeof address;
        return getpeername(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    }

private:
    int m_fd = -1;
};

struct TFtpClient::TDataLink
{
    TSocket Socket;
    TSocket Listener; // active mode: waits for the server's connection
};

TFtpClient::TFtpClient() : m_control(std::make_unique<TSocket>())
{
    m_abortFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TFtpClient::~TFtpClient()
{
    m_control->Close();
    if (m_abortFd >= 0) {
        ::close(m_abortFd);
    }
}

bool TFtpClient::Fail(const std::string& error)
{
    m_error = error;
    return false;
}

void TFtpClient::DropConnection(const std::string& error)
{
    m_control->Close();
    ClearInput();
    m_error = error;
}

void TFtpClient::ClearInput()
{
    m_input.clear();
    m_scanned = 0;
}

void TFtpClient::Abort()
{
    m_aborted = true;
    const uint64_t one = 1;
    if (m_abortFd >= 0 && ::write(m_abortFd, &one, sizeof one) < 0) {
        // the counter cannot overflow with single increments; nothing to do
    }
}

void TFtpClient::ClearAbort()
{
    uint64_t value = 0;
    while (m_abortFd >= 0 && ::read(m_abortFd, &value, sizeof value) > 0) {
    }
    m_aborted = false;
}

bool TFtpClient::AbortPending() const
{
    return m_aborted;
}

// ---- control connection -------------------------------------------------------------------

bool TFtpClient::ReadLine(std::string& line)
{
    for (;;) {
        // Only what came in since the last look is searched: a long line costs no rescans.
        const size_t end = m_input.find('\n', m_scanned);
        if (end != std::string::npos) {
            line = m_input.substr(0, end);
            m_input.erase(0, end + 1);
            m_scanned = 0;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return true;
        }
        m_scanned = m_input.size();
        if (m_input.size() > MaxReplyLine) {
            DropConnection("The server sent a reply line longer than 64 KiB");
            return false;
        }
        if (!m_control->IsOpen()) {
            return Fail("Not connected");
        }
        char buf[4096];
        size_t received = 0;
        const TWait waited = m_control->Receive(buf, sizeof buf, received, TransferTimeout, -1);
        if (waited == TWait::Timeout) {
            DropConnection("Read timed out");
            return false;
        }
        if (waited != TWait::Ready || received == 0) {
            DropConnection("Connection closed by server");
            return false;
        }
        m_input.append(buf, received);
    }
}

int TFtpClient::ReadReply()
{
    m_replyCode = 0;
    m_replyText.clear();
    m_replyLines.clear();
    std::string line;
    if (!ReadLine(line)) {
        return 0;
    }
    if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        !std::isdigit(static_cast<unsigned char>(line[1])) || !std::isdigit(static_cast<unsigned char>(line[2]))) {
        DropConnection("Invalid reply from server: " + line);
        return 0;
    }
    const std::string code = line.substr(0, 3);
    m_replyText = line.size() > 4 ? line.substr(4) : std::string();
    if (line.size() > 3 && line[3] == '-') {
        // multi-line reply: ends with a line that starts with the same code and a blank
        size_t total = line.size() + 1;
        for (;;) {
            if (!ReadLine(line)) {
                return 0;
            }
            total += line.size() + 1;
            if (total > MaxReply) {
                DropConnection("The server sent a reply longer than 1 MiB");
                return 0;
            }
            if (line.size() >= 4 && line.compare(0, 3, code) == 0 && line[3] == ' ') {
                break;
            }
            m_replyLines.push_back(Trim(line));
        }
    }
    m_replyCode = std::stoi(code);
    if (m_replyCode == 421) {
        DropConnection("Service not available: " + m_replyText);
        m_replyCode = 421;
    } else if (m_replyCode >= 400) {
        m_error = code + " " + m_replyText;
    }
    return m_replyCode;
}

int TFtpClient::Command(const std::string& command)
{
    m_replyCode = 0;
    if (!m_control->IsOpen()) {
        Fail("Not connected");
        return 0;
    }
    if (!SafeArgument(command)) {
        Fail("Invalid character in command");
        return 0;
    }
    const std::string line = command + "\r\n";
    const TWait sent = m_control->SendAll(line.data(), line.size(), TransferTimeout, -1);
    if (sent != TWait::Ready) {
        DropConnection(sent == TWait::Timeout ? "Write timed out" : "Connection closed by server");
        return 0;
    }
    return ReadReply();
}

bool TFtpClient::SendCmd(const std::string& command)
{
    const int code = Command(command);
    return code > 0 && code < 400;
}

bool TFtpClient::OpenControl(const std::string& host, uint16_t port)
{
    m_control->Close();
    ClearInput();
    m_feat.clear();
    m_noEpsv = m_noEprt = m_noMdtmSet = false;
    if (!m_control->Connect(host, port, ConnectTimeout, m_abortFd, m_error)) {
        return false;
    }
    int code = ReadReply();
    while (code >= 100 && code < 200) { // 120: ready in a while
        code = ReadReply();
    }
    if (code != 220) {
        DropConnection(code ? "Server refused the connection: " + m_replyText : m_error);
        return false;
    }
    return true;
}

std::string TFtpClient::TargetHost() const
{
    return Port == 21 ? Host : Host + ":" + std::to_string(Port);
}

bool TFtpClient::Login(const std::string& user, const std::string& password, const std::string& account)
{
    int code = Command("USER " + user);
    if (code == 331) {
        code = Command("PASS " + password);
    }
    if (code == 332) {
        code = Command("ACCT " + account);
    }
    if (code >= 200 && code < 300) {
        return true;
    }
    return Fail(code ? "Logon failed: " + std::to_string(code) + " " + m_replyText : m_error);
}

bool TFtpClient::LogOn()
{
    const std::string target = TargetHost();
    switch (Proxy.Type) {
    case TFtpProxyType::None:
        return Login(Username, Password, Account);
    case TFtpProxyType::UserAtHost:
        return Login(Username + "@" + target, Password, Account);
    case TFtpProxyType::Site:
        return Login(Proxy.Username, Proxy.Password, {}) && SendCmd("SITE " + target) &&
               Login(Username, Password, Account);
    case TFtpProxyType::Open:
        return (Proxy.Username.empty() || Login(Proxy.Username, Proxy.Password, {})) && SendCmd("OPEN " + target) &&
               Login(Username, Password, Account);
    case TFtpProxyType::UserProxyUserAtHost:
        return Login(Username + "@" + Proxy.Username + "@" + target, Password + "@" + Proxy.Password, Account);
    case TFtpProxyType::Transparent:
        return Login(Proxy.Username, Proxy.Password, {}) && Login(Username, Password, Account);
    case TFtpProxyType::UserAtHostAcct:
        return Login(Username + "@" + target + " " + Proxy.Username, Password, Proxy.Password);
    }
    return Fail("Unknown proxy type");
}

bool TFtpClient::Connect()
{
    ClearAbort();
    m_error.clear();
    const bool viaProxy = Proxy.Type != TFtpProxyType::None;
    if (!OpenControl(viaProxy ? Proxy.Host : Host, viaProxy ? Proxy.Port : Port)) {
        return false;
    }
    if (!LogOn()) {
        const std::string error = m_error;
        Disconnect();
        m_error = error;
        return false;
    }
    m_feat.clear();
    if (Command("FEAT") == 211) {
        m_feat = m_replyLines;
    }
    if (SupportsExtension("UTF8")) {
        SendCmd("OPTS UTF8 ON"); // some servers switch only when asked; others refuse: both are fine
    }
    if (!SendCmd("TYPE I")) {
        const std::string error = m_error;
        Disconnect();
        m_error = error;
        return false;
    }
    DoAfterLogin();
    return true;
}

void TFtpClient::DoAfterLogin()
{
    if (OnAfterLogin) {
        OnAfterLogin();
    }
}

void TFtpClient::Disconnect()
{
    if (m_control->IsOpen()) {
        const int saved = TransferTimeout;
        TransferTimeout = std::min(TransferTimeout, 2000); // a dead server must not hold up the end of a run
        Command("QUIT");
        TransferTimeout = saved;
    }
    m_control->Close();
    ClearInput();
}

bool TFtpClient::Connected()
{
    if (!m_control->IsOpen()) {
        return false;
    }
    // Anything readable while idle is either the end of the stream or a closing notice (421).
    while (m_control->Wait(POLLIN, 0, -1) == TWait::Ready) {
        char peek = 0;
        const ssize_t n = ::recv(m_control->Fd(), &peek, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
            DropConnection("Connection closed by server");
            return false;
        }
        if (n < 0) {
            break;
        }
        ReadReply();
        if (!m_control->IsOpen()) {
            return false;
        }
    }
    return true;
}

bool TFtpClient::SupportsExtension(std::string_view name) const
{
    const std::string wanted = UpperAscii(name);
    return std::any_of(m_feat.begin(), m_feat.end(),
                       [&](const std::string& line) { return UpperAscii(line.substr(0, line.find(' '))) == wanted; });
}

// ---- simple commands ------------------------------------------------------------------------

bool TFtpClient::Noop()
{
    return SendCmd("NOOP");
}

bool ExtractQuotedPath(const std::string& text, std::string& path)
{
    // "<path>" with every quote inside the path doubled
    const size_t open = text.find('"');
    if (open == std::string::npos) {
        return false;
    }
    path.clear();
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
                path += '"';
                ++i;
                continue;
            }
            return true;
        }
        path += text[i];
    }
    return false;
}

bool TFtpClient::PrintWorkingDir(std::string& dir)
{
    if (Command("PWD") != 257) {
        return Fail(m_error.empty() ? "PWD failed" : m_error);
    }
    return ExtractQuotedPath(m_replyText, dir) || Fail("Invalid PWD reply: " + m_replyText);
}

bool TFtpClient::ChangeDir(const std::string& dir)
{
    return SendCmd("CWD " + dir);
}

bool TFtpClient::ChangeDirUp()
{
    return SendCmd("CDUP");
}

bool TFtpClient::MakeDir(const std::string& dir)
{
    return SendCmd("MKD " + dir);
}

bool TFtpClient::RemoveDir(const std::string& dir)
{
    return SendCmd("RMD " + dir);
}

bool TFtpClient::DeleteFile(const std::string& name)
{
    return SendCmd("DELE " + name);
}

bool TFtpClient::CanSetModTime() const
{
    return SupportsExtension("MFMT") || (SupportsExtension("MDTM") && !m_noMdtmSet);
}

bool TFtpClient::SetModTime(const std::string& name, int64_t unixTime)
{
    const std::string stamp = FormatFtpTimeValue(unixTime);
    if (SupportsExtension("MFMT")) {
        return SendCmd("MFMT " + stamp + " " + name);
    }
    if (m_noMdtmSet) {
        return Fail("The server cannot set file times");
    }
    // Many servers only read times with MDTM; the first refusal settles it for the session.
    const int code = Command("MDTM " + stamp + " " + name);
    if (code >= 500) {
        m_noMdtmSet = true;
    }
    return code > 0 && code < 400;
}

// ---- data connections -----------------------------------------------------------------------

bool ParseEpsvPort(const std::string& text, uint16_t& port)
{
    const size_t open = text.find('(');
    unsigned value = 0;
    char d1 = 0, d2 = 0, d3 = 0, d4 = 0;
    if (open == std::string::npos ||
        std::sscanf(text.c_str() + open + 1, "%c%c%c%u%c", &d1, &d2, &d3, &value, &d4) != 5 || value == 0 ||
        value > 65535) {
        return false;
    }
    port = static_cast<uint16_t>(value);
    return true;
}

bool ParsePasvPort(const std::string& text, uint16_t& port)
{
    // Only the port is taken: the data connection goes to the server we logged on to,
    // never to an address the reply names (a server behind NAT, or one that would
    // send our data elsewhere).
    const size_t start = text.find_first_of("0123456789", 3);
    unsigned h[4] = {}, p[2] = {};
    if (start == std::string::npos ||
        std::sscanf(text.c_str() + start, "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6) {
        return false;
    }
    if (p[0] > 255 || p[1] > 255 || p[0] * 256 + p[1] == 0) {
        return false;
    }
    port = static_cast<uint16_t>(p[0] * 256 + p[1]);
    return true;
}

bool TFtpClient::OpenPassive(TDataLink& link)
{
    sockaddr_storage address{};
    if (!m_control->PeerAddress(address)) {
        return Fail("No peer address");
    }
    int code = m_noEpsv ? 0 : Command("EPSV");
    uint16_t port = 0;
    if (code == 229) {
        if (!ParseEpsvPort(m_replyText, port)) {
            return Fail("Invalid EPSV reply: " + m_replyText);
        }
    } else {
        if (!m_control->IsOpen()) {
            return false;
        }
        m_noEpsv = true;
        if (Command("PASV") != 227) {
            return Fail(m_error.empty() ? "PASV failed" : m_error);
        }
        if (!ParsePasvPort(m_replyText, port)) {
            return Fail("Invalid PASV reply: " + m_replyText);
        }
    }
    SetAddressPort(address, port);
    const socklen_t length = address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    return link.Socket.ConnectTo(reinterpret_cast<sockaddr*>(&address), length, ConnectTimeout, m_abortFd, m_error);
}

bool TFtpClient::OpenActive(TDataLink& link)
{
    sockaddr_storage local{};
    if (!m_control->LocalAddress(local) || !link.Listener.Listen(local, m_error) ||
        !link.Listener.LocalAddress(local)) {
        return Fail(m_error.empty() ? "No local address" : m_error);
    }
    const std::string address = AddressText(local);
    const uint16_t port = AddressPort(local);
    if (!m_noEprt) {
        const int family = local.ss_family == AF_INET ? 1 : 2;
        const int code = Command("EPRT |" + std::to_string(family) + "|" + address + "|" + std::to_string(port) + "|");
        if (code >= 200 && code < 300) {
            return true;
        }
        if (!m_control->IsOpen() || local.ss_family != AF_INET) {
            return Fail(m_error);
        }
        m_noEprt = true;
    }
    std::string numbers = address;
    std::replace(numbers.begin(), numbers.end(), '.', ',');
    numbers += "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
    return SendCmd("PORT " + numbers) || Fail(m_error.empty() ? "PORT failed" : m_error);
}

bool TFtpClient::OpenDataLink(TDataLink& link)
{
    return Passive ? OpenPassive(link) : OpenActive(link);
}

// One buffer for the whole session: thousands of small files must not pay for a fresh one.
std::vector<char>& TFtpClient::TransferBuffer()
{
    if (m_buffer.empty()) {
        m_buffer.resize(TransferChunk);
    }
    return m_buffer;
}

bool TFtpClient::PumpUpload(TSocket& data, const TFtpSource& source)
{
    std::vector<char>& buffer = TransferBuffer();
    int64_t total = 0;
    for (;;) {
        if (AbortPending()) {
            return Fail("Transfer aborted");
        }
        const int64_t got = source(buffer.data(), buffer.size());
        if (got < 0) {
            return Fail("Read error in the local file");
        }
        if (got == 0) {
            return true;
        }
        const TWait sent = data.SendAll(buffer.data(), static_cast<size_t>(got), TransferTimeout, m_abortFd);
        if (sent != TWait::Ready) {
            return Fail(sent == TWait::Aborted   ? "Transfer aborted"
                        : sent == TWait::Timeout ? "Transfer timed out"
                                                 : "Data connection closed");
        }
        total += got;
        if (OnWork) {
            OnWork(TFtpWorkMode::Write, total);
        }
    }
}

bool TFtpClient::PumpDownload(TSocket& data, const TFtpSink& sink, int64_t maxBytes, bool& cut)
{
    std::vector<char>& buffer = TransferBuffer();
    int64_t total = 0;
    for (;;) {
        if (maxBytes >= 0 && total >= maxBytes) {
            cut = true;
            return true;
        }
        const size_t wanted =
            maxBytes >= 0
                ? static_cast<size_t>(std::min<int64_t>(maxBytes - total, static_cast<int64_t>(buffer.size())))
                : buffer.size();
        size_t received = 0;
        const TWait waited = data.Receive(buffer.data(), wanted, received, TransferTimeout, m_abortFd);
        if (waited != TWait::Ready) {
            return Fail(waited == TWait::Aborted   ? "Transfer aborted"
                        : waited == TWait::Timeout ? "Transfer timed out"
                                                   : "Data connection failed");
        }
        if (received == 0) {
            return true;
        }
        if (!sink(buffer.data(), received)) {
            return Fail("Write error in the local file");
        }
        total += static_cast<int64_t>(received);
        if (OnWork) {
            OnWork(TFtpWorkMode::Read, total);
        }
    }
}

// After an abort the server still answers the transfer; then ABOR settles the session.
bool TFtpClient::FinishAbortedTransfer()
{
    const std::string error = m_error;
    ReadReply();
    if (m_control->IsOpen()) {
        Command("ABOR");
    }
    ClearAbort();
    m_error = error;
    return false;
}

bool TFtpClient::Transfer(const std::string& command, TFtpWorkMode mode, const TFtpSource& source, const TFtpSink& sink,
                          int64_t maxBytes)
{
    if (!m_control->IsOpen()) {
        return Fail("Not connected");
    }
    if (AbortPending()) {
        ClearAbort();
        return Fail("Transfer aborted");
    }
    TDataLink link;
    if (!OpenDataLink(link)) {
        return false;
    }
    const int code = Command(command);
    if (code >= 200 && code < 300) {
        return true; // some servers answer an empty transfer at once
    }
    if (code < 100 || code >= 200) {
        return Fail(m_error.empty() ? command + " failed" : m_error);
    }
    if (!Passive) {
        const TWait accepted = link.Listener.Accept(link.Socket, TransferTimeout, m_abortFd);
        link.Listener.Close();
        if (accepted != TWait::Ready) {
            m_error = accepted == TWait::Aborted ? "Transfer aborted" : "The server did not open the data connection";
            return FinishAbortedTransfer();
        }
    }
    bool cut = false;
    const bool pumped =
        mode == TFtpWorkMode::Write ? PumpUpload(link.Socket, source) : PumpDownload(link.Socket, sink, maxBytes, cut);
    link.Socket.Close();
    if (!pumped) {
        return FinishAbortedTransfer();
    }
    const int final = ReadReply();
    if (cut) {
        // All that was wanted came. Closing the data connection ended the transfer; its one
        // reply (226, or 426/451 for the rest it could not send) is consumed above, so the
        // session is in step again. Only a lost control connection makes it a failure.
        if (final == 0) {
            return false;
        }
        m_error.clear();
        return true;
    }
    return (final >= 200 && final < 300) || Fail(m_error.empty() ? command + " failed" : m_error);
}

bool TFtpClient::Store(const TFtpSource& source, const std::string& name, bool append)
{
    return Transfer((append ? "APPE " : "STOR ") + name, TFtpWorkMode::Write, source, {}, -1);
}

bool TFtpClient::Retrieve(const std::string& name, const TFtpSink& sink, int64_t maxBytes)
{
    return Transfer("RETR " + name, TFtpWorkMode::Read, {}, sink, maxBytes);
}

bool TFtpClient::List(std::vector<TFtpListItem>& items)
{
    items.clear();
    const bool machine = UseMLIS && SupportsExtension("MLST");
    std::string text;
    size_t lines = 0;
    bool tooLarge = false;
    const auto collect = [&](const char* buf, size_t size) {
        lines += static_cast<size_t>(std::count(buf, buf + size, '\n'));
        tooLarge = text.size() + size > MaxListingBytes || lines > MaxListingEntries;
        text.append(buf, tooLarge ? 0 : size);
        return !tooLarge;
    };
    // Listings are no file transfer: they report no work.
    auto work = std::move(OnWork);
    OnWork = nullptr;
    const bool listed = Transfer(machine ? "MLSD" : "LIST", TFtpWorkMode::Read, {}, collect, -1);
    OnWork = std::move(work);
    if (tooLarge) {
        return Fail("The server sent a listing of more than 64 MiB or 500000 entries");
    }
    if (!listed) {
        return false;
    }
    items = ParseListing(text, machine, static_cast<int64_t>(std::time(nullptr)));
    return true;
}
