#pragma once

// Pieces shared by the restore (".rsj") and clean-up (".cuj") task files and by the
// dialogs' sections of the settings file: the Global header, the date key, the name
// filter keys and the FTP and proxy sections.
//
//   WriteJobGlobal, WriteJobDate, ReadJobDate, WriteJobFilter, ReadJobFilter,
//   WriteJobFilterKeys, ReadJobFilterKeys,
//   WriteJobFtp, ReadJobFtp, WriteJobProxy, ReadJobProxy, JobFtpText, JobSettingsSource,
//   TOwnSettings, StripFtpPlaceholderDirs, ReportRefusedJob, UnvalidJobText

#include "foundation/DateUtils.h"
#include "foundation/IniFile.h"
#include "foundation/TextFilter.h"
#include "tasks/BackupLog.h"
#include "tasks/TaskModel.h"

#include <string>

// [Global] Program and Version.
void WriteJobGlobal(TIniFile& ini, const std::string& product, const std::string& version);

// "Date" as a date text; reading gives today (time 00:00) for a missing or unreadable text.
void WriteJobDate(TIniFile& ini, const std::string& section, TDateTime date);
TDateTime ReadJobDate(const TIniFile& ini, const std::string& section);

// Regular, FilterMode and Filter. Reading keeps the filter's text when "Filter" is
// missing, and a text the filter rejects.
void WriteJobFilter(TIniFile& ini, const std::string& section, const TTextFilter& filter);
void ReadJobFilter(const TIniFile& ini, const std::string& section, TTextFilter& filter);
// The same keys as plain values, for settings that keep the filter unparsed; a missing
// "Filter" keeps text, a mode out of range reads as 0.
void WriteJobFilterKeys(TIniFile& ini, const std::string& section, bool regular, int mode, const std::string& text);
void ReadJobFilterKeys(const TIniFile& ini, const std::string& section, bool& regular, int& mode, std::string& text);

// [Ftp] Host, Port, Username, Password (stored), SubDir, and ChangeNames when withNames.
void WriteJobFtp(TIniFile& ini, const TFtpParams& ftp, bool withNames);
void ReadJobFtp(const TIniFile& ini, TFtpParams& ftp, bool withNames);
// [Proxy]; reading a file without the section gives the defaults.
void WriteJobProxy(TIniFile& ini, const TFtpProxyParams& proxy);
void ReadJobProxy(const TIniFile& ini, TFtpProxyParams& proxy);

// "ftp://host:port/folder" for the FTP page; empty without a host.
std::string JobFtpText(const TFtpParams& ftp);
// A remote folder up to its first component that holds a "%" placeholder ("a/%date%/b"
// gives "a"), as StripPlaceholderDirs does for local folders.
std::string StripFtpPlaceholderDirs(const std::string& folder);

// A task of a batch that is not run: the reason goes to the log (with logMode above 0, as
// an entry of its own under header) and to the error output, for the script that started it.
void ReportRefusedJob(TBackupLog& log, int logMode, const std::string& header, const std::string& reason);
// "Unvalid task configuration - " + label + the task file's name, for a task whose folders
// are missing or relative.
std::string UnvalidJobText(const std::string& label, const std::string& file);

// The file a dialog's own settings are read from the first time: the settings file when
// it exists, else the fall-back file; empty when neither does.
std::string JobSettingsSource(const std::string& settingsFile, const std::string& fallbackFile);

// A dialog's own settings while task files are loaded over them. Only the first task of
// a row is taken for them, so a later task's values never become the user's own.
template <class T> class TOwnSettings
{
public:
    // Before a task is loaded over current; taskLoaded: one already is.
    void Remember(const T& current, bool taskLoaded)
    {
        if (!taskLoaded && !have) {
            own = current;
            have = true;
        }
    }
    // Puts them back; false when nothing was remembered.
    bool PutBack(T& current)
    {
        if (!have) {
            return false;
        }
        current = own;
        have = false;
        return true;
    }
    void Forget() { have = false; }

private:
    T own{};
    bool have = false;
};
