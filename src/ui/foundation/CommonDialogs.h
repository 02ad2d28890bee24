#pragma once

// The shared dialogs created once at start-up (main.cpp), for the windows that use them:
// the task editor, restore and clean-up. A pointer is null until the dialog exists.

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
