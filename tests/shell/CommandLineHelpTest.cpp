#include "shell/CommandLineHelp.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> NotesOf(const std::vector<std::string>& params)
{
    TStartSwitches switches;
    ParseCommandLine(params, switches);
    return IgnoredParameterNotes(params, switches);
}

TEST(CommandLineHelp, NamesEveryKeywordAndTheExitStatuses)
{
    const std::string text = CommandLineHelpText("tessaro");
    for (const char* keyword :
         {"-end:", "-speed:", "-ini:", "-taskdir:", "-wait:", "-lang:", "-log:", "-narrow", "-quiet", "-hide",
          "-disable", "-user:", "-auto", "-protocol", "-force", "-clean", "-restore", "@FILE", "--version"}) {
        EXPECT_NE(text.find(keyword), std::string::npos) << keyword;
    }
    EXPECT_NE(text.find("  0  all went well\n  1  done with warnings\n  2  errors"), std::string::npos) << text;
    EXPECT_NE(text.find("(0: it waits for Done)"), std::string::npos) << text; // what -wait:0 does
    EXPECT_TRUE(HelpRequested({"-auto", "--help"}));
    EXPECT_FALSE(HelpRequested({"-h"})); // abbreviates hide
}

TEST(CommandLineHelp, IgnoredOptionsAndLanguagesAreNamed)
{
    EXPECT_EQ(NotesOf({"-frce", "task.buj", "-h", "/s:f", "-auto:x", "--verbose"}),
              (std::vector<std::string>{"Unknown option ignored: -frce", "Unknown option ignored: -auto:x",
                                        "Unknown option ignored: --verbose"}));
    EXPECT_EQ(NotesOf({"-lang:fr", "-l:DE", "-lang:"}), (std::vector<std::string>{"Unknown language ignored: fr"}));
    // An item of a response file is named as it stands there; a lang option there chooses nothing.
    TTempFolder folder;
    folder.WriteHostFile("opts.txt", "-quiet\n-forse ; typo\n-lang:xx\n");
    EXPECT_EQ(NotesOf({"@" + folder.Host("opts.txt")}), (std::vector<std::string>{"Unknown option ignored: -forse"}));
}

} // namespace
