// Copies, encrypts and decrypts one large file through the workers and compares the
// times with cp and openssl on the same file in the same run. Each contender runs
// Rounds times, alternating with its peer, and the best time counts: the machine is
// shared, and a neighbour's writeback must not decide the result.
//
// usage: copy_bench FOLDER [MiB] [BUFFER-KiB]

#include "engine/CopyThread.h"
#include "engine/Encryption.h"
#include "engine/WinCopyThread.h"
#include "platform/Drives.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rounds = 3;

void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// Dirty pages of the step before would slow the next one down: flush them untimed.
double Seconds(const std::function<void()>& work)
{
    Shell("sync");
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct TBest
{
    double Ours = 1e9;
    double Peer = 1e9;
};

// Alternates ours and the peer; cleanup removes their outputs between rounds.
TBest Compare(const std::function<void()>& ours, const std::function<void()>& peer,
              const std::function<void()>& cleanup)
{
    TBest best;
    for (int round = 0; round < Rounds; ++round) {
        best.Peer = std::min(best.Peer, Seconds(peer));
        best.Ours = std::min(best.Ours, Seconds(ours));
        if (round + 1 < Rounds) {
            cleanup();
        }
    }
    return best;
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

void Report(const char* what, const TBest& best, const char* peerName, int64_t bytes)
{
    const double mib = static_cast<double>(bytes) / (1 << 20);
    std::printf("%-8s ours %6.2f s %6.0f MiB/s | %-27s %6.2f s %6.0f MiB/s | ours/peer time %.2f\n", what, best.Ours,
                mib / best.Ours, peerName, best.Peer, mib / best.Peer, best.Ours / best.Peer);
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
    const auto host = [&](const char* name) { return dir + "/" + name; };
    const auto win = [&](const char* name) { return Platform::HostToWin(host(name)).value_or(host(name)); };
    const auto remove = [&](const std::string& names) {
        return [&, names] { Shell("cd '" + dir + "' && rm -f " + names); };
    };

    MakeFile(host("source.bin"), mib);
    Shell("cat '" + host("source.bin") + "' > /dev/null"); // every contender starts with a warm cache
    const int64_t bytes = mib << 20;
    std::printf("file %lld MiB, buffer %d KiB, best of %d\n", static_cast<long long>(mib), buffer / 1024, Rounds);

    const TBest copy = Compare(
        [&] {
            TCopyThread worker(win("source.bin"), win("copy.bin"), buffer);
            RunWorker(worker, "copy");
        },
        [&] { Shell("cp '" + host("source.bin") + "' '" + host("cp.bin") + "'"); }, remove("copy.bin cp.bin"));
    Report("copy", copy, "cp", bytes);
    remove("copy.bin cp.bin")();

    const std::string openssl = "openssl enc -aes-128-ctr -pbkdf2 -iter 1000 -pass pass:x ";
    TEncryption encryption("bench password", buffer, 1);
    const TBest encrypt = Compare(
        [&] {
            TWinCopyThread worker(win("source.bin"), win("ours.enc"), &encryption, false, false, buffer);
            RunWorker(worker, "encrypt");
        },
        [&] { Shell(openssl + "-in '" + host("source.bin") + "' -out '" + host("ssl.enc") + "'"); },
        remove("ours.enc ssl.enc"));
    Report("encrypt", encrypt, "openssl enc -aes-128-ctr", bytes);

    const TBest decrypt = Compare(
        [&] {
            TDecryptThread worker(win("ours.enc"), win("ours.out"), &encryption, buffer);
            RunWorker(worker, "decrypt");
        },
        [&] { Shell(openssl + "-d -in '" + host("ssl.enc") + "' -out '" + host("ssl.out") + "'"); },
        remove("ours.out ssl.out"));
    Report("decrypt", decrypt, "openssl enc -d", bytes);
    Shell("cmp -s '" + host("source.bin") + "' '" + host("ours.out") + "'");
    remove("source.bin ours.enc ssl.enc ours.out ssl.out")();
    std::printf("ours also authenticates (HMAC-SHA1); openssl enc does not.\n");
    return 0;
}
