#pragma once

// Where a backup run works: the destination folders it makes and those it writes
// temporaries in. Before it makes anything in a folder, the walk names that folder in a
// small file (WorkRecordName, tasks/BackupTemporary.h) in the folder the run locks, and it
// removes the file when the walk is over. A run that dies (killed, power cut) leaves the
// file behind: the next run in that destination tidies each folder it names before it
// walks, however the sources were renamed or moved meanwhile.
//
//   TWorkRecord         the record of a walk in progress
//   TidyInterruptedRun  what the next run does with a record it finds
//
// Only what a run is working on right now is named: a folder whose turn is over is dropped
// from the record (written with the next change), nothing below a folder named as made is
// named again (all of it is the run's), and a run that makes nothing (an unchanged backup)
// never writes the file at all.

#include <memory>
#include <string>
#include <vector>

namespace Platform {
class TDestFolder;
class TFile;
} // namespace Platform

class TWorkRecord
{
public:
    // root: Windows path of the folder the record lies in; the folders named are below it.
    explicit TWorkRecord(const std::string& root);
    ~TWorkRecord(); // removes the file
    TWorkRecord(const TWorkRecord&) = delete;
    TWorkRecord& operator=(const TWorkRecord&) = delete;

    // Names the folder (Windows path below the root) before something is made in it; made:
    // the folder itself is about to be made. Written at once. When the file cannot be
    // written the run goes on without it, as runs did before.
    void Note(const std::string& folder, bool made);
    // The folder's turn is over: nothing of the run is left in it.
    void Drop(const std::string& folder);
    const std::string& RootPath() const { return Root; }

private:
    // The folder's path below the root (empty: the root); false when it is not below it.
    bool RelativeOf(const std::string& folder, std::string& relative) const;
    void Write();

    std::string Root;
    std::unique_ptr<Platform::TDestFolder> RootFolder;
    std::unique_ptr<Platform::TFile> File;
    bool Failed = false;
    std::size_t Written = 0; // the file's length: a shorter text is padded to it
    std::string Text;        // what was written last, kept for its room
    // The folders named, in the order noted: the path below the root and its line.
    struct TNamed
    {
        std::string Relative;
        std::string Line;
    };
    std::vector<TNamed> Folders;
};

// Removes what a run that died left in the folders named by the record in root: the
// temporaries in a folder it worked in; in a folder it made, and in all below it, the
// temporaries and then each folder left empty, the innermost first; then the record.
// Returns the Windows paths removed. A file of that name that is no record is left alone.
std::vector<std::string> TidyInterruptedRun(const std::string& root);
