#pragma once

// The backup selection preview: which files of one source entry the selection takes
// (or leaves out), and the rows the preview window shows of that list.
//
// Lines of the list: "*" a folder with its number of chosen files, "#" another folder
// line, anything else a file; after that character name|date|size.

#include "foundation/DateUtils.h"
#include "tasks/BackupWalk.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <string>
#include <vector>

struct TPreview
{
    std::string Folder; // the entry's folder, expanded
    std::vector<TPreviewLine> Lines;
    int Count = 0;
    int64_t Bytes = 0;
};

// Walks the folder of the entry; `excluded` lists the files the selection leaves out.
TPreview PreviewEntry(const TBackupTask& task, const TExtensionList& entry, bool excluded, TDateTime runDate);

// "1 file with 2.00 kB", "7 files with ...", empty for no file.
std::string PreviewSummary(int count, int64_t bytes);

// Indexes of the lines shown: file lines always; folder lines while the last counted
// folder had files, or every folder line when allDirs is set.
std::vector<size_t> PreviewRows(const std::vector<TPreviewLine>& lines, bool allDirs);

enum : int
{
    PreviewPictureFile = 0,
    PreviewPictureCounted = 1,
    PreviewPictureFolder = 2,
};

struct TPreviewRow
{
    int Picture = PreviewPictureFile;
    std::string Name;
    std::string Date; // for a counted folder: its number of files
    std::string Size;
};
TPreviewRow PreviewRowOf(const TPreviewLine& line);
