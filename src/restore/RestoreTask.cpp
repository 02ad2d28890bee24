#include "restore/RestoreTask.h"

#include "foundation/History.h"
#include "foundation/IniFile.h"
#include "platform/FileSystem.h"
#include "restore/JobFile.h"

namespace {

constexpr const char* Section = "Restore";

void WriteChoices(TIniFile& ini, const TRestoreOptions& options)
{
    ini.WriteInteger(Section, "Overwrite", options.Overwrite);
    ini.WriteInteger(Section, "Mode", options.AgeMode);
    WriteJobDate(ini, Section, options.Date == 0 ? Date() : options.Date);
    ini.WriteBool(Section, "UnCompress", options.UnCompress);
    ini.WriteBool(Section, "BackupCopies", options.BackupCopies);
    if (options.BackupCopies) {
        ini.WriteString(Section, "Filter", options.Suffix);
    } else {
        WriteJobFilter(ini, Section, options.Filter);
    }
    ini.WriteInteger(Section, "Timespan", options.Timespan);
    ini.WriteBool(Section, "IgnoreDst", options.IgnoreDst);
}

int InRange(int value, int low, int high, int def)
{
    return value >= low && value <= high ? value : def;
}

void ReadChoices(const TIniFile& ini, TRestoreOptions& options)
{
    options.Overwrite = InRange(ini.ReadInteger(Section, "Overwrite", OverwriteNone), 0, 2, OverwriteNone);
    options.AgeMode = InRange(ini.ReadInteger(Section, "Mode", AgeAll), 0, 2, AgeAll);
    options.Date = ReadJobDate(ini, Section);
    options.UnCompress = ini.ReadBool(Section, "UnCompress", true);
    options.BackupCopies = ini.ReadBool(Section, "BackupCopies", false);
    if (options.BackupCopies) {
        options.Suffix = ini.ReadString(Section, "Filter", "bak");
    } else {
        ReadJobFilter(ini, Section, options.Filter);
    }
    options.Timespan = InRange(ini.ReadInteger(Section, "Timespan", 2), 0, 86400, 2);
    options.IgnoreDst = ini.ReadBool(Section, "IgnoreDst", false);
}

} // namespace

int SaveRestoreTask(const std::string& fileName, const TRestoreOptions& options, const TFtpParams& ftp,
                    const std::string& product, const std::string& version)
{
    TIniFile ini(fileName);
    WriteJobGlobal(ini, product, version);
    ini.WriteString(Section, "SourceDir", options.SourceDir);
    ini.WriteString(Section, "DestDir", options.DestDir);
    ini.WriteBool(Section, "Origin", options.Origin);
    WriteChoices(ini, options);
    ini.WriteBool(Section, "FtpBackup", options.FtpBackup);
    WriteJobFtp(ini, ftp, true);
    return ini.UpdateFile();
}

bool LoadRestoreTask(const std::string& fileName, TRestoreOptions& options, TFtpParams& ftp)
{
    if (!Platform::FileExists(fileName)) {
        return false;
    }
    TIniFile ini(fileName);
    // Any other file (a backup task, a text) would leave the dialog's own folders to run with.
    if (ini.LoadError() != 0 || !ini.SectionExists(Section)) {
        return false;
    }
    options.FtpBackup = false;
    const std::string source = ini.ReadString(Section, "SourceDir");
    if (!source.empty()) {
        options.SourceDir = source;
    }
    const std::string dest = ini.ReadString(Section, "DestDir");
    if (!dest.empty()) {
        options.DestDir = dest;
    }
    options.Origin = ini.ReadBool(Section, "Origin", false);
    ReadChoices(ini, options);
    options.FtpBackup = ini.ReadBool(Section, "FtpBackup", false);
    ReadJobFtp(ini, ftp, true);
    ReadJobProxy(ini, ftp.Proxy);
    return true;
}

void WriteRestoreSettings(TIniFile& ini, const TRestoreOptions& options)
{
    WriteChoices(ini, options);
}

void ReadRestoreSettings(const TIniFile& ini, TRestoreOptions& options)
{
    ReadChoices(ini, options);
}

void ReadRestoreHistories(const TIniFile& ini, std::vector<std::string>& sources, std::vector<std::string>& dests)
{
    ReadHistory(ini, "RSource", "", sources);
    ReadHistory(ini, "RDestination", "", dests);
}

void WriteRestoreHistories(TIniFile& ini, const std::vector<std::string>& sources,
                           const std::vector<std::string>& dests)
{
    WriteHistory(ini, "RSource", "", sources, true);
    WriteHistory(ini, "RDestination", "", dests, true);
}
