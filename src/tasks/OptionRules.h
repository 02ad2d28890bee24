#pragma once

// Rules of the task editor's small option dialogs that tests need: the suffix of kept
// versions, the log setting and its label, the start note's text and the commands run
// before and after a backup.

#include <cstdint>
#include <string>

// ---- suffix of kept versions ("bak-#3": keep three numbered copies)

// Finds the first "#": a digit 1..9 after it is removed and returned (the "#" stays for
// the caller to fill); otherwise the "#" is removed and 0 returned. 0 without "#".
int SplitSuffixCounter(std::string& suffix);

struct TSuffixParts
{
    std::string Text; // without "#", the digit and a "-" right before the "#"
    int Count = 0;    // history copies, 0 none
};
TSuffixParts SplitSuffix(const std::string& suffix);
// Text, then "-" (unless the text is empty or ends with one), "#" and the count when above 0.
std::string JoinSuffix(const TSuffixParts& parts);
// The close check: a text that is not empty and holds no character file names refuse.
bool ValidSuffixText(const std::string& text);

// ---- log setting

// The setting the log dialog gives for its controls: the mode and three flags; the
// command-line flag and every other bit are dropped.
uint32_t LogSettingOf(int mode, bool restores, bool cleanups, bool print);
// The editor's log label: "off", or e.g. "long on B+R+P".
std::string LogLabelText(uint32_t setting);

// ---- start note

// The task's note ("Note" of "Global") with every "#" turned back into a double quote;
// empty when the file does not exist.
std::string ReadTaskNote(const std::string& taskFile);

// ---- programs before and after a backup

// The program of a command: the quoted part when it starts with a double quote, else the
// text before the first blank.
std::string CommandProgram(const std::string& command);

struct TCommandControls
{
    std::string Text;
    bool Active = false;
    bool WaitForEnd = true; // "Wait until program terminates"
    int Seconds = 5;        // the spin edit (1 .. 3600)
};
// The controls for a command and its wait word; seconds keeps the spin edit's value when
// the word waits for the end.
TCommandControls CommandControlsOf(const std::string& command, int32_t wait, int seconds);
// The command and wait word of the controls: an empty command is never active.
void CommitCommand(const TCommandControls& controls, std::string& command, int32_t& wait);

// Where browsing for a program starts (Windows path text), with the file name and the
// filter entry (1-based) to choose.
struct TBrowseStart
{
    std::string Folder;
    std::string FileName;
    int FilterIndex = 1;
};
inline constexpr const char* ProgramFilter = "Programs|*.exe|Batch files|*.bat;*.cmd|VB Scripts|*.vbs|all|*.*";
TBrowseStart ProgramBrowseStart(bool post, const std::string& command, const std::string& preCommand,
                                const std::string& defaultFolder);

// ---- which option controls of the editor may be used

class TBackupTask;

// What the destination layout, the method, the kind of destination, shell copy and
// compression leave usable; the window enables its controls by it.
struct TOptionEnabling
{
    bool Method = true;        // the backup method list
    bool ArchiveBits = true;   // "reset" and "use" of the archive bit
    bool Sync = true;          // the synchronisation choices
    bool NoBak = true;         // "No security backups"
    bool KeepBak = true;       // "Save recent version of files"
    bool BakName = true;       // the suffix of kept versions
    bool Verify = true;        // "Verify copied files"
    bool DelDir = true;        // "Delete empty directories at destination"
    bool Compression = true;   // the choice of compression
    bool CompTypes = true;     // the types not to compress
    bool ShellCopy = true;     // "Extended copy (includes file infos)"
    bool CreationTime = true;  // "Copy creation time"
    bool ZipName = true;       // the zip file's name and its placeholder button
    bool Encrypt = true;       // "use AES encryption"
    bool FixPassword = true;   // "use permanent password"
    bool CryptPassword = true; // "Define password"
    bool TimeCompare = true;   // the time comparison
};
TOptionEnabling OptionEnablingOf(const TBackupTask& task);

// Zip files and one folder for several sources are written by copying, without
// synchronisation.
bool LayoutNeedsPlainCopy(const TBackupTask& task);
// Sets the layout the user chose; false when the sources refuse it (they lie on several
// drives), and the layout falls back to drives separated, or to a zip file per folder for
// a zip layout. Then a layout that needs plain copying gets it, and a zip layout no shell
// copy.
bool ChangeDestMode(TBackupTask& task, int destMode, bool sourceSelected);
// Switches synchronisation off and the method to copy where the layout needs it; true when
// that changed the task.
bool LimitToLayout(TBackupTask& task);
