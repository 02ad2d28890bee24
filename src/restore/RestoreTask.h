#pragma once

// The restore task file (".rsj") and the restore dialog's section of the settings file.
//
//   SaveRestoreTask, LoadRestoreTask, WriteRestoreSettings, ReadRestoreSettings,
//   ReadRestoreHistories, WriteRestoreHistories

#include "foundation/IniFile.h"
#include "restore/Restore.h"
#include "tasks/TaskModel.h"

#include <string>
#include <vector>

// Writes every key into the file; keys it does not write (a "Proxy" section) stay.
// 0 or the error of writing the file.
int SaveRestoreTask(const std::string& fileName, const TRestoreOptions& options, const TFtpParams& ftp,
                    const std::string& product, const std::string& version);
// Reads the file into options and ftp; empty folder texts leave those fields as they
// are. False when the file cannot be read or holds no "Restore" section.
bool LoadRestoreTask(const std::string& fileName, TRestoreOptions& options, TFtpParams& ftp);

// Section "Restore" of the settings file (no folders, no FTP settings).
void WriteRestoreSettings(TIniFile& ini, const TRestoreOptions& options);
void ReadRestoreSettings(const TIniFile& ini, TRestoreOptions& options);
// The histories "RSource" and "RDestination" of the settings file.
void ReadRestoreHistories(const TIniFile& ini, std::vector<std::string>& sources, std::vector<std::string>& dests);
void WriteRestoreHistories(TIniFile& ini, const std::vector<std::string>& sources,
                           const std::vector<std::string>& dests);
