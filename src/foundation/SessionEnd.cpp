#include "foundation/SessionEnd.h"

#include "foundation/MessageDialogs.h"
#include "platform/HostCommand.h"
#include "platform/HostInfo.h"

#include <atomic>

namespace {

class TRefusingSessionControl : public ISessionControl
{
public:
    bool EndSession(unsigned, unsigned) override { return false; }
};

class TLogindSessionControl : public ISessionControl
{
public:
    bool EndSession(unsigned flags, unsigned) override
    {
        const auto argv = LogindCommand(flags, Platform::HostEnv("XDG_SESSION_ID"), Platform::HostUserName());
        return Platform::RunHostCommand(argv).ExitCode == 0;
    }
};

TRefusingSessionControl refusing;
std::atomic<ISessionControl*> registered{nullptr};

} // namespace

void SetSessionControl(ISessionControl* control)
{
    registered.store(control);
}

ISessionControl& SessionControl()
{
    ISessionControl* control = registered.load();
    return control ? *control : refusing;
}

void InstallLogindSessionControl()
{
    static TLogindSessionControl logind;
    SetSessionControl(&logind);
}

std::vector<std::string> LogindCommand(unsigned flags, const std::string& sessionId, const std::string& userName)
{
    const bool force = flags & (EWX_FORCE | EWX_FORCEIFHUNG);
    if (flags & (EWX_SHUTDOWN | EWX_POWEROFF | EWX_REBOOT)) {
        std::vector<std::string> argv{"systemctl", (flags & EWX_REBOOT) ? "reboot" : "poweroff"};
        if (force) {
            argv.emplace_back("-i");
        }
        return argv;
    }
    if (!sessionId.empty()) {
        return {"loginctl", "terminate-session", sessionId};
    }
    return {"loginctl", "terminate-user", userName};
}

bool ExitWindowsConfirmed(const std::string& question, unsigned flags, unsigned reason)
{
    if (!question.empty() && MessageDialog({}, question, TMsgDlgType::Confirmation, MbYesNo) != MrYes) {
        return false;
    }
    return SessionControl().EndSession(flags, reason);
}

TRecordingSessionControl::TRecordingSessionControl() : previous(registered.exchange(this))
{}

TRecordingSessionControl::~TRecordingSessionControl()
{
    registered.store(previous);
}

bool TRecordingSessionControl::EndSession(unsigned flags, unsigned reason)
{
    Requests.push_back({flags, reason});
    return Result;
}
