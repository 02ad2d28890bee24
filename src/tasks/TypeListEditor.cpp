#include "tasks/TypeListEditor.h"

#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "tasks/TypeLists.h"

TTypeListEditor::TTypeListEditor(TNamedTypeLists& lists_, const TDateFilter& defaults_)
    : lists(lists_), defaults(defaults_)
{}

std::string TTypeListEditor::ModeText() const
{
    if (Current < 0 || Current >= lists.Count()) {
        return {};
    }
    return lists[Current].List.Mode == TypeModeInclude ? TrDefault("only these file types")
                                                       : TrDefault("all except these file types");
}

std::vector<std::string> TTypeListEditor::ShownTypes() const
{
    if (Current < 0 || Current >= lists.Count()) {
        return {};
    }
    return lists[Current].List.ModeList().Types();
}

void TTypeListEditor::New(const std::string& name, const TExtensionList& entry)
{
    if (name.empty()) {
        return;
    }
    const int known = lists.IndexOf(name);
    if (known >= 0) {
        Current = known;
        Update(entry);
        return;
    }
    TExtensionList list(defaults);
    list.Assign(entry);
    list.ResetCounters();
    Current = lists.Add(name, list);
}

bool TTypeListEditor::Update(const TExtensionList& entry)
{
    if (Current < 0 || Current >= lists.Count()) {
        return false;
    }
    TExtensionList& list = lists[Current].List;
    list.Assign(entry);
    list.ResetCounters();
    return true;
}

bool TTypeListEditor::Apply(TExtensionList& entry) const
{
    if (Current < 0 || Current >= lists.Count()) {
        return false;
    }
    entry.Assign(lists[Current].List);
    entry.ResetCounters();
    return true;
}

void TTypeListEditor::Delete()
{
    if (Current < 0 || Current >= lists.Count()) {
        return;
    }
    const int removed = Current;
    lists.Delete(removed);
    if (lists.Count() == 0) {
        Current = -1;
    } else if (removed >= lists.Count()) {
        Current = lists.Count() - 1;
    } else {
        Current = removed - 1; // the first of several leaves none chosen
    }
}

bool TTypeListEditor::Save(const std::string& fileName, const std::string& programText,
                           const std::string& fileVersion) const
{
    if (Current < 0 || Current >= lists.Count()) {
        return false;
    }
    return WriteTypeListFile(fileName, lists[Current].Name, lists[Current].List, programText, fileVersion);
}

bool TTypeListEditor::Load(const std::string& fileName, const std::function<bool()>& confirmOverwrite)
{
    const std::string name = ReadTypeListName(fileName);
    if (name.empty()) {
        return false;
    }
    const int known = lists.IndexOf(name);
    if (known < 0) {
        TExtensionList list(defaults);
        if (!ReadTypeListFile(fileName, list)) {
            return false;
        }
        Current = lists.Add(name, list);
        return true;
    }
    if (confirmOverwrite && !confirmOverwrite()) {
        return false;
    }
    Current = known;
    return ReadTypeListFile(fileName, lists[known].List);
}
