#pragma once

#include <functional>
#include <string>

// The shared status window of long scans and connections, as the logic sees it.
// All calls come from the GUI thread; the working code polls Cancelled() between its steps.
class IStatusView
{
public:
    virtual ~IStatusView() = default;

    // Shows the window or updates an open one. A negative x centres it on the screen;
    // a step below 1 hides the bouncing bar; an empty caption keeps an open window's caption.
    virtual void Open(int x, int y, const std::string& caption, int step, bool showCancel,
                      const std::string& statusText) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowProgress(const std::string& text) = 0;
    virtual bool Cancelled() const = 0;
    virtual bool IsVisible() const = 0;
    virtual void Close() = 0;
};

// Stand-in for headless runs and tests: shows nothing and is never cancelled.
class NullStatusView : public IStatusView
{
public:
    void Open(int, int, const std::string&, int, bool, const std::string&) override {}
    void ShowStatus(const std::string&) override {}
    void ShowProgress(const std::string&) override {}
    bool Cancelled() const override { return false; }
    bool IsVisible() const override { return false; }
    void Close() override {}
};

// The program's status window; the null view until the window layer registers its own.
IStatusView& TheStatusView();
void RegisterStatusView(IStatusView* view);

// Tells whether the program runs in the tray; while it does, no status window is shown.
void RegisterInTrayQuery(std::function<bool()> inTray);

// Opens the status window centred on the screen, unless the program runs in the tray.
void ShowStatusWindow(const std::string& caption, const std::string& statusText, int step, bool showCancel);

// Closes the status window when it is visible.
void HideStatusWindow();
