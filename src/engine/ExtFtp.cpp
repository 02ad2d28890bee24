#include "engine/ExtFtp.h"

#include "engine/FileTimes.h"
#include "foundation/MessageLoop.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"

#include <algorithm>
#include <cstdio>

namespace {

std::vector<std::string> PathSegments(const std::string& path)
{
    std::vector<std::string> segments;
    std::string rest = path;
    while (!rest.empty()) {
        std::string segment = ReadNextItem(rest, '/');
        if (!segment.empty()) {
            segments.push_back(std::move(segment));
        }
    }
    return segments;
}

// A listed name that would lead the recursive delete out of the folder it works on.
bool LeavesFolder(const std::string& name)
{
    return name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos;
}

std::string FormatHostText(const char* msgid, const std::string& host, unsigned port, const std::string& user)
{
    const std::string format = TrUnits(msgid);
    const int size = std::snprintf(nullptr, 0, format.c_str(), host.c_str(), port, user.c_str());
    std::string text(static_cast<size_t>(std::max(size, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format.c_str(), host.c_str(), port, user.c_str());
    return text;
}

} // namespace

TExtFtp::TExtFtp()
{
    UseMLIS = true;
    Passive = true;
}

void TExtFtp::DoAfterLogin()
{
    Utf8 = SupportsExtension("UTF8");
    TFtpClient::DoAfterLogin();
}

std::string TExtFtp::EncodeName(const std::string& name) const
{
    return ConvertCase(name, NameCase);
}

std::string TExtFtp::DecodeName(const std::string& name) const
{
    // Our own texts are UTF-8, so a UTF-8 server's names need no conversion; other servers'
    // names are kept byte for byte so that they can be sent back unchanged.
    return name;
}

bool TExtFtp::ListDecoded(std::vector<TFtpListItem>& items)
{
    if (!List(items)) {
        return false;
    }
    for (TFtpListItem& item : items) {
        item.Name = DecodeName(item.Name);
    }
    return true;
}

bool TExtFtp::FillFileList()
{
    Listing.clear();
    std::vector<TFtpListItem> items;
    if (!ListDecoded(items)) {
        return false;
    }
    std::copy_if(items.begin(), items.end(), std::back_inserter(Listing), [](auto& item) { return !item.IsDir; });
    return true;
}

bool TExtFtp::FillDirList(std::vector<TFtpListItem>& dirs)
{
    dirs.clear();
    std::vector<TFtpListItem> items;
    if (!ListDecoded(items)) {
        return false;
    }
    std::copy_if(items.begin(), items.end(), std::back_inserter(dirs), [](auto& item) { return item.IsDir; });
    return true;
}

const TFtpListItem* TExtFtp::FindListed(const std::string& name) const
{
    auto exact = std::find_if(Listing.begin(), Listing.end(), [&](auto& item) { return item.Name == name; });
    if (exact != Listing.end()) {
        return &*exact;
    }
    auto similar =
        std::find_if(Listing.begin(), Listing.end(), [&](auto& item) { return SameTextIgnoringCase(item.Name, name); });
    return similar != Listing.end() ? &*similar : nullptr;
}

bool TExtFtp::RemoteFileExists(const std::string& name)
{
    return FillFileList() && FindListed(name) != nullptr;
}

bool TExtFtp::NeedsUpdate(const std::string& name, int64_t offsetSeconds, int64_t localUnixTime) const
{
    const TFtpListItem* item = FindListed(EncodeName(name));
    return !item || !item->HasTime || item->ModifiedUnix + offsetSeconds < localUnixTime;
}

bool TExtFtp::SetRemoteTime(const std::string& localFile, const std::string& remoteName)
{
    const TFileTime written = GetFileWriteTime(localFile);
    return written != 0 && SetRemoteTime(FileTimeToUnixTime(written), remoteName);
}

bool TExtFtp::SetRemoteTime(int64_t localUnixTime, const std::string& remoteName)
{
    if (FeatLines().empty() || !CanSetModTime()) {
        return true;
    }
    // A server that turns out to read times only cannot set them: that is no failure.
    return SetModTime(EncodeName(remoteName), localUnixTime) || !CanSetModTime();
}

bool TExtFtp::MakeAndEnterDir(const std::string& name)
{
    if (!MakeDir(name)) {
        return false;
    }
    std::string created;
    if (LastReplyCode() != 257 || !ExtractQuotedPath(LastReplyText(), created) || created.empty()) {
        created = name;
    }
    return ChangeDir(created);
}

bool TExtFtp::ChangeToDir(const std::string& path)
{
    Depth = 0;
    const bool absolute = !path.empty() && path[0] == '/';
    const std::vector<std::string> segments = PathSegments(path);
    if (segments.empty()) {
        return !absolute || ChangeDir("/");
    }
    std::string whole = absolute ? "/" : "";
    for (size_t i = 0; i < segments.size(); ++i) {
        whole += (i ? "/" : "") + segments[i];
    }
    if (ChangeDir(whole)) {
        Depth = static_cast<int32_t>(segments.size());
        return true;
    }
    bool result = !absolute || ChangeDir("/");
    for (size_t i = 0; result && i < segments.size(); ++i) {
        result = ChangeDir(segments[i]) || MakeAndEnterDir(segments[i]);
        if (result) {
            ++Depth;
        }
    }
    if (absolute) {
        Depth = 0;
    }
    return result;
}

bool TExtFtp::ChangeBack()
{
    bool result = true;
    for (int32_t i = 0; result && i < Depth; ++i) {
        result = ChangeDirUp();
    }
    Depth = 0;
    return result;
}

bool TExtFtp::DeleteTree(const std::string& folder, int& counter)
{
    const bool enter = !folder.empty();
    if (enter && (LeavesFolder(folder) || !ChangeDir(folder))) {
        return false;
    }
    std::vector<TFtpListItem> items;
    if (!ListDecoded(items)) {
        if (enter) {
            ChangeDirUp();
        }
        return false;
    }
    bool ok = true;
    for (const TFtpListItem& item : items) {
        if (item.IsDir || LeavesFolder(item.Name)) {
            continue;
        }
        if (DeleteFile(item.Name)) {
            ++counter;
        } else {
            ok = false;
        }
        ProcessMessages();
    }
    for (const TFtpListItem& item : items) {
        if (ok && item.IsDir && !LeavesFolder(item.Name)) {
            ok = DeleteTree(item.Name, counter);
        }
    }
    if (!enter) {
        return ok;
    }
    // Only back in the parent may the folder be removed; anywhere else RMD could hit a namesake.
    return ChangeDirUp() && ok && RemoveDir(folder);
}

TStatusCode TExtFtp::Upload(const TFtpSource& source, const std::string& remoteName, bool append)
{
    if (!Connected()) {
        return ecFtpClosed;
    }
    if (Store(source, EncodeName(remoteName), append)) {
        return 0;
    }
    return Connected() ? ecFtpWrite : ecFtpClosed;
}

TStatusCode TExtFtp::Upload(TStream& stream, const std::string& remoteName, bool append)
{
    const TFtpSource source = [&stream](char* buf, size_t size) {
        return stream.Read(buf, static_cast<int64_t>(size));
    };
    return Upload(source, remoteName, append);
}

TStatusCode TExtFtp::Download(const std::string& remoteName, TStream& stream, int64_t maxBytes)
{
    if (!Connected()) {
        return ecFtpClosed;
    }
    const TFtpSink sink = [&stream](const char* buf, size_t size) {
        return stream.WriteExact(buf, static_cast<int64_t>(size));
    };
    const bool retrieved = Retrieve(EncodeName(remoteName), sink, maxBytes);
    stream.Seek(0);
    if (retrieved) {
        return 0;
    }
    return Connected() ? ecFtpRead : ecFtpClosed;
}

std::string FtpConnectionCaption()
{
    return TrUnits("FTP connection");
}

std::string FtpTryingToConnectText()
{
    return TrUnits("Trying to connect");
}

std::string FtpConnectionFailedText()
{
    return TrUnits("Connection to FTP server failed");
}

std::string FtpPasswordNeededText(const std::string& host, unsigned port, const std::string& user)
{
    return FormatHostText("Connection to FTP server: %s:%u\nfor user: %s\nrequires a password!", host, port, user);
}

std::string FtpProxyPasswordNeededText(const std::string& host, unsigned port, const std::string& user)
{
    return FormatHostText("Connection to FTP proxy server: %s:%u\nfor user: %s\nrequires a password!", host, port,
                          user);
}

std::string IncludeTrailingSlash(const std::string& path)
{
    return path.empty() || path.back() == '/' ? path : path + "/";
}

std::string ExtractAfterDelimiter(const std::string& delimiters, const std::string& path)
{
    const size_t last = path.find_last_of(delimiters);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string JoinFtpPath(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

std::string SlashToBackslash(const std::string& path)
{
    return ReplaceChar(path, '/', '\\');
}

std::string BackslashToSlash(const std::string& path)
{
    return ReplaceChar(path, '\\', '/');
}
