#pragma once

#include <string>

// Modal message boxes for logic code. Logic calls the functions below; the Qt layer
// registers the real implementation at start-up and tests register a scripted one
// (ScriptedMessageDialogs.h). Without a registration nothing is shown: every question
// is answered as if the user had closed the box.

// Modal results.
inline constexpr int MrNone = 0;
inline constexpr int MrOk = 1;
inline constexpr int MrCancel = 2;
inline constexpr int MrAbort = 3;
inline constexpr int MrRetry = 4;
inline constexpr int MrIgnore = 5;
inline constexpr int MrYes = 6;
inline constexpr int MrNo = 7;

enum class TMsgDlgType
{
    Warning,
    Error,
    Information,
    Confirmation,
    Custom
};

// Button sets are sums of these bits.
inline constexpr unsigned MbYes = 1;
inline constexpr unsigned MbNo = 2;
inline constexpr unsigned MbOk = 4;
inline constexpr unsigned MbCancel = 8;
inline constexpr unsigned MbYesNo = MbYes | MbNo;
inline constexpr unsigned MbOkCancel = MbOk | MbCancel;
inline constexpr unsigned MbYesNoCancel = MbYes | MbNo | MbCancel;

// A point in screen pixels; (-1, -1) means "centred".
struct TScreenPoint
{
    int x = -1;
    int y = -1;
    bool operator==(const TScreenPoint&) const = default;
};
inline constexpr TScreenPoint CenteredPoint{-1, -1};

struct TScreenRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct TMessageRequest
{
    std::string caption; // empty: the default caption of the type
    std::string text;    // "\r\n" or "\r" break lines
    TMsgDlgType type = TMsgDlgType::Information;
    unsigned buttons = MbOk;
    TScreenPoint point = CenteredPoint;
};

// Where a dialog of the given size goes for a requested point: 20 pixels inside the screen,
// a negative coordinate becoming 20; centred when both coordinates are negative.
TScreenPoint PlaceDialog(const TScreenRect& screen, int width, int height, TScreenPoint point);

// The answer that closing the box without choosing gives for a button set.
int CloseResult(unsigned buttons);

class IMessageDialogs
{
public:
    virtual ~IMessageDialogs() = default;
    // Shows the box modally and returns the modal result.
    virtual int Show(const TMessageRequest& request) = 0;
    // Shows the box without waiting for it: whatever runs (a backup, its waits) goes on.
    // Where no box can stay open on its own, it is shown like any other.
    virtual void ShowNote(const TMessageRequest& request) { Show(request); }
    virtual TScreenPoint CursorPos() = 0;
};

// Registers the implementation (not owned); nullptr restores the silent default.
void SetMessageDialogs(IMessageDialogs* dialogs);
IMessageDialogs& MessageDialogs();

int MessageDialog(const std::string& caption, const std::string& text, TMsgDlgType type, unsigned buttons);
int MessageDialogAt(const std::string& caption, const std::string& text, TMsgDlgType type, unsigned buttons,
                    TScreenPoint point);
bool ConfirmDialogAt(const std::string& caption, const std::string& text, TScreenPoint point);
bool ConfirmDialog(const std::string& caption, const std::string& text);
int InfoDialogAt(const std::string& caption, const std::string& text, TScreenPoint point);
int InfoDialog(const std::string& caption, const std::string& text);
// An information box that does not halt the caller (see IMessageDialogs::ShowNote).
void InfoNote(const std::string& caption, const std::string& text);
int ErrorDialogAt(const std::string& caption, const std::string& text, TScreenPoint point);
int ErrorDialog(const std::string& caption, const std::string& text);

TScreenPoint GetCursorPoint();
TScreenPoint CursorPointOffset(TScreenPoint offset);

// Registers itself for its lifetime and restores the previous implementation afterwards.
class TScopedMessageDialogs
{
public:
    explicit TScopedMessageDialogs(IMessageDialogs& dialogs);
    ~TScopedMessageDialogs();
    TScopedMessageDialogs(const TScopedMessageDialogs&) = delete;
    TScopedMessageDialogs& operator=(const TScopedMessageDialogs&) = delete;

private:
    IMessageDialogs* previous;
};
