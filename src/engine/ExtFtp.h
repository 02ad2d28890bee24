#pragma once

#include "engine/StatusCodes.h"
#include "foundation/Stream.h"
#include "platform/FtpClient.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The program's FTP session: the platform client plus letter case, listings split into files
// and folders, path navigation, recursive delete, time stamps and transfers with status codes.
// Connecting and the proxy set-up go through the client's own fields (Host, Port, Username,
// Password, Passive, Proxy, TransferTimeout) and Connect().
//
// Which names are encoded (NameCase): only names made from local files. Upload, Download,
// NeedsUpdate and SetRemoteTime take such names and encode them. Everything else takes names
// as the server knows them: the user's remote folder, names read back from a listing, paths.
// The walk passes EncodeName(localFolderName) to ChangeToDir and EncodeName(remoteName) to
// DeleteFile when it removes what it uploaded.
//
// Used by the run and its walk like this:
//   ChangeToDir(folder)             enter (creating what is missing); ChangeBack() returns
//   PrintWorkingDir(dir)            remember where the walk stands (inherited)
//   FillFileList()                  once per folder; then NeedsUpdate(name, tolerance, time)
//   Upload(...), SetRemoteTime(...) per file; DeleteFile(EncodeName(name)) after a failed upload
//   FillDirList(list)               remote subfolders (synchronisation)
//   DeleteTree(name, count)         remove a folder; DeleteTree("", count) empties the current one
//   RemoteFileExists / Download     time-stamp file
//   Connected()                     false once the server has gone, also while idle; then
//                                   Connect() and ChangeToDir(remembered folder) to go on
// The upload itself runs in TWriteFtpThread (engine/WriteFtpThread.h), whose status carries
// error 27 (ecFtpClosed) when the connection went and 25 (ecFtpWrite) when the server
// refused or the transfer broke off. DeleteTree, DeleteFile and the listings need the GUI
// thread (DeleteTree runs the message loop).
class TExtFtp : public TFtpClient
{
public:
    TExtFtp();

    // Files of the last FillFileList (not folders), under their decoded names.
    std::vector<TFtpListItem> Listing;
    uint8_t NameCase = 0; // 0 as given, 1 lower case, 2 upper case
    bool Utf8 = false;    // the server's FEAT reply lists UTF8
    int32_t Depth = 0;    // folder levels the last ChangeToDir entered (0 for absolute paths)

    std::string EncodeName(const std::string& name) const;
    std::string DecodeName(const std::string& name) const;

    bool FillFileList();
    bool FillDirList(std::vector<TFtpListItem>& dirs);
    // Lists the current folder anew and looks for the name (case-insensitive).
    bool RemoteFileExists(const std::string& name);
    // True when EncodeName(name) is missing from Listing, or its time + offsetSeconds is
    // earlier than localUnixTime. Both times are UTC seconds (the local one from the file's
    // last-write time, FileTimeToUnixTime), so no time zone moves the decision.
    bool NeedsUpdate(const std::string& name, int64_t offsetSeconds, int64_t localUnixTime) const;
    // Gives the remote file the local file's last-write time (Windows path text); does nothing
    // and succeeds when the server can set no times (no FEAT, or neither MFMT nor MDTM).
    bool SetRemoteTime(const std::string& localFile, const std::string& remoteName);
    // The same with the time given as UTC seconds.
    bool SetRemoteTime(int64_t localUnixTime, const std::string& remoteName);

    bool MakeAndEnterDir(const std::string& name);
    // Enters the path segment by segment, creating missing folders; empty segments are skipped.
    bool ChangeToDir(const std::string& path);
    bool ChangeBack();
    // Deletes the folder with everything in it (counter += files deleted), running one pass of
    // the message loop after each file. An empty name empties the current folder and keeps
    // it. False when the folder cannot be entered or anything in it stays.
    bool DeleteTree(const std::string& folder, int& counter);

    // Stores the stream from its position on. 0; ecFtpWrite when refused or failed while
    // connected (an abort included); ecFtpClosed when the connection is gone.
    TStatusCode Upload(TStream& stream, const std::string& remoteName, bool append);
    TStatusCode Upload(const TFtpSource& source, const std::string& remoteName, bool append);
    // Appends the remote file to the stream, then rewinds the stream. 0; ecFtpRead when it
    // failed while connected; ecFtpClosed when the connection is gone.
    // maxBytes >= 0: stops after that many bytes.
    TStatusCode Download(const std::string& remoteName, TStream& stream, int64_t maxBytes = -1);

    // The listed file of that name: exact match first, else ignoring case; nullptr if none.
    const TFtpListItem* FindListed(const std::string& name) const;

protected:
    void DoAfterLogin() override;

private:
    bool ListDecoded(std::vector<TFtpListItem>& items);
};

// Texts shown by the callers while they connect.
std::string FtpConnectionCaption();
std::string FtpTryingToConnectText();
std::string FtpConnectionFailedText();
std::string FtpPasswordNeededText(const std::string& host, unsigned port, const std::string& user);
std::string FtpProxyPasswordNeededText(const std::string& host, unsigned port, const std::string& user);

// Remote path helpers ("/" separated).
std::string IncludeTrailingSlash(const std::string& path);
std::string ExtractAfterDelimiter(const std::string& delimiters, const std::string& path);
std::string JoinFtpPath(const std::string& folder, const std::string& name);
std::string SlashToBackslash(const std::string& path);
std::string BackslashToSlash(const std::string& path);
