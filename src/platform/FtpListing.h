#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of a remote folder listing.
struct TFtpListItem
{
    std::string Name;
    bool IsDir = false;
    int64_t Size = -1;        // -1 when the listing gave none
    bool HasTime = false;     // false when the listing gave no usable time
    int64_t ModifiedUnix = 0; // modification time, Unix seconds (UTC for MLSD; as listed for LIST)
    std::string Unique;       // MLSD "unique" fact: the same for every name of one file or folder
};

// Parses one line of a machine listing (MLSD). Returns false for lines that name no entry,
// for the folder itself and its parent ("cdir", "pdir") and for names holding "/", CR, LF
// or NUL, which no command could address.
bool ParseMlsdLine(const std::string& line, TFtpListItem& item);

// Parses one line of a LIST reply in the Unix ("drwxr-xr-x ...") or the DOS form
// ("01-31-20  02:30PM  <DIR>  name"). Unix lines without a year take the year that puts the
// date not more than a day after nowUnix. Returns false for totals, blank lines, "." and ".."
// and the names ParseMlsdLine refuses.
bool ParseListLine(const std::string& line, int64_t nowUnix, TFtpListItem& item);

// Splits a listing reply into lines and parses each with the parser of its kind.
std::vector<TFtpListItem> ParseListing(const std::string& text, bool machineListing, int64_t nowUnix);

// "YYYYMMDDHHMMSS[.fff]" (UTC) -> Unix seconds; false when malformed.
bool ParseFtpTimeValue(const std::string& text, int64_t& unixTime);

// Unix seconds -> "YYYYMMDDHHMMSS" (UTC), as MFMT and MDTM expect it.
std::string FormatFtpTimeValue(int64_t unixTime);
