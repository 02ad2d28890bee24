#pragma once

// The named file-type lists of the editor's "File types" page: make one from a source
// entry's type selection, update it, apply it to an entry, delete, save to and load from
// a ".but" file. The page shows Current and its types; questions go to the caller.

#include "tasks/TaskModel.h"

#include <functional>
#include <string>
#include <vector>

class TTypeListEditor
{
public:
    TTypeListEditor(TNamedTypeLists& lists, const TDateFilter& defaults);

    int Current = -1; // the chosen list, -1 none

    // "only these file types" (include mode) or "all except these file types"; empty
    // when no list is chosen.
    std::string ModeText() const;
    // The types of the chosen list's mode.
    std::vector<std::string> ShownTypes() const;

    // A list of that name (ignoring case) is updated, else a new one made from the
    // entry's selection; it becomes the chosen one. An empty name does nothing.
    void New(const std::string& name, const TExtensionList& entry);
    // The chosen list takes the entry's selection; false when none is chosen.
    bool Update(const TExtensionList& entry);
    // The entry takes the chosen list's selection (its name filter goes off, its
    // counters are zeroed); false when none is chosen.
    bool Apply(TExtensionList& entry) const;
    // Removes the chosen list and chooses the one at its place, the new last one, or none
    // when the first of several went.
    void Delete();
    bool Save(const std::string& fileName, const std::string& programText, const std::string& fileVersion) const;
    // Reads a ".but" file: a new name adds a list, a known one is read into only when
    // confirmOverwrite() agrees. False when the file cannot be read or the user said no.
    bool Load(const std::string& fileName, const std::function<bool()>& confirmOverwrite);

private:
    TNamedTypeLists& lists;
    TDateFilter defaults;
};
