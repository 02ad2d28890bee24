#pragma once

// The shared dialogs created once at start-up (main.cpp), for the windows that use them:
// the task editor, restore and clean-up. A pointer is null until the dialog exists.

class QWidget;
class TMemoDialog;
class TNewPwdDialog;
class TRandDialog;
class TSelectFromListDialog;
class TShellDirDialog;
class TShowtextDialog;

struct TCommonDialogs
{
    TShellDirDialog* DirDialog = nullptr;
    TSelectFromListDialog* SelectFromList = nullptr;
    TNewPwdDialog* NewPwd = nullptr;
    TRandDialog* Rand = nullptr;
    TMemoDialog* Memo = nullptr;
    TShowtextDialog* Showtext = nullptr;
};

TCommonDialogs& CommonDialogs();

// The shared dialog; where there is none (tests, screenshots) one of the window's own,
// made the first time it is needed and owned by the window.
template <typename T> T& SharedOrOwn(T* shared, T*& own, QWidget* window)
{
    if (shared) {
        return *shared;
    }
    if (!own) {
        own = new T(window);
    }
    return *own;
}
