#include "foundation/StatusView.h"

namespace {

NullStatusView nullStatusView;
IStatusView* statusView = &nullStatusView;
std::function<bool()> inTrayQuery;

bool ProgramInTray()
{
    return inTrayQuery && inTrayQuery();
}

} // namespace

IStatusView& TheStatusView()
{
    return *statusView;
}

void RegisterStatusView(IStatusView* view)
{
    statusView = view ? view : &nullStatusView;
}

void RegisterInTrayQuery(std::function<bool()> inTray)
{
    inTrayQuery = std::move(inTray);
}

void ShowStatusWindow(const std::string& caption, const std::string& statusText, int step, bool showCancel)
{
    if (ProgramInTray()) {
        return;
    }
    statusView->Open(-1, -1, caption, step, showCancel, statusText);
}

void HideStatusWindow()
{
    if (statusView->IsVisible()) {
        statusView->Close();
    }
}
