#include "foundation/WinServices.h"
#include "Version.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/SessionEnd.h"
#include "foundation/TrayIconFlags.h"
#include "platform/Drives.h"
#include "platform/HostInfo.h"

#include "EnvGuard.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(WinServices, FoldersAndNames)
{
    TTempFolder dir;
    TEnvGuard env;
    env.Set("TMPDIR", dir.Host()).Set("HOME", dir.Host("home"));
    std::filesystem::create_directories(dir.Host("home"));
    EXPECT_EQ(GetTempDir(), dir.Win() + "\\");
    EXPECT_EQ(GetProfileDir(), dir.Win("home"));
    EXPECT_EQ(GetSpecialFolder(CSIDL_PROFILE), dir.Win("home"));
    EXPECT_EQ(GetSystemDir(), "C:\\usr\\bin");
    EXPECT_FALSE(GetCurrentUserName().empty());
    EXPECT_FALSE(GetLocalComputerName().empty());
    env.Set("TMPDIR", dir.Host("missing"));
    EXPECT_EQ(GetTempDir(), "C:\\tmp\\");
}

TEST(WinServices, SpecialFoldersFollowXdg)
{
    TTempFolder dir;
    TEnvGuard env;
    env.Set("HOME", dir.Host("home")).Unset("XDG_DATA_HOME").Set("XDG_CONFIG_HOME", dir.Host("cfg"));
    std::filesystem::create_directories(dir.Host("home/Schreibtisch"));
    std::filesystem::create_directories(dir.Host("cfg"));
    dir.WriteHostFile("cfg/user-dirs.dirs", "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                            "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(GetSpecialFolder(CSIDL_DESKTOP), dir.Win("home\\Schreibtisch"));
    // A configured folder that does not exist falls back to the home folder.
    EXPECT_EQ(GetSpecialFolder(CSIDL_PERSONAL), dir.Win("home"));
    std::filesystem::create_directories(dir.Host("home/Dokumente"));
    EXPECT_EQ(GetSpecialFolder(CSIDL_PERSONAL), dir.Win("home\\Dokumente"));
    EXPECT_EQ(GetSpecialFolder(CSIDL_STARTUP), dir.Win("cfg\\autostart"));
    EXPECT_EQ(GetSpecialFolder(CSIDL_APPDATA), dir.Win("cfg"));
    EXPECT_EQ(GetSpecialFolder(CSIDL_FAVORITES), dir.Win("home\\.local\\share\\favorites"));
    EXPECT_EQ(GetSpecialFolder(CSIDL_PROGRAM_FILES), "C:\\opt");
    EXPECT_EQ(GetSpecialFolder(0x3D), "");
}

TEST(WinServices, VersionsAndFileTimes)
{
    const TOsVersionInfo os = GetOsVersion();
    EXPECT_EQ(os.Platform, VerPlatformNT);
    EXPECT_GT(os.MajorVersion, 5u);
    EXPECT_LE(os.CSDVersion.size(), 127u);

    TTempFolder dir;
    dir.WriteHostFile("plain.exe", "MZ");
    TVersionStrings record;
    record.Comments = "stale";
    EXPECT_FALSE(GetFileVersionStrings(dir.Win("plain.exe"), record));
    EXPECT_EQ(record.Comments, "");
    const std::string self = Platform::HostToWin(Platform::HostProgramPath()).value();
    ASSERT_TRUE(GetFileVersionStrings(self, record));
    EXPECT_EQ(record.FileVersion, TESSARO_VERSION ".0");

    EXPECT_EQ(FindFileWriteTime(dir.Win()), 0u);
    EXPECT_EQ(FindFileWriteTime(dir.Win("none")), 0u);
    EXPECT_GT(FindFileWriteTime(dir.Win("plain.exe")), 0u);
}

TEST(SessionEnd, QuestionDecidesAndRequestsAreRecorded)
{
    TScriptedMessageDialogs dialogs;
    TRecordingSessionControl session;
    dialogs.QueueAnswer(MrNo);
    EXPECT_FALSE(ExitWindowsConfirmed("Log off?", EWX_LOGOFF, 0));
    EXPECT_TRUE(session.Requests.empty());
    dialogs.QueueAnswer(MrYes);
    EXPECT_TRUE(ExitWindowsConfirmed("Power off?", EWX_POWEROFF | EWX_FORCE, 7));
    EXPECT_TRUE(ExitWindowsConfirmed("", EWX_REBOOT, 0));
    ASSERT_EQ(session.Requests.size(), 2u);
    EXPECT_EQ(session.Requests[0].Flags, EWX_POWEROFF | EWX_FORCE);
    EXPECT_EQ(session.Requests[0].Reason, 7u);
    EXPECT_EQ(dialogs.ShownCount(), 2u);
    session.Result = false;
    EXPECT_FALSE(ExitWindowsConfirmed("", EWX_LOGOFF, 0));
}

TEST(SessionEnd, WithoutAServiceNothingEnds)
{
    EXPECT_FALSE(ExitWindowsConfirmed("", EWX_LOGOFF, 0));
}

TEST(SessionEnd, LogindCommands)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(LogindCommand(EWX_LOGOFF, "c2", "anna"), (V{"loginctl", "terminate-session", "c2"}));
    EXPECT_EQ(LogindCommand(EWX_LOGOFF, "", "anna"), (V{"loginctl", "terminate-user", "anna"}));
    EXPECT_EQ(LogindCommand(EWX_SHUTDOWN, "", "anna"), (V{"systemctl", "poweroff"}));
    EXPECT_EQ(LogindCommand(EWX_POWEROFF | EWX_FORCE, "", "anna"), (V{"systemctl", "poweroff", "-i"}));
    EXPECT_EQ(LogindCommand(EWX_REBOOT, "", "anna"), (V{"systemctl", "reboot"}));
}

TEST(TrayIcon, FlagsAndTip)
{
    EXPECT_EQ(TrayIconFlags(0, false, ""), 0u);
    EXPECT_EQ(TrayIconFlags(1025, false, ""), NIF_MESSAGE);
    EXPECT_EQ(TrayIconFlags(0, true, "tip"), NIF_ICON | NIF_TIP);
    EXPECT_EQ(TrayTipText(std::string(70, 'x')).size(), 63u);
    EXPECT_EQ(TrayTipText(std::string(70, 'x') + "ä"), std::string(63, 'x'));
    EXPECT_EQ(TrayTipText("ä"), "ä");
}
