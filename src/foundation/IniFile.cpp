#include "foundation/IniFile.h"

#include "foundation/Encodings.h"
#include "foundation/StringUtils.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <sstream>
#include <type_traits>

namespace {

std::string StripOuterQuotes(const std::string& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string OneLine(const std::string& value)
{
    std::string line = value;
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

bool IsSectionHeader(const std::string& trimmed, std::string& name)
{
    if (trimmed.size() < 2 || trimmed.front() != '[') {
        return false;
    }
    const auto close = trimmed.find(']');
    if (close == std::string::npos) {
        return false;
    }
    name = TrimText(trimmed.substr(1, close - 1));
    return true;
}

template <typename Int> bool ParseInteger(std::string text, Int& value)
{
    if (text.empty()) {
        return false;
    }
    bool negative = false;
    std::size_t pos = 0;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        pos = 1;
    }
    int base = 10;
    if (text.compare(pos, 1, "$") == 0) {
        base = 16, pos += 1;
    } else if (text.compare(pos, 2, "0x") == 0 || text.compare(pos, 2, "0X") == 0) {
        base = 16, pos += 2;
    }
    std::uint64_t magnitude = 0;
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    const auto [end, err] = std::from_chars(first, last, magnitude, base);
    if (err != std::errc() || end != last || first == last) {
        return false;
    }
    // Hexadecimal text may spell a negative value in two's complement ("$FFFFFFFF" is -1).
    if (base == 16 && !negative && magnitude <= std::uint64_t(std::make_unsigned_t<Int>(~0))) {
        value = static_cast<Int>(static_cast<std::make_unsigned_t<Int>>(magnitude));
        return true;
    }
    const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<Int>::max()) + (negative ? 1 : 0);
    if (magnitude > limit) {
        return false;
    }
    value = negative ? static_cast<Int>(-static_cast<std::int64_t>(magnitude - 1) - 1) : static_cast<Int>(magnitude);
    return true;
}

} // namespace

TIniFile::TIniFile(std::string name) : fileName(std::move(name))
{
    std::string bytes;
    const int error = Platform::ReadWholeFile(fileName, bytes);
    if (error == 0) {
        SetText(WindowsTextToUtf8(bytes));
    } else if (error != Platform::ErrorFileNotFound && error != Platform::ErrorPathNotFound) {
        loadError = error;
    }
    modified = false;
}

TIniFile::~TIniFile()
{
    if (modified) {
        UpdateFile();
    }
}

void TIniFile::SetText(const std::string& text)
{
    Clear();
    // Lines end with CR LF, LF or a lone CR, as in the plain-text task form.
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        const std::string trimmed = TrimText(line);
        std::string name;
        if (IsSectionHeader(trimmed, name)) {
            sections.push_back({name, line, {}});
            continue;
        }
        TLine entry{line, {}, {}};
        const auto eq = line.find('=');
        if (!trimmed.empty() && trimmed[0] != ';' && eq != std::string::npos) {
            entry.Key = TrimText(line.substr(0, eq));
            entry.Value = StripOuterQuotes(TrimText(line.substr(eq + 1)));
        }
        (sections.empty() ? prologue : sections.back().Lines).push_back(std::move(entry));
    }
    modified = true;
}

std::string TIniFile::GetText() const
{
    std::string text;
    for (const TLine& line : prologue) {
        text += line.Text + "\n";
    }
    for (const TSection& section : sections) {
        text += section.Header + "\n";
        for (const TLine& line : section.Lines) {
            text += line.Text + "\n";
        }
    }
    return text;
}

void TIniFile::Clear()
{
    prologue.clear();
    sections.clear();
    modified = true;
}

const TIniFile::TSection* TIniFile::FindSection(const std::string& name) const
{
    for (const TSection& section : sections) {
        if (Platform::SameTextUtf8(section.Name, name)) {
            return &section;
        }
    }
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(const std::string& name)
{
    return const_cast<TSection*>(static_cast<const TIniFile*>(this)->FindSection(name));
}

const TIniFile::TLine* TIniFile::FindKey(const TSection& section, const std::string& key)
{
    for (const TLine& line : section.Lines) {
        if (!line.Key.empty() && Platform::SameTextUtf8(line.Key, key)) {
            return &line;
        }
    }
    return nullptr;
}

bool TIniFile::Lookup(const std::string& section, const std::string& key, std::string& value) const
{
    const TSection* found = FindSection(section);
    const TLine* line = found ? FindKey(*found, TrimText(key)) : nullptr;
    if (!line) {
        return false;
    }
    value = line->Value;
    return true;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    std::string value;
    return Lookup(section, key, value) ? value : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    int value = 0;
    return ParseInteger(ReadString(section, key), value) ? value : def;
}

std::int64_t TIniFile::ReadInt64(const std::string& section, const std::string& key, std::int64_t def) const
{
    std::int64_t value = 0;
    return ParseInteger(ReadString(section, key), value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    const std::string text = ReadString(section, key);
    if (Platform::SameTextUtf8(text, "true")) {
        return true;
    }
    if (Platform::SameTextUtf8(text, "false")) {
        return false;
    }
    std::int64_t value = 0;
    return ParseInteger(text, value) ? value != 0 : def;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const
{
    std::string text = ReadString(section, key);
    for (char& c : text) {
        if (c == ',') {
            c = '.';
        }
    }
    double value = 0;
    const char* first = text.data() + (text.compare(0, 1, "+") == 0 ? 1 : 0);
    const char* last = text.data() + text.size();
    const auto [end, err] = std::from_chars(first, last, value);
    return (err == std::errc() && end == last && first != last) ? value : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string name = TrimText(key);
    const std::string line = OneLine(value);
    modified = true;
    TSection* found = FindSection(section);
    if (!found) {
        // A blank line between sections, as people write them.
        const std::string text = GetText();
        if (!text.empty() && text.compare(text.size() - std::min<std::size_t>(text.size(), 2), 2, "\n\n") != 0 &&
            text != "\n") {
            (sections.empty() ? prologue : sections.back().Lines).push_back({});
        }
        sections.push_back({TrimText(section), "[" + TrimText(section) + "]", {}});
        found = &sections.back();
    }
    if (auto* existing = const_cast<TLine*>(FindKey(*found, name))) {
        existing->Value = StripOuterQuotes(TrimText(line));
        existing->Text = existing->Key + "=" + line;
        return;
    }
    // After the last non-blank line of the section, so blank lines between sections stay.
    auto at = found->Lines.end();
    while (at != found->Lines.begin() && TrimText((at - 1)->Text).empty()) {
        --at;
    }
    found->Lines.insert(at, TLine{name + "=" + line, name, StripOuterQuotes(TrimText(line))});
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteInt64(const std::string& section, const std::string& key, std::int64_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value)
{
    char buffer[64];
    const auto [end, err] = std::to_chars(buffer, buffer + sizeof buffer, value);
    WriteString(section, key, err == std::errc() ? std::string(buffer, end) : std::string("0"));
}

std::vector<const TIniFile::TLine*> TIniFile::FirstKeys(const std::string& section) const
{
    std::vector<const TLine*> keys;
    if (const TSection* found = FindSection(section)) {
        for (const TLine& line : found->Lines) {
            if (!line.Key.empty() && FindKey(*found, line.Key) == &line) {
                keys.push_back(&line);
            }
        }
    }
    return keys;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> keys;
    for (const TLine* line : FirstKeys(section)) {
        keys.push_back(line->Key);
    }
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const TSection& section : sections) {
        if (FindSection(section.Name) == &section) {
            names.push_back(section.Name);
        }
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const
{
    std::vector<std::string> values;
    for (const TLine* line : FirstKeys(section)) {
        values.push_back(line->Key + "=" + line->Value);
    }
    return values;
}

bool TIniFile::SectionExists(const std::string& section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const
{
    std::string value;
    return Lookup(section, key, value);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key)
{
    TSection* found = FindSection(section);
    if (!found) {
        return;
    }
    const std::string name = TrimText(key);
    for (auto it = found->Lines.begin(); it != found->Lines.end(); ++it) {
        if (!it->Key.empty() && Platform::SameTextUtf8(it->Key, name)) {
            found->Lines.erase(it);
            modified = true;
            return;
        }
    }
}

void TIniFile::EraseSection(const std::string& section)
{
    for (auto it = sections.begin(); it != sections.end();) {
        if (Platform::SameTextUtf8(it->Name, section)) {
            it = sections.erase(it);
            modified = true;
        } else {
            ++it;
        }
    }
}

int TIniFile::UpdateFile()
{
    if (fileName.empty() || !modified) {
        return 0;
    }
    const int error = Platform::WriteFileAtomic(fileName, GetText());
    if (error == 0) {
        modified = false;
    }
    return error;
}
