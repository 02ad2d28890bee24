#pragma once

// The open folders from a top folder down to the folder entered last. A depth-first run
// over many folders enters each one from the nearest open folder on its way instead of
// from the top: a sibling costs one level, not the whole path. Each level is entered as
// TDestFolder::Enter does it, never through a symbolic link.
//
//   TFolderChain (Reset, Top, Enter, Current, Clear)

#include "platform/DestFolder.h"

#include <memory>
#include <string>
#include <vector>

namespace Platform {

class TFolderChain
{
public:
    // Starts over at top (the folder the user chose, opened by the caller; may be null).
    void Reset(std::unique_ptr<TDestFolder> top);
    // nullptr before the first Reset with a folder.
    const TDestFolder* Top() const { return levels.empty() ? nullptr : levels.front().get(); }
    // The folder (Windows path, no trailing delimiter) at or below the top, created when
    // create is set; nullptr with LastError as TDestFolder::Enter, ErrorInvalidName for a
    // folder outside the top. The pointer is valid until the next Enter, Reset or Clear.
    TDestFolder* Enter(const std::string& folder, bool create, std::string* linkPath = nullptr,
                       std::vector<std::string>* created = nullptr);
    // The folder entered last, shared: it stays open when the chain moves on (nullptr
    // before the first Reset with a folder).
    std::shared_ptr<TDestFolder> Current() const { return levels.empty() ? nullptr : levels.back(); }
    // Closes every level below the top (after a folder of the chain was removed).
    void CloseBelowTop();
    void Clear() { levels.clear(); }

private:
    std::vector<std::shared_ptr<TDestFolder>> levels;
};

} // namespace Platform
