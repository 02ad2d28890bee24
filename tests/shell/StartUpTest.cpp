#include "shell/StartUp.h"
#include "Version.h"
#include "platform/Drives.h"
#include "platform/HostInfo.h"
#include "shell/Language.h"

#include "EnvGuard.h"
#include "TempFolder.h"
#include "foundation/DateUtils.h"
#include "foundation/NumberText.h"
#include "foundation/Translate.h"
#include "tasks/BackupSelection.h"
#include "tasks/Placeholders.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Tessaro's folders inside a temporary folder: program in "bin", home in "home",
// application data in "home/.config".
struct TFolders
{
    TTempFolder folder;
    TProgramInfo info;

    TFolders()
    {
        std::filesystem::create_directories(folder.Host("bin"));
        std::filesystem::create_directories(folder.Host("home/.config"));
        std::filesystem::create_directories(folder.Host("home/Documents"));
        info = ProgramFolders(folder.Win("bin\\tessaro"), folder.Win("home\\Documents"), folder.Win("home"),
                              folder.Win("home\\.config"));
    }
};

} // namespace

TEST(StartUp, FoldersAndNames)
{
    TFolders f;
    EXPECT_EQ(f.info.ProgramDir, f.folder.Win("bin") + "\\");
    EXPECT_EQ(f.info.BaseName, "tessaro");
    EXPECT_EQ(f.info.DocumentsDir, f.folder.Win("home\\Documents") + "\\");
    EXPECT_EQ(f.info.SettingsDir, f.folder.Win("home\\.config\\Tessaro") + "\\");
    EXPECT_EQ(LanguageFileName(f.info), f.folder.Win("home\\.config\\Tessaro\\tessaro.cfg"));

    const TProgramInfo bare = ProgramFolders("C:\\Tools\\Tessaro.exe", "", "", "");
    EXPECT_EQ(bare.SettingsDir, "C:\\Tools\\");
    EXPECT_EQ(bare.ProfileDir, "C:\\Tools\\");
    EXPECT_EQ(LanguageFileName(bare), "C:\\Tools\\Tessaro.cfg");
}

TEST(StartUp, VersionTexts)
{
    EXPECT_EQ(VersionTextOf("4.2.6.0"), "Vers. 4.2.6");
    EXPECT_EQ(VersionTextOf("7"), "Vers. 7");
    TProgramInfo info = ProgramFolders("C:\\nowhere\\tessaro", "", "", "");
    FillVersionTexts(info);
    EXPECT_EQ(info.WindowTitle, "Tessaro (Vers. 4.2.6)");
    EXPECT_EQ(info.ProgramDate, "");

    // The program's own record shows its whole version, as --version prints it.
    TProgramInfo self = ProgramFolders(Platform::HostToWin(Platform::HostProgramPath()).value(), "", "", "");
    FillVersionTexts(self);
    EXPECT_EQ(self.VersionText, "Vers. " TESSARO_VERSION);
    EXPECT_EQ(self.WindowTitle, "Tessaro (Vers. " TESSARO_VERSION ")");
}

TEST(StartUp, SettingsAndLogMoveOnceIntoTheSettingsFolder)
{
    TFolders f;
    f.folder.WriteHostFile("home/tessaro.ini", "[Config]\nWaitTime=7\n");
    f.folder.WriteHostFile("home/tessaro.log", "old log\n");
    const std::string chosen = ChooseSettingsFile(f.info, "");
    EXPECT_EQ(chosen, f.info.SettingsDir + "tessaro.ini");
    EXPECT_EQ(f.folder.ReadHostFile("home/.config/Tessaro/tessaro.ini"), "[Config]\nWaitTime=7\n");
    EXPECT_EQ(f.folder.ReadHostFile("home/.config/Tessaro/tessaro.log"), "old log\n");
    EXPECT_FALSE(std::filesystem::exists(f.folder.Host("home/tessaro.ini")));
    EXPECT_FALSE(std::filesystem::exists(f.folder.Host("home/tessaro.log")));

    // A stray old file later is left alone: the new one exists.
    f.folder.WriteHostFile("home/tessaro.ini", "[Config]\nWaitTime=9\n");
    EXPECT_EQ(ChooseSettingsFile(f.info, ""), chosen);
    EXPECT_TRUE(std::filesystem::exists(f.folder.Host("home/tessaro.ini")));
    EXPECT_EQ(f.folder.ReadHostFile("home/.config/Tessaro/tessaro.ini"), "[Config]\nWaitTime=7\n");
}

TEST(StartUp, OldSettingsStayInUseWhenTheyCannotMove)
{
    TFolders f;
    f.folder.WriteHostFile("home/tessaro.ini", "[Config]\n");
    // A file where the settings folder should be: the folder cannot be made.
    f.folder.WriteHostFile("home/.config/Tessaro", "");
    EXPECT_EQ(ChooseSettingsFile(f.info, ""), f.info.ProfileDir + "tessaro.ini");

    TFolders g;
    g.folder.WriteHostFile("home/tessaro.ini", "[Config]\n");
    std::filesystem::create_directories(g.folder.Host("home/.config/Tessaro"));
    std::filesystem::permissions(g.folder.Host("home/.config/Tessaro"),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (geteuid() != 0) {
        EXPECT_EQ(ChooseSettingsFile(g.info, ""), g.info.ProfileDir + "tessaro.ini");
        EXPECT_TRUE(std::filesystem::exists(g.folder.Host("home/tessaro.ini")));
    }
}

TEST(StartUp, IniOptionNamesTheFileWithoutMoving)
{
    TFolders f;
    f.folder.WriteHostFile("home/tessaro.ini", "[Config]\n");
    EXPECT_EQ(ChooseSettingsFile(f.info, "site"), f.info.SettingsDir + "site.ini");
    EXPECT_EQ(ChooseSettingsFile(f.info, "C:\\etc\\x.conf"), "C:\\etc\\x.conf");
    const std::string documents = PlaceholderSource().PathValue(PhPersonal);
    EXPECT_EQ(ChooseSettingsFile(f.info, "%perspath%\\mine"), documents + "\\mine.ini");
    EXPECT_TRUE(std::filesystem::exists(f.folder.Host("home/tessaro.ini")));
}

TEST(Language, OptionThenLanguageFileThenSystem)
{
    TTempFolder folder;
    SetLanguageFile(folder.Win("tessaro.cfg"));
    EXPECT_EQ(ReadLanguage({}), 0);
    folder.WriteHostFile("tessaro.cfg", "[Language]\nLangID=EN\n");
    EXPECT_EQ(ReadLanguage({}), 2);
    EXPECT_EQ(ReadLanguage({"/lang:DE"}), 1);
    EXPECT_EQ(ReadLanguage({"/l:de"}), 1);
    EXPECT_EQ(ReadLanguage({"/lang:fr"}), 2);
    folder.WriteHostFile("list.txt", "/lang:de\n");
    EXPECT_EQ(ReadLanguage({"@" + folder.Host("list.txt")}), 2);
    folder.WriteHostFile("tessaro.cfg", "[Language]\nLangID=xx\n");
    EXPECT_EQ(ReadLanguage({}), 0);

    // Chosen by the option, written to the file all the same.
    EXPECT_EQ(ReadLanguage({"-lang:de"}), 1);
    EXPECT_TRUE(WriteLanguage(2));
    EXPECT_EQ(LanguageIndex(), 2);
    EXPECT_EQ(folder.ReadHostFile("tessaro.cfg"), "[Language]\nLangID=en\n");
    EXPECT_FALSE(WriteLanguage(3));
}

TEST(Language, GermanWhateverTheProcessLocale)
{
    TTempFolder folder;
    TEnvGuard env;
    env.Unset("LANGUAGE").Set("LC_ALL", "C").Unset("LANG");
    SetLanguageFile(folder.Win("tessaro.cfg"));
    folder.WriteHostFile("tessaro.cfg", "[Language]\nLangID=de\n");
    ApplyLanguage(ReadLanguage({}));
    const std::string german = TrDefault("No shutdown or logoff possible!");
    // Dates and numbers in German too, whatever the session's LC_* say.
    const TDateTime time = EncodeDateTime(2026, 12, 9, 17, 27, 48);
    const std::string germanDate = DateTimeText(time);
    const std::string germanShort = DateTimeToStr(time);
    const std::string germanSize = SizeToText(1536);
    ApplyLanguage(0);
    EXPECT_EQ(germanDate, "09.12.2026 17:27:48");
    EXPECT_EQ(germanShort, "09.12.2026 17:27");
    EXPECT_EQ(germanSize, "1,50 kB");
    // The system's language takes the session's formats again: C writes month first.
    EXPECT_EQ(DateTimeText(time), "12/09/26 17:27:48");
    // A date written in the other language's form is shown in the current one.
    EXPECT_EQ(InCurrentDateForm(germanDate), "12/09/26 17:27:48");
    EXPECT_EQ(InCurrentDateForm("gestern"), "gestern");
    ApplyLanguage(ReadLanguage({}));
    EXPECT_EQ(InCurrentDateForm("12/09/26 17:27:48"), germanDate);
    ApplyLanguage(0);
    EXPECT_EQ(DecimalSeparator(), SessionDecimalSeparator());
    EXPECT_EQ(german, "Herunterfahren oder Abmelden nicht möglich!");
    EXPECT_EQ(TrDefault("No shutdown or logoff possible!"), "No shutdown or logoff possible!");
}
