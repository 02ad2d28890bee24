// Copies, encrypts and decrypts one large file through the workers and compares the
// times with cp and openssl on the same file in the same run.
//
// usage: copy_bench FOLDER [MiB] [BUFFER-KiB]

#include "engine/CopyThread.h"
#include "engine/Encryption.h"
#include "engine/WinCopyThread.h"
#include "platform/Drives.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Shell(const std::string& command);

// Dirty pages of the step before would slow the next one down: flush them untimed.
double Seconds(const std::function<void()>& work)
{
    Shell("sync");
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

void RunWorker(TCopyThread& worker, const char* what)
{
    worker.Start();
    WaitForWorkerEnd(worker);
    if (worker.StatusCode != 0) {
        std::fprintf(stderr, "%s failed: %04X\n", what, worker.StatusCode);
        std::exit(1);
    }
}

void MakeFile(const std::string& path, int64_t mib)
{
    // Incompressible data: a fast generator, not the kernel's random pool.
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint64_t> block(1 << 17);
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (int64_t written = 0; written < (mib << 20); written += static_cast<int64_t>(block.size() * 8)) {
        for (auto& v : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            v = x;
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
    }
}

void Report(const char* what, double ours, double peer, const char* peerName, int64_t bytes)
{
    const double mib = static_cast<double>(bytes) / (1 << 20);
    std::printf("%-8s ours %7.2f s %8.0f MiB/s | %-28s %7.2f s %8.0f MiB/s | ours/peer time %.2f\n", what, ours,
                mib / ours, peerName, peer, mib / peer, ours / peer);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [MiB] [BUFFER-KiB]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const int64_t mib = argc > 2 ? std::atoll(argv[2]) : 1024;
    const int32_t buffer = (argc > 3 ? std::atoi(argv[3]) : 256) * 1024;
    const std::string host = dir + "/source.bin";
    const auto win = [](const std::string& path) { return Platform::HostToWin(path).value_or(path); };
    const std::string password = "bench password";

    MakeFile(host, mib);
    Shell("cat '" + host + "' > /dev/null"); // every contender starts with a warm cache
    const int64_t bytes = mib << 20;
    std::printf("file %lld MiB, buffer %d KiB\n", static_cast<long long>(mib), buffer / 1024);

    const double cp = Seconds([&] { Shell("cp '" + host + "' '" + dir + "/cp.bin'"); });
    const double copy = Seconds([&] {
        TCopyThread worker(win(host), win(dir + "/copy.bin"), buffer);
        RunWorker(worker, "copy");
    });
    Report("copy", copy, cp, "cp", bytes);
    Shell("rm -f '" + dir + "/cp.bin' '" + dir + "/copy.bin'");

    const std::string openssl = "openssl enc -aes-128-ctr -pbkdf2 -iter 1000 -pass pass:x ";
    const double sslEnc = Seconds([&] { Shell(openssl + "-in '" + host + "' -out '" + dir + "/ssl.enc'"); });
    TEncryption encryption(password, buffer, 1);
    const double enc = Seconds([&] {
        TWinCopyThread worker(win(host), win(dir + "/ours.enc"), &encryption, false, false, buffer);
        RunWorker(worker, "encrypt");
    });
    Report("encrypt", enc, sslEnc, "openssl enc -aes-128-ctr", bytes);

    const double sslDec = Seconds([&] { Shell(openssl + "-d -in '" + dir + "/ssl.enc' -out '" + dir + "/ssl.out'"); });
    const double dec = Seconds([&] {
        TDecryptThread worker(win(dir + "/ours.enc"), win(dir + "/ours.out"), &encryption, buffer);
        RunWorker(worker, "decrypt");
    });
    Report("decrypt", dec, sslDec, "openssl enc -d -aes-128-ctr", bytes);
    Shell("cmp -s '" + host + "' '" + dir + "/ours.out'");
    Shell("rm -f '" + host + "' '" + dir + "/ssl.enc' '" + dir + "/ssl.out' '" + dir + "/ours.enc' '" + dir +
          "/ours.out'");
    std::printf("ours also authenticates (HMAC-SHA1); openssl enc does not.\n");
    return 0;
}
