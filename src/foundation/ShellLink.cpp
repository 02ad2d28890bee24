#include "foundation/ShellLink.h"

#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

namespace {

constexpr const char* DesktopGroup = "[Desktop Entry]";

bool NeedsExecQuotes(const std::string& word)
{
    return word.empty() || word.find_first_of(" \t\n\"'\\><~|&;$*?#()`=") != std::string::npos;
}

std::string QuoteExecWord(const std::string& word)
{
    std::string out;
    if (!NeedsExecQuotes(word)) {
        out = word;
    } else {
        out = "\"";
        for (char c : word) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') {
                out += '\\';
            }
            out += c;
        }
        out += '"';
    }
    return ReplaceText(out, "%", "%%");
}

// The string escapes of desktop-entry values.
std::string EscapeValue(const std::string& value)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string UnescapeValue(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char c = value[++i];
        out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::string HostOf(const std::string& winPath)
{
    return Platform::WinToHost(winPath).value_or(winPath);
}

std::string WinOf(const std::string& hostPath)
{
    if (hostPath.empty() || hostPath.front() != '/') {
        return hostPath;
    }
    return RemovePathDelimiter(Platform::HostToWin(hostPath).value_or(hostPath));
}

// Keys of the [Desktop Entry] group; false when the group is missing.
bool ReadDesktopEntry(const std::string& contents, std::string& exec, std::string& path, std::string& comment)
{
    bool inGroup = false;
    bool found = false;
    std::string rest = contents;
    while (!rest.empty()) {
        const std::string line = TrimRight(ReadNextItem(rest, '\n'));
        if (!line.empty() && line.front() == '[') {
            inGroup = line == DesktopGroup;
            found = found || inGroup;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inGroup || eq == std::string::npos) {
            continue;
        }
        const std::string key = TrimText(line.substr(0, eq));
        const std::string value = UnescapeValue(TrimLeadingBlanks(line.substr(eq + 1)));
        if (key == "Exec") {
            exec = value;
        } else if (key == "Path") {
            path = value;
        } else if (key == "Comment") {
            comment = value;
        }
    }
    return found;
}

} // namespace

std::string ShellLinkFileName(const std::string& linkFile)
{
    if (SameTextIgnoringCase(GetExtension(linkFile), "lnk")) {
        return ReplaceExtension(linkFile, "desktop");
    }
    return linkFile;
}

std::string DesktopExecLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        line += line.empty() ? QuoteExecWord(word) : " " + QuoteExecWord(word);
    }
    return line;
}

std::vector<std::string> SplitDesktopExec(const std::string& exec)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
                word += '%';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else if (c == '%' && i + 1 < exec.size()) {
            // "%%" is a percent sign; other field codes are filled in by launchers, not by us.
            if (exec[++i] == '%') {
                word += '%';
                inWord = true;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> SplitCommandLine(const std::string& text)
{
    std::vector<std::string> words;
    std::string rest = text;
    while (!TrimText(rest).empty()) {
        rest = TrimLeadingBlanks(rest);
        if (rest.front() == '"') {
            std::string word;
            std::size_t i = 1;
            for (; i < rest.size(); ++i) {
                if (rest[i] == '"') {
                    if (i + 1 < rest.size() && rest[i + 1] == '"') {
                        word += '"';
                        ++i;
                        continue;
                    }
                    break;
                }
                word += rest[i];
            }
            words.push_back(word);
            rest.erase(0, i + 1);
        } else {
            const std::size_t end = rest.find_first_of(" \t");
            words.push_back(rest.substr(0, end));
            rest.erase(0, end);
        }
    }
    return words;
}

std::string JoinCommandLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        const bool quote = word.empty() || word.find_first_of(" \t\"") != std::string::npos;
        const std::string shown = quote ? "\"" + ReplaceText(word, "\"", "\"\"") + "\"" : word;
        line += line.empty() ? shown : " " + shown;
    }
    return line;
}

bool CreateShellLink(const std::string& linkFile, const std::string& target, const std::string& arguments,
                     const std::string& workingDir, const std::string& description, const TShellLinkLooks& looks)
{
    const std::string file = ShellLinkFileName(linkFile);
    std::vector<std::string> words{HostOf(target)};
    for (const std::string& word : SplitCommandLine(arguments)) {
        words.push_back(word);
    }
    std::string name = looks.Name.empty() ? RemoveExtension(ExtractFileName(file)) : looks.Name;
    std::string contents = std::string(DesktopGroup) +
                           "\nType=Application\nName=" + EscapeValue(name.empty() ? std::string("Shortcut") : name) +
                           "\n";
    if (!description.empty()) {
        contents += "Comment=" + EscapeValue(description) + "\n";
    }
    if (!looks.Icon.empty()) {
        contents += "Icon=" + EscapeValue(looks.Icon) + "\n";
    }
    contents += "Exec=" + EscapeValue(DesktopExecLine(words)) + "\n";
    if (!workingDir.empty()) {
        contents += "Path=" + EscapeValue(HostOf(RemovePathDelimiter(workingDir))) + "\n";
    }
    contents += "Terminal=false\n";
    const std::string folder = ExtractFilePath(file);
    if (!folder.empty() && !Platform::DirectoryExists(folder)) {
        Platform::ForceDirectories(folder);
    }
    return Platform::WriteFileAtomic(file, contents) == 0;
}

bool ReadShellLink(const std::string& linkFile, std::string& target, std::string& arguments, std::string& workingDir,
                   std::string& description)
{
    target.clear();
    arguments.clear();
    workingDir.clear();
    description.clear();
    std::string contents;
    if (Platform::ReadWholeFile(ShellLinkFileName(linkFile), contents) != 0) {
        return false;
    }
    std::string exec, path;
    if (!ReadDesktopEntry(contents, exec, path, description)) {
        return false;
    }
    std::vector<std::string> words = SplitDesktopExec(exec);
    if (!words.empty()) {
        target = WinOf(words.front());
        words.erase(words.begin());
        arguments = JoinCommandLine(words);
    }
    workingDir = WinOf(path);
    return true;
}
