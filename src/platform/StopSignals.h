#pragma once

// Logout (SIGHUP), `systemctl stop` or `kill` (SIGTERM) and Ctrl+C (SIGINT) end a run the
// way its Cancel button does. The handler only notes the signal and wakes a pipe; the
// runs' wait loops poll StopRequested() and the program's event loop watches the pipe,
// so nothing unsafe happens inside the handler.
//
//   InstallStopSignals, StopRequested, StopSignal, StopSignalFd, RequestStop

namespace Platform {

// Installs the handlers (once; later calls do nothing).
void InstallStopSignals();
// True once one of the signals came.
bool StopRequested();
// The signal that came first, or 0.
int StopSignal();
// Readable once a signal came; -1 before InstallStopSignals.
int StopSignalFd();
// What the handler does, for callers that stop the program in its place (and tests);
// signal 0 takes the request back.
void RequestStop(int signal);

} // namespace Platform
