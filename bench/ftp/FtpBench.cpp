// Uploads a tree of many small and a few large files to a local pyftpdlib server with our
// client and with curl (one curl process, one connection), and prints the times and ratio.

#include "engine/ExtFtp.h"

#include "peers/FtpPeer.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

namespace fs = std::filesystem;

namespace {

void MakeTree(const fs::path& root, int smallFiles, int largeFiles, int largeMiB)
{
    std::mt19937 gen(42);
    std::string block(1 << 20, '\0');
    for (char& c : block) {
        c = static_cast<char>(gen());
    }
    for (int i = 0; i < smallFiles; ++i) {
        const fs::path dir = root / ("dir" + std::to_string(i % 40)) / ("sub" + std::to_string(i % 3));
        fs::create_directories(dir);
        std::ofstream(dir / ("file" + std::to_string(i) + ".dat"), std::ios::binary)
            .write(block.data() + (i * 977) % 4096, 512 + (i * 7919) % 16384);
    }
    fs::create_directories(root / "large");
    for (int i = 0; i < largeFiles; ++i) {
        std::ofstream out(root / "large" / ("big" + std::to_string(i) + ".bin"), std::ios::binary);
        for (int m = 0; m < largeMiB; ++m) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
}

std::vector<fs::path> FilesOf(const fs::path& root)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(fs::relative(entry.path(), root));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Folders exist on every server before the clock starts: curl's fast method cannot create them.
void MirrorFolders(const std::vector<fs::path>& files, const fs::path& serverRoot)
{
    for (const fs::path& file : files) {
        fs::create_directories(serverRoot / file.parent_path());
    }
}

bool AllArrived(const std::vector<fs::path>& files, const fs::path& root, const fs::path& serverRoot)
{
    for (const fs::path& file : files) {
        std::error_code error;
        if (fs::file_size(serverRoot / file, error) != fs::file_size(root / file)) {
            std::cerr << "missing or short on the server: " << file << "\n";
            return false;
        }
    }
    return true;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool UploadOurs(const fs::path& root, const std::vector<fs::path>& files, uint16_t port)
{
    TExtFtp ftp;
    ftp.Host = "127.0.0.1";
    ftp.Port = port;
    ftp.Username = TFtpPeer::User;
    ftp.Password = TFtpPeer::Password;
    if (!ftp.Connect()) {
        std::cerr << "connect: " << ftp.LastError() << "\n";
        return false;
    }
    std::string currentDir = "\x01";
    for (const fs::path& file : files) {
        const std::string dir = "/" + file.parent_path().generic_string();
        if (dir != currentDir) {
            if (!ftp.ChangeToDir(dir)) {
                std::cerr << "cwd " << dir << ": " << ftp.LastError() << "\n";
                return false;
            }
            currentDir = dir;
        }
        std::FILE* in = std::fopen((root / file).c_str(), "rb");
        const TFtpSource source = [in](char* buf, size_t size) -> int64_t {
            const size_t n = std::fread(buf, 1, size, in);
            return n == 0 && std::ferror(in) ? -1 : static_cast<int64_t>(n);
        };
        const uint16_t status = ftp.Upload(source, file.filename().string(), false);
        std::fclose(in);
        if (status != 0) {
            std::cerr << "upload " << file << ": " << ftp.LastError() << "\n";
            return false;
        }
    }
    ftp.Disconnect();
    return true;
}

// method: curl's --ftp-method ("multicwd" is its default, "singlecwd" its fastest that creates folders)
bool UploadCurl(const fs::path& root, const std::vector<fs::path>& files, uint16_t port, const fs::path& config,
                const std::string& method)
{
    {
        std::ofstream out(config);
        out << "user = \"" << TFtpPeer::User << ":" << TFtpPeer::Password << "\"\nftp-create-dirs\nsilent\n"
            << "show-error\nftp-method = " << method << "\n";
        for (const fs::path& file : files) {
            out << "upload-file = \"" << (root / file).string() << "\"\n"
                << "url = \"ftp://127.0.0.1:" << port << "/" << file.generic_string() << "\"\n";
        }
    }
    return std::system(("curl -K '" + config.string() + "'").c_str()) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int smallFiles = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int largeFiles = argc > 2 ? std::atoi(argv[2]) : 3;
    const int largeMiB = argc > 3 ? std::atoi(argv[3]) : 100;
    TFtpPeer ours;
    TFtpPeer single;
    TFtpPeer multi;
    const fs::path source = ours.Root().parent_path() / (ours.Root().filename().string() + "-source");
    const fs::path config = source.string() + ".curl";
    MakeTree(source, smallFiles, largeFiles, largeMiB);
    const std::vector<fs::path> files = FilesOf(source);
    for (const TFtpPeer* peer : {&ours, &single, &multi}) {
        MirrorFolders(files, peer->Root());
    }
    if (!ours.Start() || !single.Start() || !multi.Start()) {
        std::cerr << "cannot start the FTP server\n";
        return 1;
    }

    auto start = std::chrono::steady_clock::now();
    bool ok = UploadOurs(source, files, ours.Port());
    const double oursTime = Seconds(start);
    start = std::chrono::steady_clock::now();
    ok = ok && UploadCurl(source, files, single.Port(), config, "singlecwd");
    const double singleTime = Seconds(start);
    start = std::chrono::steady_clock::now();
    ok = ok && UploadCurl(source, files, multi.Port(), config, "multicwd");
    const double multiTime = Seconds(start);

    ok = ok && AllArrived(files, source, ours.Root()) && AllArrived(files, source, single.Root()) &&
         AllArrived(files, source, multi.Root());
    fs::remove_all(source);
    fs::remove(config);
    if (!ok) {
        std::cerr << "an upload failed\n";
        return 1;
    }
    std::printf("files: %zu (%d small, %d x %d MiB)\n", files.size(), smallFiles, largeFiles, largeMiB);
    std::printf("tessaro:                  %7.2f s\n", oursTime);
    std::printf("curl -T (singlecwd):      %7.2f s  ratio curl/tessaro %.2f\n", singleTime, singleTime / oursTime);
    std::printf("curl -T (default method): %7.2f s  ratio curl/tessaro %.2f\n", multiTime, multiTime / oursTime);
    std::printf("(a ratio above 1: we are faster)\n");
    return 0;
}
