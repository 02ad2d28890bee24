#pragma once

#include "foundation/MessageDialogs.h"

class QWidget;
class QString;

// The message boxes of the program on screen: registered once at start-up with
// InstallQtMessageDialogs(). Boxes asked for from another thread are shown by the GUI
// thread while the caller waits.
class TQtMessageDialogs : public IMessageDialogs
{
public:
    int Show(const TMessageRequest& request) override;
    void ShowNote(const TMessageRequest& request) override;
    TScreenPoint CursorPos() override;
};

void InstallQtMessageDialogs();

// Screen point of a control's bottom left or bottom right corner plus an offset.
TScreenPoint ControlBottomLeft(const QWidget* control, TScreenPoint offset = {0, 0});
TScreenPoint ControlBottomRight(const QWidget* control, TScreenPoint offset = {0, 0});

// Message texts use "\r\n" or "\r" for line breaks.
QString MessageTextToQt(const std::string& text);
