#include "tasks/PreviewRows.h"

#include "foundation/NumberText.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"

TPreview PreviewEntry(const TBackupTask& task, const TExtensionList& entry, bool excluded, TDateTime runDate)
{
    TPreview preview;
    TExtensionList filter(entry);
    preview.Folder = filter.ExpandedDir.empty() ? ExpandPlaceholders(true, filter.SourceDir) : filter.ExpandedDir;
    PreviewDir(preview.Folder, "", filter, preview.Lines, preview.Bytes, preview.Count, excluded, task.UseArch,
               runDate);
    return preview;
}

std::string PreviewSummary(int count, int64_t bytes)
{
    if (count <= 0) {
        return {};
    }
    const std::string format = count == 1 ? TrDefault("1 file with %s")
                                          : ReplaceText(TrDefault("%u files with %s"), "%u", std::to_string(count));
    return FormatText(format, SizeToText(bytes));
}

std::vector<size_t> PreviewRows(const std::vector<TPreviewLine>& lines, bool allDirs)
{
    std::vector<size_t> rows;
    bool hadFiles = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const char kind = lines[i].Text.empty() ? ' ' : lines[i].Text[0];
        if (kind == '*') {
            hadFiles = lines[i].Files > 0;
        }
        if (allDirs || hadFiles || (kind != '*' && kind != '#')) {
            rows.push_back(i);
        }
    }
    return rows;
}

TPreviewRow PreviewRowOf(const TPreviewLine& line)
{
    TPreviewRow row;
    const char kind = line.Text.empty() ? ' ' : line.Text[0];
    std::string rest = line.Text.empty() ? std::string() : line.Text.substr(1);
    row.Name = ReadNextItem(rest, '|');
    if (kind == '*') {
        row.Picture = PreviewPictureCounted;
        row.Date = line.Files == 0   ? TrDefault("No files")
                   : line.Files == 1 ? TrDefault("1 file")
                                     : std::to_string(line.Files) + " " + TrDefault("Files");
        return row;
    }
    row.Picture = kind == '#' ? PreviewPictureFolder : PreviewPictureFile;
    row.Date = ReadNextItem(rest, '|');
    row.Size = rest;
    return row;
}
