#pragma once

// A real SMTP server (aiosmtpd) on 127.0.0.1 that stores every message it takes,
// for tests. Message n (from 1) is MessagePath(n); its envelope EnvelopeText(n).

#include "peers/PeerProcess.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TSmtpPeer
{
public:
    static constexpr const char* User = "mailer";
    static constexpr const char* Password = "p4ss word";

    TSmtpPeer()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaro-smtp-XXXXXX").string();
        if (mkdtemp(pattern.data())) {
            m_dir = pattern;
        }
    }
    ~TSmtpPeer()
    {
        m_server.Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    TSmtpPeer(const TSmtpPeer&) = delete;
    TSmtpPeer& operator=(const TSmtpPeer&) = delete;

    // withAuth: only the login User / Password may send. refused: recipients answered with 550.
    bool Start(bool withAuth = false, const std::vector<std::string>& refused = {})
    {
        std::vector<std::string> args = {"--dir", m_dir.string()};
        if (withAuth) {
            args.insert(args.end(), {"--user", User, "--password", Password});
        }
        for (const std::string& address : refused) {
            args.insert(args.end(), {"--refuse", address});
        }
        return m_server.Start("smtp_server.py", args);
    }

    uint16_t Port() const { return m_server.Port(); }

    int MessageCount() const
    {
        int count = 0;
        while (std::filesystem::exists(MessagePath(count + 1))) {
            ++count;
        }
        return count;
    }
    std::string MessagePath(int n) const { return (m_dir / (std::to_string(n) + ".eml")).string(); }
    std::string EnvelopeText(int n) const
    {
        std::ifstream in(m_dir / (std::to_string(n) + ".env"), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_dir;
    TPeerProcess m_server;
};
