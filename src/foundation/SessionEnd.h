#pragma once

#include <string>
#include <vector>

// Ending the session (log off, restart, power off). The real service goes through
// systemd-logind and is installed at start-up; until then every request is refused, so
// that nothing but the program itself can end anyone's session.

inline constexpr unsigned EWX_LOGOFF = 0;
inline constexpr unsigned EWX_SHUTDOWN = 1;
inline constexpr unsigned EWX_REBOOT = 2;
inline constexpr unsigned EWX_FORCE = 4;
inline constexpr unsigned EWX_POWEROFF = 8;
inline constexpr unsigned EWX_FORCEIFHUNG = 0x10;

class ISessionControl
{
public:
    virtual ~ISessionControl() = default;
    // True when the request was accepted.
    virtual bool EndSession(unsigned flags, unsigned reason) = 0;
};

// Registers the service (not owned); nullptr restores the refusing default.
void SetSessionControl(ISessionControl* control);
ISessionControl& SessionControl();
// Installs the logind service for the rest of the program's run.
void InstallLogindSessionControl();

// The command that carries out a request through logind: loginctl for logging off,
// systemctl for restart and power off ("-i" when forced).
std::vector<std::string> LogindCommand(unsigned flags, const std::string& sessionId, const std::string& userName);

// Asks the question first when it is not empty (Yes ends the session), then ends the
// session with the flags. False when the user declines or the request is refused.
bool ExitWindowsConfirmed(const std::string& question, unsigned flags, unsigned reason);

// Records requests instead of carrying them out; registers itself while it lives.
class TRecordingSessionControl : public ISessionControl
{
public:
    TRecordingSessionControl();
    ~TRecordingSessionControl() override;
    TRecordingSessionControl(const TRecordingSessionControl&) = delete;
    TRecordingSessionControl& operator=(const TRecordingSessionControl&) = delete;

    struct TRequest
    {
        unsigned Flags;
        unsigned Reason;
    };
    std::vector<TRequest> Requests;
    bool Result = true;

    bool EndSession(unsigned flags, unsigned reason) override;

private:
    ISessionControl* previous;
};
