#include "foundation/CommaText.h"

namespace {

bool IsBlankOrControl(char c)
{
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

bool NeedsQuotes(const std::string& item)
{
    for (const char c : item) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') {
            return true;
        }
    }
    return false;
}

std::string Quoted(const std::string& item)
{
    std::string text = "\"";
    for (const char c : item) {
        text += c;
        if (c == '"') {
            text += '"';
        }
    }
    return text + '"';
}

// Reads a quoted item starting at text[pos] == '"'; a doubled quote stands for one.
// An unclosed quote takes the rest of the text.
std::string ReadQuoted(std::string_view text, size_t& pos)
{
    std::string item;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                item += '"';
                pos += 2;
                continue;
            }
            ++pos;
            return item;
        }
        item += text[pos++];
    }
    return item;
}

void SkipBlanks(std::string_view text, size_t& pos)
{
    while (pos < text.size() && IsBlankOrControl(text[pos])) {
        ++pos;
    }
}

} // namespace

std::string CommaTextOf(const std::vector<std::string>& items)
{
    if (items.size() == 1 && items.front().empty()) {
        return "\"\"";
    }
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += NeedsQuotes(items[i]) ? Quoted(items[i]) : items[i];
    }
    return text;
}

std::vector<std::string> SplitCommaText(std::string_view text)
{
    std::vector<std::string> items;
    size_t pos = 0;
    SkipBlanks(text, pos);
    while (pos < text.size()) {
        if (text[pos] == '"') {
            items.push_back(ReadQuoted(text, pos));
        } else {
            const size_t start = pos;
            while (pos < text.size() && !IsBlankOrControl(text[pos]) && text[pos] != ',') {
                ++pos;
            }
            items.emplace_back(text.substr(start, pos - start));
        }
        SkipBlanks(text, pos);
        if (pos < text.size() && text[pos] == ',') {
            if (pos + 1 == text.size()) {
                items.emplace_back();
            }
            ++pos;
            SkipBlanks(text, pos);
        }
    }
    return items;
}

std::vector<std::string> FileTypesOfLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> types;
    for (const std::string& line : lines) {
        for (std::string type : SplitCommaText(line)) {
            if (!type.empty() && type.front() == '.') {
                type.erase(0, 1);
            }
            if (!type.empty()) {
                types.push_back(type);
            }
        }
    }
    return types;
}
