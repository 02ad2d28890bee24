#pragma once

#include <cstdint>
#include <string>

// Messages the progress window's buttons post to the owner of a run.
inline constexpr int UM_PAUSE = 1026;    // wParam: 1 pause now, 0 continue
inline constexpr int UM_CANCEL = 1027;   // wParam: 0
inline constexpr int UM_MINIMIZE = 1028; // wParam: the pause state

// Receiver of the button messages. They are posted, never sent: the owner gets them
// on the GUI thread from the message loop (while it processes messages), never from
// inside a button handler's caller.
class IProgressOwner
{
public:
    virtual ~IProgressOwner() = default;
    virtual void ProgressMessage(int message, int wParam) = 0;
};

// Item kinds shown before the action.
inline constexpr int ItemNone = 0;
inline constexpr int ItemFile = 1;
inline constexpr int ItemDirectory = 2;
inline constexpr int ItemTempZip = 3;

// Results given to Finish.
inline constexpr int FinishOk = 0;
inline constexpr int FinishCancelled = 1;
inline constexpr int FinishWarnings = 2;

// With this bit in the close delay the window waits for the user after a result other than OK.
inline constexpr int DelayWaitOnError = 0x1000;

// The progress window of backup, restore and clean-up runs, as the logic sees it.
// SetAction, SetFileProgress and SetTotalProgress may be called from a worker thread;
// everything else is called from the GUI thread.
class IProgressView
{
public:
    virtual ~IProgressView() = default;

    // Settings file that keeps the window position; empty keeps none.
    virtual void LoadFromIni(const std::string& iniName) = 0;
    virtual void SetVersion(const std::string& text) = 0;
    virtual void SetHintText(const std::string& text) = 0;
    virtual void SetDestination(const std::string& text) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetItemKind(int kind) = 0;
    virtual void SetAction(int action) = 0;
    // Percentages are clamped to 0..100.
    virtual void SetFileProgress(std::int64_t percent) = 0;
    virtual void SetTotalProgress(std::int64_t percent) = 0;
    // A non-empty action text replaces the action's own text.
    virtual void ShowFile(int kind, const std::string& actionText, const std::string& fileName) = 0;
    virtual void SetPauseEnabled(bool enabled) = 0;

    // owner may be null: then the buttons post nothing and only Cancelled() tells of Cancel.
    // show < 0 prepares the window without showing it.
    virtual void Start(IProgressOwner* owner, const std::string& caption, const std::string& destination, int show) = 0;
    // Shows the result and returns when the window has closed (at once for delay < 0).
    // color is a Windows colour value 0x00BBGGRR; delay as for FinishCloseInterval.
    virtual void Finish(int status, const std::string& actionText, const std::string& statusText, std::uint32_t color,
                        int delay) = 0;
    virtual void Reset() = 0;

    virtual bool Cancelled() const = 0;
    virtual bool Paused() const = 0;
};

// Stand-in for headless runs and tests: shows nothing, never paused or cancelled.
class NullProgressView : public IProgressView
{
public:
    void LoadFromIni(const std::string&) override {}
    void SetVersion(const std::string&) override {}
    void SetHintText(const std::string&) override {}
    void SetDestination(const std::string&) override {}
    void SetStatusText(const std::string&) override {}
    void SetItemKind(int) override {}
    void SetAction(int) override {}
    void SetFileProgress(std::int64_t) override {}
    void SetTotalProgress(std::int64_t) override {}
    void ShowFile(int, const std::string&, const std::string&) override {}
    void SetPauseEnabled(bool) override {}
    void Start(IProgressOwner*, const std::string&, const std::string&, int) override {}
    void Finish(int, const std::string&, const std::string&, std::uint32_t, int) override {}
    void Reset() override {}
    bool Cancelled() const override { return false; }
    bool Paused() const override { return false; }
};

// The run is to end: the window's Cancel was pressed, or a stop signal came (logout,
// systemctl stop, Ctrl+C), which cancels a backup, restore or clean-up as Cancel does.
bool RunCancelled(const IProgressView& view);

// The program's progress window; the null view until the window layer registers its own.
IProgressView& TheProgressView();
void RegisterProgressView(IProgressView* view);

int ClampPercent(std::int64_t percent);

// Translated text of an item kind, e.g. "File "; empty for none or unknown kinds.
std::string ItemKindText(int kind);

// Translated text of an action; action 7 appends " and verified" to the text shown now.
std::string ActionText(int action, const std::string& shownText);

// How the window ends after Finish: hidden (delay < 0), or shown with a close timer of
// IntervalMs milliseconds, 0 meaning it waits for the user.
struct FinishClose
{
    bool Hidden = false;
    int IntervalMs = 0;
};
FinishClose FinishCloseInterval(int status, int delay);

// Window title while the program is in the background: "42% => destination".
std::string BackgroundTitle(int totalPercent, const std::string& destination);
