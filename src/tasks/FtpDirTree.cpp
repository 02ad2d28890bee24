#include "tasks/FtpDirTree.h"

#include "foundation/MessageLoop.h"
#include "foundation/Translate.h"

#include <algorithm>

namespace {

// What tells one folder from another: the listing's "unique" fact, the folder the
// server says it entered, and the unique facts of its subfolders (a link back up lists
// the very folders of the folder it points to).
struct TFolderIdentity
{
    std::string Unique;
    std::string Where;
    std::string Children;

    bool SameAs(const TFolderIdentity& other) const
    {
        return (!Unique.empty() && Unique == other.Unique) || (!Where.empty() && Where == other.Where) ||
               (!Children.empty() && Children == other.Children);
    }
};

std::string ChildrenSignature(const std::vector<TFtpListItem>& dirs)
{
    std::vector<std::string> uniques;
    for (const TFtpListItem& dir : dirs) {
        if (dir.Unique.empty()) {
            return {}; // without every fact the children prove nothing
        }
        uniques.push_back(dir.Unique);
    }
    std::sort(uniques.begin(), uniques.end());
    std::string signature;
    for (const std::string& unique : uniques) {
        signature += unique + ";";
    }
    return signature;
}

class TTreeReader
{
public:
    TTreeReader(IFtpDirSource& source_, int maxDepth_, TFtpTree& tree_)
        : source(source_), maxDepth(maxDepth_), tree(tree_)
    {}

    void ReadBase() { ReadFolder(tree.Nodes, 1, {}); }

private:
    bool OnPath(const TFolderIdentity& folder) const
    {
        return std::any_of(path.begin(), path.end(),
                           [&](const TFolderIdentity& entry) { return folder.SameAs(entry); });
    }

    // Reads the subfolders of the current folder into nodes; false when the folder is one
    // already on the path.
    bool ReadFolder(std::vector<TFtpDirNode>& nodes, int depth, const std::string& unique)
    {
        std::vector<TFtpListItem> dirs;
        if (!source.ListDirs(dirs)) {
            return true;
        }
        TFolderIdentity self{unique, source.WhereAmI(), ChildrenSignature(dirs)};
        if (OnPath(self)) {
            return false;
        }
        path.push_back(self);
        for (const TFtpListItem& dir : dirs) {
            if (tree.Cancelled || (tree.Cancelled = source.Cancelled())) {
                break;
            }
            if (OnPath({dir.Unique, {}, {}})) {
                ++tree.SkippedLoops;
                continue;
            }
            nodes.push_back({dir.Name, {}});
            if (depth >= maxDepth) {
                tree.DepthCut = true;
                continue;
            }
            if (!source.Enter(dir.Name)) {
                continue;
            }
            if (!ReadFolder(nodes.back().Children, depth + 1, dir.Unique)) {
                ++tree.SkippedLoops;
                nodes.pop_back();
            }
            if (!source.Leave()) {
                tree.Cancelled = true; // lost our place: nothing more can be read
                break;
            }
        }
        path.pop_back();
        return true;
    }

    IFtpDirSource& source;
    int maxDepth;
    TFtpTree& tree;
    std::vector<TFolderIdentity> path;
};

class TExtFtpDirSource : public IFtpDirSource
{
public:
    TExtFtpDirSource(TExtFtp& ftp_, IStatusView& status_) : ftp(ftp_), status(status_) {}

    bool ListDirs(std::vector<TFtpListItem>& dirs) override { return ftp.FillDirList(dirs); }
    bool Enter(const std::string& name) override { return ftp.ChangeDir(name); }
    bool Leave() override { return ftp.ChangeDirUp(); }
    std::string WhereAmI() override
    {
        std::string dir;
        return ftp.PrintWorkingDir(dir) ? dir : std::string();
    }
    bool Cancelled() override
    {
        ProcessMessages();
        return status.Cancelled();
    }

private:
    TExtFtp& ftp;
    IStatusView& status;
};

} // namespace

TFtpTree ReadFtpTree(IFtpDirSource& source, int maxDepth)
{
    TFtpTree tree;
    TTreeReader(source, std::max(maxDepth, 1), tree).ReadBase();
    return tree;
}

std::string FtpFolderWithSubDir(const std::string& folder, const std::string& subDir)
{
    return IncludeTrailingSlash(folder) + subDir;
}

std::string FtpNodePath(const std::vector<std::string>& namesFromTop)
{
    std::string path;
    for (const std::string& name : namesFromTop) {
        path += (path.empty() ? "" : "/") + name;
    }
    return path;
}

TFtpTreeResult ReadFtpTreeFromServer(const TFtpTreeRequest& request, IStatusView& status, TFtpTree& tree)
{
    TExtFtp ftp;
    ftp.Host = request.Host;
    ftp.Port = static_cast<uint16_t>(request.Port);
    ftp.Username = request.User;
    ftp.Password = request.Password;
    ftp.Passive = true;
    ftp.TransferTimeout = 30000;
    status.Open(-1, -1, FtpConnectionCaption(), 10, true, request.Host + ": " + FtpTryingToConnectText());
    ProcessMessages();
    if (!ftp.Connect()) {
        status.Close();
        return status.Cancelled() ? TFtpTreeResult::Cancelled : TFtpTreeResult::ConnectFailed;
    }
    if (ftp.SupportsExtension("MLST")) {
        // Ask for the facts that tell a link back up from a real folder; refused is fine.
        ftp.SendCmd("OPTS MLST type;size;modify;unique;");
    }
    if (!request.BaseDir.empty() && !ftp.ChangeDir(request.BaseDir)) {
        ftp.Disconnect();
        status.Close();
        return TFtpTreeResult::BaseFolderMissing;
    }
    status.ShowStatus(TrDefault("Scanning directories"));
    TExtFtpDirSource source(ftp, status);
    tree = ReadFtpTree(source);
    ftp.Disconnect();
    status.Close();
    return tree.Cancelled ? TFtpTreeResult::Cancelled : TFtpTreeResult::Read;
}
