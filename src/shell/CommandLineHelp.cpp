#include "shell/CommandLineHelp.h"

#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "shell/CommandLine.h"
#include "shell/Language.h"
#include "tasks/IniValues.h"

#include <algorithm>
#include <array>

namespace {

struct THelpLine
{
    const char* Form;
    const char* Meaning;
};

// In the order the command line tries them; -h abbreviates -hide.
constexpr std::array<THelpLine, 19> HelpLines = {{
    {"-auto", TrNoopDefault("run the automatic tasks due at logon, then wait in the tray for timed tasks")},
    {"-force", TrNoopDefault("run the task files given now, all automatic tasks when none is given, then end")},
    {"-restore", TrNoopDefault("restore with the restore task files (.rsj) given, then end")},
    {"-clean", TrNoopDefault("clean up with the clean-up task files (.cuj) given, then end")},
    {"-protocol", TrNoopDefault("show the backup log")},
    {"-end:poweroff|shutdown|logoff|restart", TrNoopDefault("run the tasks as -force does, then end the session so")},
    {"-speed:fast|slow", TrNoopDefault("speed of the runs started from the command line")},
    {"-ini:FILE", TrNoopDefault("use this settings file")},
    {"-taskdir:FOLDER", TrNoopDefault("folder of the task files")},
    {"-wait:SECONDS", TrNoopDefault("close the progress window so many seconds after a run (0: it waits for Done)")},
    {"-lang:de|en", TrNoopDefault("language of the program")},
    {"-log:MODE", TrNoopDefault("log mode: 0 off, 1 short, 2 long, 3 extended")},
    {"-user:NAME:PASSWORD", TrNoopDefault("account for network drives")},
    {"-narrow", TrNoopDefault("narrow layout of the task editor")},
    {"-quiet", TrNoopDefault("run without progress window and without questions")},
    {"-hide, -h", TrNoopDefault("start without the start window")},
    {"-disable", TrNoopDefault("leave the autostart entry as it is")},
    {"--help", TrNoopDefault("show this help")},
    {"--version", TrNoopDefault("show the version")},
}};

std::string PadRight(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text + "  " : text + std::string(width - text.size(), ' ');
}

} // namespace

bool HelpRequested(const std::vector<std::string>& params)
{
    return std::find(params.begin(), params.end(), "--help") != params.end();
}

std::string CommandLineHelpText(const std::string& programName)
{
    std::string text = FormatText(TrDefault("Usage: %s [options] [task files] [@response file]"), programName) + "\n\n";
    text += TrDefault("Without options Tessaro opens the task editor, or the start note for the task files given.") +
            "\n\n";
    text +=
        TrDefault("Options begin with \"-\" (or \"/\"); a keyword may be abbreviated, a value follows a colon:") + "\n";
    constexpr std::size_t column = 26;
    for (const THelpLine& line : HelpLines) {
        text += "  " + PadRight(line.Form, column) + TrDefault(line.Meaning) + "\n";
    }
    text += "\n" + TrDefault("@FILE reads more parameters from a response file: one a line, \";\" begins a comment.") +
            "\n\n";
    text += TrDefault("Exit status:") + "\n";
    text += "  0  " + TrDefault("all went well") + "\n";
    text += "  1  " + TrDefault("done with warnings") + "\n";
    text += "  2  " + TrDefault("errors, or the run was cancelled or refused") + "\n";
    return text;
}

std::vector<std::string> IgnoredParameterNotes(const std::vector<std::string>& params, const TStartSwitches& switches)
{
    std::vector<std::string> notes;
    for (const std::string& option : switches.Ignored) {
        notes.push_back(FormatText(TrDefault("Unknown option ignored: %s"), option));
    }
    // Only a language given directly counts (see ReadLanguage).
    for (const std::string& param : params) {
        std::string value = IsOptionParameter(param) ? param.substr(1) : std::string();
        if (!value.empty() && ReadOptionValue(value, "lang") && LanguageIndexOf(value) < 0) {
            notes.push_back(FormatText(TrDefault("Unknown language ignored: %s"), value));
        }
    }
    return notes;
}
