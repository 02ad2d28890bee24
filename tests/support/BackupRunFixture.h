#pragma once

// A backup run over drives made in a temporary folder: S: holds the sources, E: the
// backups and L: the log (TESSARO_DRIVES). Tests that need backups made by our own run
// derive from it and adjust the task in their SetUp.

#include "RecordingProgressView.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "platform/Drives.h"
#include "tasks/BackupRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class TBackupRunFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* folder : {"s", "e", "l"}) {
            std::filesystem::create_directories(temp.Host(folder));
        }
        SetDrives("");
        log.LogPath = "L:\\tessaro.log";
        log.ProductText = "Tessaro";
        log.FileVersion = "1.0";
        settings.Protocol = LogLong;
        task.Compress = false;
        task.EmptyDirs = false;
        task.Destination = "E:\\B";
        task.FileName = "L:\\daily.buj";
    }
    void TearDown() override
    {
        unsetenv("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
    }
    // extra: more drive entries (";X=..."); without the source drive its files look gone.
    void SetDrives(const std::string& extra, bool withSource = true)
    {
        const std::string drives = (withSource ? "S=" + temp.Host("s") + ";" : std::string()) + "E=" + temp.Host("e") +
                                   ";L=" + temp.Host("l") + extra;
        setenv("TESSARO_DRIVES", drives.c_str(), 1);
        Platform::ReloadDriveTable();
    }
    // A source file below S:.
    void Write(const std::string& relative, const std::string& contents = "data")
    {
        const std::string path = temp.Host("s/" + relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        temp.WriteHostFile("s/" + relative, contents);
    }
    std::string LogText() const { return temp.ReadHostFile("l/tessaro.log"); }

    TTempFolder temp;
    TScriptedMessageDialogs dialogs;
    TBackupTask task;
    TProgramSettings settings;
    TBackupLog log;
    TRecordingProgressView view;
    TBackupSupervision supervision{view};
    TBackupRun run{task, settings, log, supervision};
};
