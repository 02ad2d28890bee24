#pragma once

// The restore task file (".rsj") and the restore dialog's section of the settings file.
//
//   SaveRestoreTask, LoadRestoreTask, WriteRestoreSettings, ReadRestoreSettings

#include "foundation/IniFile.h"
#include "restore/Restore.h"
#include "tasks/TaskModel.h"

#include <string>

// Writes every key into the file; keys it does not write (a "Proxy" section) stay.
// 0 or the error of writing the file.
int SaveRestoreTask(const std::string& fileName, const TRestoreOptions& options, const TFtpParams& ftp,
                    const std::string& product, const std::string& version);
// Reads the file into options and ftp; empty folder texts leave those fields as they
// are. False when the file cannot be read.
bool LoadRestoreTask(const std::string& fileName, TRestoreOptions& options, TFtpParams& ftp);

// Section "Restore" of the settings file (no folders, no FTP settings).
void WriteRestoreSettings(TIniFile& ini, const TRestoreOptions& options);
void ReadRestoreSettings(const TIniFile& ini, TRestoreOptions& options);
