#pragma once

// The one map between the name of a source file and the names its copies take in a
// backup folder, and back. The walk asks it how a copy and its kept versions are named,
// the restore which file a backup file gives back, the clean-up and the synchronisation
// which file of origin a backup file stands for.
//
// A source file N of a folder is copied as:
//   - N converted (ConvertFileName: FilenameCase, ReplaceChars);
//   - in one form: plain, ".gz" (compressed) or ".enc" (encrypted), DestinationSuffix;
//   - its kept versions: a suffix text (MakeBackupSuffix) inserted before the extension of
//     the converted name, then the form's suffix (KeptVersionName; "#n" rotates through n
//     names, KeptVersionNames).
// Within a folder no two source files share a name (TSourceNames): a plain copy that would
// take another file's compressed name is compressed itself, and no kept version takes a
// name a source file's copy may bear.
// Back from a backup file: the files of origin it may stand for, under every conversion and
// whatever suffix made a kept version (TOriginNames), and the name a restore gives it back
// under (RestoreNameOf, KeepRestoredNamesApart).
//
//   ConvertFileName, DestinationSuffix, FormSuffixes, MakeBackupSuffix, KeptVersionName,
//   KeptVersionNames, KeptVersionOrigins, KeptVersionSuffix, BearsKeptVersionSuffix,
//   ValidKeptVersionSuffix, TSourceNames, TOriginNames, IsCompressedCopyOf, RestoreNameOf,
//   KeepRestoredNamesApart

#include "engine/FileTimes.h"
#include "engine/GzipFormat.h"
#include "foundation/DateUtils.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

// Destination name of a found name: case by filenameCase (1 lower, 2 upper), and with
// replaceChars every character that file names must not hold becomes "-".
std::string ConvertFileName(const std::string& name, int32_t filenameCase, bool replaceChars);

// ".gz" for a compressed file, else ".enc" when the run encrypts, else nothing.
std::string DestinationSuffix(bool compressed, bool encrypted);
// The suffixes of the forms a copy may take: plain, ".gz", ".enc".
inline constexpr const char* FormSuffixes[] = {"", ".gz", ".enc"};

// "." + the suffix text of kept versions ("bak" when empty) with "%fdate%" (the
// existing copy's stored write time, yyyy-mm-dd-hh-nn), "%bdate%" (yyyy-mm-dd) and
// "%btime%" (hh-nn-ss) of now replaced, ignoring case.
std::string MakeBackupSuffix(const std::string& text, TFileTime destWrite, TDateTime now);

// Kept-version name: the suffix before the plain name's extension, then the
// destination's own suffix (".gz"/".enc"). May still hold "#n".
std::string KeptVersionName(const std::string& plainName, const std::string& suffix, const std::string& destSuffix);

// The names the kept versions rotate through, newest first. A "#" followed by a digit
// n of 1..9 gives n names with 1..n in its place; without such a digit every "#" is
// removed and there is one name.
std::vector<std::string> KeptVersionNames(const std::string& keptName);

// The plain names a kept version of this name (without ".gz"/".enc") can have been kept
// for, whatever suffix text made it, a task's own or the program's: the name without one
// part "." + text right before its extension, or at its end when the plain name has none.
// "anna.bak-1.txt" gives "anna.txt"; "a.b.c.txt" gives "a.b.txt" and "a.txt", and also
// "a" (as "a" with the suffix ".b.c.txt").
std::vector<std::string> KeptVersionOrigins(const std::string& name);

// The suffix of a kept version picked in the restore's filter dialog: "report.bak.doc"
// gives "bak". A ".gz" or ".enc" ending goes first, as the restore lists such files
// without it.
std::string KeptVersionSuffix(const std::string& fileName);
// The restore's selection of kept versions by their suffix: "report.bak.doc" bears "bak"
// (ignoring case).
bool BearsKeptVersionSuffix(const std::string& restoredName, const std::string& suffix);
// A suffix kept versions can be selected by: not empty and a valid file name.
bool ValidKeptVersionSuffix(const std::string& suffix);

// The files of a folder of origin, to tell which backup files stand for one of them, under
// any of the name conversions.
class TOriginNames
{
public:
    void Add(const std::string& originName);
    // One of the files has its plain copy named so.
    bool CopiedAs(const std::string& plainName) const { return names.contains(plainName); }
    // The backup file is a copy of one of the files (plain, ".gz" or ".enc") or may be a
    // kept version of one, made with any suffix.
    bool HasOriginOf(const std::string& backupName) const;

private:
    bool Holds(const std::string& name) const;

    std::unordered_set<std::string> names;
};

// The converted names of a source folder's files, to tell whose copy a name is. Within a
// folder no two source files are copied under one name: a file whose plain copy would take
// the name of another file's compressed copy ("a.txt.gz" beside "a.txt") is compressed
// itself ("a.txt.gz.gz"), which a restore gives back under its own name.
class TSourceNames
{
public:
    void Add(std::string converted) { names.insert(std::move(converted)); }
    bool Contains(const std::string& converted) const { return names.contains(converted); }
    // Some source file's copy may bear the name, plain or in a form.
    bool Holds(const std::string& backupName) const;
    // Another source file than the one converted to own is copied under name, as it is or
    // in a form: "a.gz" copied as it is, or "a" compressed. keptApart: the run compresses
    // files that would take another's compressed name (MustCompress).
    bool NamedForAnother(const std::string& own, const std::string& name, bool keptApart) const;
    // Only a name ending in ".gz" can be another file's compressed copy's name: the folder's
    // names need to be gathered for no other.
    static bool LikeACompressedCopy(const std::string& converted) { return converted.ends_with(".gz"); }
    // The file's copy must not be plain: its name is another file's name + ".gz".
    bool MustCompress(const std::string& converted) const;

private:
    std::unordered_set<std::string> names;
};

// Whether a gzip header shows the backup's own compressed copy of the file whose copy is
// named plainName: laid out as the backup writes it, storing that file's name (under any
// of the conversions).
bool IsCompressedCopyOf(const TGzFileInfo& header, const std::string& plainName);

// How a restore gives back one file of a backup folder.
struct TRestoreName
{
    std::string Name;       // in the backup folder
    std::string Restored;   // the name it gives back
    bool Unpacked = false;  // a ".gz" file unpacked; Header is its gzip header
    bool Decrypted = false; // an ".enc" file decrypted
    TGzFileInfo Header;
};

// A file as the restore reads its name: "a.txt.gz" gives back "a.txt" unpacked (when unpack
// is set), "a.txt.enc" gives it back decrypted, any other name is given back as it is.
TRestoreName RestoreNameOf(const std::string& name, bool unpack);

// Where several files of one folder would give back one name, a ".gz" or ".enc" file is
// taken for another form of that name only when it is one: a ".gz" whose header is the
// backup's own and stores the name, an ".enc" beside such a ".gz" that is encrypted (the
// backup encrypts; otherwise every ".enc" of it is a user's file copied as it is). The
// others are given back as they are, under their own names: in doubt both files come back.
void KeepRestoredNamesApart(std::vector<TRestoreName>& files);
