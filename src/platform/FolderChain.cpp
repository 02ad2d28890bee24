#include "platform/FolderChain.h"

namespace Platform {

namespace {

// Length of base's text in folder when folder is base or lies below it, else 0.
std::size_t WithinLength(const std::string& folder, const std::string& base)
{
    if (base.empty() || folder.compare(0, base.size(), base) != 0) {
        return 0;
    }
    if (folder.size() == base.size() || base.back() == '\\') {
        return base.size();
    }
    return folder[base.size()] == '\\' ? base.size() + 1 : 0;
}

} // namespace

void TFolderChain::Reset(std::unique_ptr<TDestFolder> top)
{
    levels.clear();
    if (top) {
        levels.push_back(std::move(top));
    }
}

TDestFolder* TFolderChain::Enter(const std::string& folder, bool create, std::string* linkPath,
                                 std::vector<std::string>* created)
{
    if (levels.empty() || WithinLength(folder, levels.front()->Path()) == 0) {
        SetLastError(ErrorInvalidName);
        return nullptr;
    }
    while (WithinLength(folder, levels.back()->Path()) == 0) {
        levels.pop_back();
    }
    std::size_t pos = WithinLength(folder, levels.back()->Path());
    while (pos < folder.size()) {
        const std::size_t delim = folder.find('\\', pos);
        const std::size_t end = delim == std::string::npos ? folder.size() : delim;
        auto next =
            end > pos ? levels.back()->Enter(folder.substr(pos, end - pos), create, linkPath, created) : nullptr;
        if (!next) {
            if (end == pos) {
                SetLastError(ErrorInvalidName);
            }
            return nullptr;
        }
        levels.push_back(std::move(next));
        pos = end + 1;
    }
    return levels.back().get();
}

void TFolderChain::CloseBelowTop()
{
    if (levels.size() > 1) {
        levels.resize(1);
    }
}

} // namespace Platform
