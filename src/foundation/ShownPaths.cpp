#include "foundation/ShownPaths.h"

#include "foundation/ExternalProgram.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"

#include <cctype>
#include <optional>
#include <string_view>

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || static_cast<unsigned char>(c) >= 0x80;
}

bool AtWordStart(const std::string& text, std::size_t i)
{
    return i == 0 || (!IsWordChar(text[i - 1]) && text[i - 1] != '\\');
}

// Where a path ends: characters that no Windows name holds, and line breaks.
bool EndsPath(char c)
{
    return std::string_view("*?\"<>|:").find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20;
}

bool DriveStartAt(const std::string& text, std::size_t i)
{
    return i + 2 < text.size() && std::isalpha(static_cast<unsigned char>(text[i])) && text[i + 1] == ':' &&
           text[i + 2] == '\\' && AtWordStart(text, i);
}

bool ShareStartAt(const std::string& text, std::size_t i)
{
    return i + 2 < text.size() && text[i] == '\\' && text[i + 1] == '\\' && text[i + 2] != '\\' && AtWordStart(text, i);
}

// ":LABEL:\dir" or ":LABEL:" alone.
bool LabelStartAt(const std::string& text, std::size_t i)
{
    if (text[i] != ':' || !AtWordStart(text, i)) {
        return false;
    }
    const std::size_t close = text.find(':', i + 1);
    if (close == std::string::npos || close == i + 1) {
        return false;
    }
    if (text.find_first_of(" \\\t\r\n", i + 1) < close) {
        return false;
    }
    return close + 1 == text.size() || text[close + 1] == '\\' || !IsWordChar(text[close + 1]);
}

// The end of the path that begins at start (past its first character).
std::size_t PathEnd(const std::string& text, std::size_t start)
{
    std::size_t end = start + 1;
    while (end < text.size() && !EndsPath(text[end]) && !DriveStartAt(text, end) && !ShareStartAt(text, end)) {
        ++end;
    }
    return end;
}

// Delimiters become "/", characters carried for Windows become themselves again.
std::string HostNames(std::string winText)
{
    for (char& c : winText) {
        if (c == '\\') {
            c = '/';
        }
    }
    return Platform::WinNameToHost(winText);
}

// The command with its program replaced by convert(program), in double quotes when it was
// quoted or holds a blank; the command as it stands when its program does not change.
template <typename Convert> std::string WithProgram(const std::string& command, Convert convert)
{
    const std::string text = TrimText(command);
    const std::size_t end = ProgramNameEnd(text);
    const std::string item = text.substr(0, end);
    const std::string program = ReplaceText(item, "\"", "");
    const std::string converted = convert(program);
    if (converted == program) {
        return command;
    }
    const bool quoted = item != program || converted.find_first_of(" \t") != std::string::npos;
    return (quoted ? "\"" + converted + "\"" : converted) + text.substr(end);
}

std::string Convert(const std::string& text, bool relativeNames)
{
    if (text.find('\\') == std::string::npos && text.find('\xEF') == std::string::npos) {
        return text;
    }
    std::string out;
    out.reserve(text.size() + 16);
    std::size_t i = 0;
    std::size_t plain = 0; // start of text not yet written
    const auto flushPlain = [&](std::size_t until) {
        const std::string piece = text.substr(plain, until - plain);
        out += relativeNames ? HostNames(piece) : piece;
    };
    while (i < text.size()) {
        if (DriveStartAt(text, i)) {
            const std::size_t end = PathEnd(text, i + 2);
            flushPlain(i);
            if (const auto root = Platform::WinToHost(text.substr(i, 3))) {
                const std::string base = *root == "/" ? std::string() : *root;
                out += base + HostNames(text.substr(i + 2, end - i - 2));
            } else {
                out += text.substr(i, end - i);
            }
            plain = i = end;
        } else if (ShareStartAt(text, i) || LabelStartAt(text, i)) {
            const std::size_t end = PathEnd(text, i + (text[i] == ':' ? text.find(':', i + 1) - i : 1));
            flushPlain(i);
            out += text.substr(i, end - i);
            plain = i = end;
        } else {
            ++i;
        }
    }
    flushPlain(text.size());
    return out;
}

} // namespace

std::string HostPathsInText(const std::string& text)
{
    return Convert(text, false);
}

std::string HostPathsInLogLine(const std::string& line)
{
    return Convert(line, true);
}

std::string ShownListEntry(const std::string& text)
{
    if (text.rfind("..\\", 0) == 0) {
        const std::string folder = HostNames(text.substr(3));
        return folder.empty() || folder.back() == '/' ? folder : folder + '/';
    }
    return DriveStartAt(text, 0) ? HostPathsInText(text) : HostNames(text);
}

std::string ShownFolderText(const std::string& win)
{
    // Only a whole host path: a text of no drive would come back relative ("." for none).
    const std::optional<std::string> host = Platform::WinToHost(win);
    return host && !host->empty() && host->front() == '/' ? *host : win;
}

std::string FolderOfShownText(const std::string& shown)
{
    const std::string text = TrimText(shown);
    return !text.empty() && text.front() == '/' ? Platform::HostToWin(text).value_or(text) : text;
}

std::string ShownCommandText(const std::string& command)
{
    return WithProgram(command, ShownFolderText);
}

std::string CommandOfShownText(const std::string& shown)
{
    return WithProgram(shown, FolderOfShownText);
}
