#include "foundation/MessageDialogs.h"

#include <atomic>
#include <cstdio>

namespace {

constexpr int ScreenMargin = 20;

// Shown when no user interface is registered: the text goes to stderr and every question
// is answered as if the box had been closed.
class TSilentMessageDialogs : public IMessageDialogs
{
public:
    int Show(const TMessageRequest& request) override
    {
        std::fprintf(stderr, "%s%s%s\n", request.caption.c_str(), request.caption.empty() ? "" : ": ",
                     request.text.c_str());
        return CloseResult(request.buttons);
    }
    TScreenPoint CursorPos() override { return {0, 0}; }
};

TSilentMessageDialogs silentDialogs;
std::atomic<IMessageDialogs*> registered{nullptr};

int ShowAt(const std::string& caption, const std::string& text, TMsgDlgType type, unsigned buttons, TScreenPoint point)
{
    return MessageDialogs().Show(TMessageRequest{caption, text, type, buttons, point});
}

} // namespace

TScreenPoint PlaceDialog(const TScreenRect& screen, int width, int height, TScreenPoint point)
{
    if (point.x < 0 && point.y < 0) {
        return {screen.left + (screen.width - width) / 2, screen.top + (screen.height - height) / 2};
    }
    TScreenPoint placed = point;
    if (placed.x < 0) {
        placed.x = screen.left + ScreenMargin;
    }
    if (placed.y < 0) {
        placed.y = screen.top + ScreenMargin;
    }
    if (placed.x + width > screen.left + screen.width) {
        placed.x = screen.left + screen.width - width - ScreenMargin;
    }
    if (placed.y + height > screen.top + screen.height) {
        placed.y = screen.top + screen.height - height - ScreenMargin;
    }
    return placed;
}

int CloseResult(unsigned buttons)
{
    if (buttons & MbCancel) {
        return MrCancel;
    }
    if (buttons & MbNo) {
        return MrNo;
    }
    if (buttons & MbOk) {
        return MrOk;
    }
    return MrCancel;
}

void SetMessageDialogs(IMessageDialogs* dialogs)
{
    registered.store(dialogs);
}

IMessageDialogs& MessageDialogs()
{
    IMessageDialogs* dialogs = registered.load();
    return dialogs ? *dialogs : silentDialogs;
}

int MessageDialog(const std::string& caption, const std::string& text, TMsgDlgType type, unsigned buttons)
{
    return ShowAt(caption, text, type, buttons, CenteredPoint);
}

int MessageDialogAt(const std::string& caption, const std::string& text, TMsgDlgType type, unsigned buttons,
                    TScreenPoint point)
{
    return ShowAt(caption, text, type, buttons, point);
}

bool ConfirmDialogAt(const std::string& caption, const std::string& text, TScreenPoint point)
{
    return ShowAt(caption, text, TMsgDlgType::Confirmation, MbYesNo, point) == MrYes;
}

bool ConfirmDialog(const std::string& caption, const std::string& text)
{
    return ConfirmDialogAt(caption, text, CenteredPoint);
}

int InfoDialogAt(const std::string& caption, const std::string& text, TScreenPoint point)
{
    return ShowAt(caption, text, TMsgDlgType::Information, MbOk, point);
}

int InfoDialog(const std::string& caption, const std::string& text)
{
    return InfoDialogAt(caption, text, CenteredPoint);
}

void InfoNote(const std::string& caption, const std::string& text)
{
    MessageDialogs().ShowNote({caption, text, TMsgDlgType::Information, MbOk, CenteredPoint});
}

int ErrorDialogAt(const std::string& caption, const std::string& text, TScreenPoint point)
{
    return ShowAt(caption, text, TMsgDlgType::Error, MbOk, point);
}

int ErrorDialog(const std::string& caption, const std::string& text)
{
    return ErrorDialogAt(caption, text, CenteredPoint);
}

TScreenPoint GetCursorPoint()
{
    return MessageDialogs().CursorPos();
}

TScreenPoint CursorPointOffset(TScreenPoint offset)
{
    const TScreenPoint cursor = GetCursorPoint();
    return {cursor.x + offset.x, cursor.y + offset.y};
}

TScopedMessageDialogs::TScopedMessageDialogs(IMessageDialogs& dialogs) : previous(registered.exchange(&dialogs))
{}

TScopedMessageDialogs::~TScopedMessageDialogs()
{
    registered.store(previous);
}
