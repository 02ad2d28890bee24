#pragma once

// The command line of one start: the start switches that the main window acts on, and
// the start flags that the instance guard needs before any window exists.
//
// Parameters are host texts. A parameter is an option when it begins with "-", or with
// "/" followed by a text whose part before the first ":" is a non-empty abbreviation of
// an option keyword without a "/" in it; so /home/anna/daily.buj is a task file while
// /force and /e:poweroff are options. Every other parameter is a task file, converted
// to Windows text here. "@name" reads more parameters from a response file.

#include <cstdint>
#include <string>
#include <vector>

// What a start does (the last start-mode option given decides).
enum class TStartMode
{
    None,
    Auto,
    Protocol,
    Force,
    Clean,
    Restore
};

// End actions of a run started from the command line or the tray.
enum : uint8_t
{
    EndActionNone = 0,
    EndActionPowerOff = 1,
    EndActionShutdown = 2,
    EndActionLogoff = 3,
    EndActionRestart = 4,
};

// Start flags (one byte, computed by ScanStartFlags).
enum : uint8_t
{
    StartFlagBatch = 1,   // force, clean, restore or protocol
    StartFlagAuto = 2,    // auto
    StartFlagOwnIni = 4,  // an ini option with a value
    StartFlagRunHere = 8, // run the task of the start note in this instance
    StartFlagEnd = 16,    // an end option with a value
};

struct TStartSwitches
{
    std::string TaskList; // task names joined by ","
    std::string IniFile;
    std::string TaskDir;
    std::string AccountName;
    std::string AccountPassword;
    uint8_t Speed = 3;
    int32_t Wait = -1; // -1: not given
    int32_t Log = -1;  // -1: not given
    bool Quiet = false;
    bool Hide = false;
    bool Narrow = false;
    bool Disable = false;
    TStartMode Mode = TStartMode::None;
    uint8_t EndAction = EndActionNone;
    std::vector<std::string> Ignored; // options that matched no keyword, as given
};

// True when the parameter is read as an option (see above).
bool IsOptionParameter(const std::string& param);

// A host path given on the command line as Windows text, each item of a comma list on its
// own. Relative paths are read from the working folder, as every program reads them; a bare
// name only when it is there (a folder, or a file as given or with a task file's extension), else it stays
// as it is and the task folder is searched later. Texts with placeholders stay as they are.
std::string CommandLinePathToWin(const std::string& param);

// One parameter (or one item of a response file); false for an option that matches no
// keyword (it changes nothing).
bool ParseOption(const std::string& param, TStartSwitches& switches);

// Every parameter; "@file" hands each item of the response file to ParseOption.
// Options that match nothing are kept in switches.Ignored.
void ParseCommandLine(const std::vector<std::string>& params, TStartSwitches& switches);

// One option without its leading character.
void ClassifyOption(const std::string& text, uint8_t& flags);

uint8_t ScanStartFlags(const std::vector<std::string>& params);

// The first parameter that is neither an option nor a response file, as Windows text;
// empty when there is none.
std::string FirstTaskParam(const std::vector<std::string>& params);
