#include "foundation/History.h"

#include "foundation/IniFile.h"
#include "foundation/StringUtils.h"

#include <algorithm>

namespace {

std::string KeyPrefix(const std::string& prefix)
{
    return prefix.empty() ? std::string("History") : prefix;
}

// The number of a key "prefix<digits>", -1 for other keys.
long KeyNumber(const std::string& key, const std::string& prefix)
{
    if (key.size() <= prefix.size() || !StartsWithIgnoringCase(key, prefix)) {
        return -1;
    }
    const std::string digits = key.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) || digits.size() > 6) {
        return -1;
    }
    return std::stol(digits);
}

} // namespace

void AddToHistory(std::vector<std::string>& list, const std::string& text, int maxItems)
{
    if (text.empty()) {
        return;
    }
    const auto found = std::find(list.begin(), list.end(), text);
    if (found != list.end()) {
        list.erase(found);
    } else if (maxItems > 0 && static_cast<int>(list.size()) >= maxItems) {
        list.resize(static_cast<std::size_t>(maxItems - 1));
    }
    list.insert(list.begin(), text);
}

std::vector<std::string> ReadHistoryKeys(const TIniFile& ini, const std::string& section, const std::string& prefix,
                                         int maxItems, char blankMark)
{
    const std::string keyPrefix = KeyPrefix(prefix);
    std::vector<std::string> list;
    for (int i = 0; i < maxItems; ++i) {
        std::string value = ini.ReadString(section, keyPrefix + std::to_string(i));
        if (blankMark && value == std::string(1, blankMark)) {
            value = " ";
        }
        if (!value.empty()) {
            list.push_back(value);
        }
    }
    return list;
}

void WriteHistoryKeys(TIniFile& ini, const std::string& section, const std::string& prefix,
                      const std::vector<std::string>& list, bool erase, int maxItems, char blankMark)
{
    const std::string keyPrefix = KeyPrefix(prefix);
    if (erase) {
        ini.EraseSection(section);
    }
    const int count = std::min(maxItems, static_cast<int>(list.size()));
    for (int i = 0; i < count; ++i) {
        const std::string& entry = list[static_cast<std::size_t>(i)];
        ini.WriteString(section, keyPrefix + std::to_string(i),
                        blankMark && entry == " " ? std::string(1, blankMark) : entry);
    }
    for (const std::string& key : ini.ReadSection(section)) {
        if (KeyNumber(key, keyPrefix) >= count) {
            ini.DeleteKey(section, key);
        }
    }
}

void ReadHistory(const TIniFile& ini, const std::string& section, const std::string& prefix,
                 std::vector<std::string>& list, int maxItems)
{
    if (ini.SectionExists(section)) {
        list = ReadHistoryKeys(ini, section, prefix, maxItems, 0);
    }
}

void WriteHistory(TIniFile& ini, const std::string& section, const std::string& prefix,
                  const std::vector<std::string>& list, bool erase, int maxItems)
{
    WriteHistoryKeys(ini, section, prefix, list, erase, maxItems, 0);
}

std::string ReadIniString(const std::string& fileName, const std::string& section, const std::string& key,
                          const std::string& def)
{
    const TIniFile ini(fileName);
    return ini.ReadString(section, key, def);
}
