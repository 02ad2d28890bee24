#pragma once

// Facts about the host session that Windows would report through its own calls.
//   HostEnv, HostUserName, HostComputerName, HostHomeDir, HostTempDir, HostKernelRelease,
//   HostProgramPath, HostCurrentDir, CurrentThreadNice, SetCurrentThreadNice

#include <string>

namespace Platform {

// The environment variable's value; empty when unset.
std::string HostEnv(const char* name);
// Login name of the effective user ($USER when the password database has none).
std::string HostUserName();
std::string HostComputerName();
// $HOME, else the password database's home folder; no trailing slash.
std::string HostHomeDir();
// $TMPDIR when it names a folder, else /tmp; no trailing slash.
std::string HostTempDir();
// "6.1.0-13-amd64"
std::string HostKernelRelease();
// Host path of the running executable; empty when unknown.
std::string HostProgramPath();
// The process's working folder; "/" when it cannot be read.
std::string HostCurrentDir();

// Nice value of the calling thread (Linux keeps one per thread); 0 when unreadable.
int CurrentThreadNice();
// Gives the calling thread a nice value; false when refused (raising priority needs privileges).
bool SetCurrentThreadNice(int nice);

} // namespace Platform
