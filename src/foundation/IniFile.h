#pragma once

// TIniFile: an INI file with the semantics of Windows profile files.
//   Section and key names ignore case; values are trimmed and lose one pair of outer quotes
//   ("..." or '...'); the first of duplicate sections or keys wins; new sections and keys
//   are appended in order; lines it does not understand (comments, unknown sections) are
//   kept as they are. Reads CRLF or LF and UTF-8 (cp1252 when the file is not UTF-8);
//   writes LF and UTF-8.
//   Changes stay in memory until UpdateFile() (temporary file + rename); the destructor
//   saves pending changes too, silently, so call UpdateFile() to see errors.
//
//   ReadString, ReadInteger, ReadInt64, ReadBool, ReadFloat,
//   WriteString, WriteInteger, WriteInt64, WriteBool, WriteFloat,
//   ReadSection (key names), ReadSections, ReadSectionValues ("key=value"),
//   SectionExists, ValueExists, DeleteKey, EraseSection, UpdateFile, SetText, GetText

#include <cstdint>
#include <string>
#include <vector>

class TIniFile
{
public:
    TIniFile() = default; // in memory only; UpdateFile does nothing
    explicit TIniFile(std::string fileName);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return fileName; }
    // Windows error code of reading the file (0 also when it did not exist yet).
    int LoadError() const { return loadError; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def = {}) const;
    // Decimal, "$hex" or "0xhex"; anything else gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    std::int64_t ReadInt64(const std::string& section, const std::string& key, std::int64_t def) const;
    // A number other than 0 (or "true") is true.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    // "." or "," as the decimal separator.
    double ReadFloat(const std::string& section, const std::string& key, double def) const;

    // Line breaks in a value are stored as blanks, since a value is one line.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteInt64(const std::string& section, const std::string& key, std::int64_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value); // "1" / "0"
    void WriteFloat(const std::string& section, const std::string& key, double value);

    std::vector<std::string> ReadSection(const std::string& section) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);
    void Clear();

    // Writes the file when something changed; 0 or a Windows error code.
    int UpdateFile();
    bool Modified() const { return modified; }

    void SetText(const std::string& text);
    std::string GetText() const;

private:
    struct TLine
    {
        std::string Text; // the line as read or built
        std::string Key;  // empty when the line holds no key
        std::string Value;
    };
    struct TSection
    {
        std::string Name;
        std::string Header;
        std::vector<TLine> Lines;
    };

    const TSection* FindSection(const std::string& name) const;
    TSection* FindSection(const std::string& name);
    static const TLine* FindKey(const TSection& section, const std::string& key);
    // The first line of each key of a section, in order.
    std::vector<const TLine*> FirstKeys(const std::string& section) const;
    bool Lookup(const std::string& section, const std::string& key, std::string& value) const;

    std::string fileName;
    std::vector<TLine> prologue; // lines before the first section
    std::vector<TSection> sections;
    bool modified = false;
    int loadError = 0;
};
