#pragma once

// Pieces shared by the restore (".rsj") and clean-up (".cuj") task files and by the
// dialogs' sections of the settings file: the Global header, the date key, the name
// filter keys and the FTP and proxy sections.
//
//   WriteJobGlobal, WriteJobDate, ReadJobDate, WriteJobFilter, ReadJobFilter,
//   WriteJobFtp, ReadJobFtp, WriteJobProxy, ReadJobProxy, JobFtpText

#include "foundation/DateUtils.h"
#include "foundation/IniFile.h"
#include "foundation/TextFilter.h"
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

// [Ftp] Host, Port, Username, Password (stored), SubDir, and ChangeNames when withNames.
void WriteJobFtp(TIniFile& ini, const TFtpParams& ftp, bool withNames);
void ReadJobFtp(const TIniFile& ini, TFtpParams& ftp, bool withNames);
// [Proxy]; reading a file without the section gives the defaults.
void WriteJobProxy(TIniFile& ini, const TFtpProxyParams& proxy);
void ReadJobProxy(const TIniFile& ini, TFtpProxyParams& proxy);

// "ftp://host:port/folder" for the FTP page; empty without a host.
std::string JobFtpText(const TFtpParams& ftp);
