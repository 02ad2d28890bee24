#pragma once

// A real FTP server (pyftpdlib) on 127.0.0.1 with a temporary root, for tests.

#include "peers/PeerProcess.h"
#include "platform/FtpClient.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// An upload source that hands out the bytes of data.
inline TFtpSource SourceOf(std::string data)
{
    auto state = std::make_shared<std::pair<std::string, size_t>>(std::move(data), 0);
    return [state](char* buf, size_t size) -> int64_t {
        const size_t n = std::min(size, state->first.size() - state->second);
        std::memcpy(buf, state->first.data() + state->second, n);
        state->second += n;
        return static_cast<int64_t>(n);
    };
}

class TFtpPeer
{
public:
    static constexpr const char* User = "tester";
    static constexpr const char* Password = "s3cret";

    TFtpPeer()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-ftp-XXXXXX").string();
        if (mkdtemp(pattern.data())) {
            m_root = pattern;
        }
    }
    ~TFtpPeer()
    {
        m_server.Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }

    // extra: further options of ftp_server.py, e.g. {"--disable", "MFMT"}; a port keeps the old one.
    bool Start(const std::vector<std::string>& extra = {}, uint16_t port = 0)
    {
        std::vector<std::string> args = {"--root",     m_root.string(), "--user", User,
                                         "--password", Password,        "--port", std::to_string(port)};
        args.insert(args.end(), extra.begin(), extra.end());
        return m_server.Start("ftp_server.py", args);
    }
    void Stop() { m_server.Stop(); }

    uint16_t Port() const { return m_server.Port(); }
    // Points a client (anything with Host, Port, Username and Password) at this server.
    template <class Login> void FillLogin(Login& login) const
    {
        login.Host = "127.0.0.1";
        login.Port = Port();
        login.Username = User;
        login.Password = Password;
    }
    const std::filesystem::path& Root() const { return m_root; }

    std::string ReadFile(const std::string& relative) const
    {
        std::ifstream in(m_root / relative, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteFile(const std::string& relative, const std::string& content) const
    {
        std::filesystem::create_directories((m_root / relative).parent_path());
        std::ofstream(m_root / relative, std::ios::binary) << content;
    }

private:
    std::filesystem::path m_root;
    TPeerProcess m_server;
};
