#pragma once

// The folder tree below a remote folder, for choosing an FTP subfolder.
//
// The tree is read depth first in listing order. Reading stops when the user cancels,
// goes no deeper than MaxFtpTreeDepth levels, and skips a folder that is already on
// the path from the base folder to it (a link back up on the server), recognised by the
// listing's "unique" fact or by the folder the server says it entered. So a link loop on
// the server cannot keep the window busy for ever.

#include "engine/ExtFtp.h"
#include "foundation/StatusView.h"

#include <string>
#include <vector>

inline constexpr int MaxFtpTreeDepth = 16;

struct TFtpDirNode
{
    std::string Name;
    std::vector<TFtpDirNode> Children;
};

// What the tree reader needs of an FTP session standing in the base folder.
class IFtpDirSource
{
public:
    virtual ~IFtpDirSource() = default;
    // Subfolders of the current folder; false when it cannot be listed.
    virtual bool ListDirs(std::vector<TFtpListItem>& dirs) = 0;
    virtual bool Enter(const std::string& name) = 0;
    virtual bool Leave() = 0;
    // The folder the server reports; empty when it reports none.
    virtual std::string WhereAmI() = 0;
    // Polled after every folder: true stops reading.
    virtual bool Cancelled() = 0;
};

struct TFtpTree
{
    std::vector<TFtpDirNode> Nodes; // subfolders of the base folder
    bool Cancelled = false;
    int SkippedLoops = 0;  // folders left out because they lead back up
    bool DepthCut = false; // some folder lay deeper than the limit
};

TFtpTree ReadFtpTree(IFtpDirSource& source, int maxDepth = MaxFtpTreeDepth);

// The remote folder with the chosen subfolder below it: "/backup" + "a/b" -> "/backup/a/b".
std::string FtpFolderWithSubDir(const std::string& folder, const std::string& subDir);

// The subfolder a tree node stands for: node names from the top down, joined by "/".
std::string FtpNodePath(const std::vector<std::string>& namesFromTop);

// The session of the folder dialog: connect, enter the base folder, read the tree.
enum class TFtpTreeResult
{
    Read,
    Cancelled, // by the user, while connecting or reading
    ConnectFailed,
    BaseFolderMissing,
};

struct TFtpTreeRequest
{
    std::string Host;
    std::string User;
    std::string Password;
    unsigned Port = 21;
    std::string BaseDir;
};

// Connects (passive, no proxy, 30 s transfer time-out), enters the base folder and reads
// the tree, showing the status window with a Cancel button; disconnects in every case.
TFtpTreeResult ReadFtpTreeFromServer(const TFtpTreeRequest& request, IStatusView& status, TFtpTree& tree);
