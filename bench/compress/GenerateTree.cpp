// Writes a reproducible tree of mixed files for the compression benchmark:
// text (prose, logs, source-like lines), structured binary, and data that is
// already compressed (random bytes). Usage: generate_tree DIR [FILES] [TOTAL_MB]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Vocabulary(std::mt19937_64& rng)
{
    std::vector<std::string> words;
    std::uniform_int_distribution<int> len(2, 11), letter(0, 25);
    for (int i = 0; i < 4000; ++i) {
        std::string w;
        for (int n = len(rng); n > 0; --n)
            w += static_cast<char>('a' + letter(rng));
        words.push_back(w);
    }
    return words;
}

std::string Text(std::mt19937_64& rng, const std::vector<std::string>& words, size_t size, int style)
{
    // Zipf-like word choice keeps the ratio close to real prose.
    std::geometric_distribution<size_t> pick(0.004);
    std::uniform_int_distribution<int> lineWords(4, 14), number(0, 99999);
    std::string out;
    out.reserve(size + 128);
    uint64_t stamp = 1700000000;
    while (out.size() < size) {
        if (style == 1)
            out += std::to_string(stamp += number(rng) % 7) + " host" + std::to_string(number(rng) % 12) + " [" +
                   std::to_string(number(rng)) + "] ";
        else if (style == 2)
            out += std::string(static_cast<size_t>(4 * (number(rng) % 4)), ' ') + "if (";
        for (int n = lineWords(rng); n > 0; --n) {
            out += words[pick(rng) % words.size()];
            out += n > 1 ? ' ' : (style == 2 ? ')' : '.');
        }
        out += '\n';
    }
    out.resize(size);
    return out;
}

std::string Binary(std::mt19937_64& rng, size_t size)
{
    // Records of small integers, floats and ids: compressible, but not text.
    std::string out(size, '\0');
    std::uniform_int_distribution<int> small(0, 255), noise(0, 3);
    uint32_t id = 1000;
    for (size_t i = 0; i + 16 <= size; i += 16) {
        id += static_cast<uint32_t>(noise(rng));
        std::memcpy(&out[i], &id, 4);
        const float value = static_cast<float>(small(rng)) * 0.25f;
        std::memcpy(&out[i + 4], &value, 4);
        out[i + 8] = static_cast<char>(small(rng) & 0x0F);
        out[i + 9] = static_cast<char>(noise(rng));
    }
    return out;
}

std::string Random(std::mt19937_64& rng, size_t size)
{
    std::string out(size, '\0');
    for (size_t i = 0; i < size; i += 8) {
        const uint64_t v = rng();
        std::memcpy(&out[i], &v, std::min<size_t>(8, size - i));
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [FILES] [TOTAL_MB]\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const int files = argc > 2 ? std::stoi(argv[2]) : 3000;
    const double totalMb = argc > 3 ? std::stod(argv[3]) : 300;
    std::mt19937_64 rng(20261208);
    const std::vector<std::string> words = Vocabulary(rng);
    // Log-normal sizes scaled to the wanted total: many small files, a few large ones.
    std::lognormal_distribution<double> sizeDist(9.5, 1.8);
    std::vector<double> sizes(static_cast<size_t>(files));
    double sum = 0;
    for (double& s : sizes)
        sum += (s = sizeDist(rng));
    std::uniform_int_distribution<int> kind(0, 9), folder(0, 39);
    for (int i = 0; i < files; ++i) {
        const size_t size = static_cast<size_t>(sizes[static_cast<size_t>(i)] / sum * totalMb * 1048576);
        const int k = kind(rng);
        const fs::path dir = root / ("d" + std::to_string(folder(rng) / 8)) / ("s" + std::to_string(folder(rng)));
        fs::create_directories(dir);
        std::string name = "f" + std::to_string(i);
        std::string data;
        if (k < 5) {
            data = Text(rng, words, size, k % 3);
            name += k % 3 == 1 ? ".log" : k % 3 == 2 ? ".cpp" : ".txt";
        } else if (k < 8) {
            data = Binary(rng, size);
            name += ".dat";
        } else {
            data = Random(rng, size);
            name += ".jpg";
        }
        std::ofstream(dir / name, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    return 0;
}
