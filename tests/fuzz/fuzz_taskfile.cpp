// libFuzzer target for the task-file readers (INI and plain-text form).
// Whatever the input, reading must not crash, and a task that was read, written and
// read again must come back the same.

#include "FuzzFolder.h"
#include "platform/FileSystem.h"
#include "tasks/TaskFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

TTaskFileEnv FuzzEnv()
{
    TTaskFileEnv env;
    env.ProgramText = "Tessaro";
    env.FileVersion = "fuzz";
    env.NoCompress = {"zip"};
    env.DefaultDate = DefaultDateFilter(40000);
    env.DirExists = [](const std::string&) { return true; };
    return env;
}

TBackupTask WrittenAndRead(const TBackupTask& task, const std::string& file, const TTaskFileEnv& env)
{
    TBackupTask copy = task;
    if (!WriteTaskFile(copy, file, -1, -1, env)) {
        std::abort();
    }
    TBackupTask back;
    ReadTaskFile(back, file, true, false, env);
    return back;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TFuzzFolder files;
    static const TTaskFileEnv env = FuzzEnv();
    const std::string input = files.File("in.buj");
    const std::string output = files.File("out.buj");
    if (Platform::WriteFileAtomic(input, std::string(reinterpret_cast<const char*>(data), size)) != 0) {
        return 0;
    }
    for (bool rescan : {false, true}) {
        TBackupTask imported;
        ReadTaskFile(imported, input, false, rescan, env);
    }
    TBackupTask task;
    ReadTaskFile(task, input, true, false, env);
    // A task without sources is stored in the short form, which leaves the mail
    // settings to their defaults; from then on it must hold still too.
    TBackupTask reference = task.Sources.empty() ? WrittenAndRead(task, output, env) : task;
    for (TExtensionList& entry : reference.Sources) {
        if (entry.DateFilter.TimeMode < TimeModeLastDays) {
            entry.DateFilter.Days = 7; // the stored days count only for the last-days mode
        }
    }
    if (!(WrittenAndRead(reference, output, env) == reference)) {
        std::abort();
    }
    return 0;
}
