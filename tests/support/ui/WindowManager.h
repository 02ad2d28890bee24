#pragma once

#include <string>
#include <vector>

class QWidget;

// Windows as a desktop shows them. Under a window manager (the xcb platform: the CI leg
// scripts/ci.d/window-manager.sh and tests/ui/screenshots.sh run the window tests on Xvfb
// with openbox) a shown window is framed, placed and perhaps resized by the manager after Qt
// showed it: these helpers wait for that and take its outcome from the X server itself
// (xwininfo, xprop). Offscreen, where nothing frames a window, they take Qt's geometry.

bool UnderWindowManager();

// Lets the window manager frame and place the shown window: events are processed until the
// window is framed and its place and size on the X screen stay the same over several looks.
// False when that never happened (a window that keeps changing its size, say).
bool SettleUnderWindowManager(const QWidget& window);

// The controls of the shown window (buttons, check boxes, fields, lists) that a person cannot
// reach: each is first scrolled into view as a person would, and is then still off the
// screen or outside the part of the window that shows it. And the window's frame, where it
// lies partly off the screen. Each text names the control or gives the sizes.
std::vector<std::string> OutOfReach(QWidget& window);

// Adds a test failure for each of them, under the window's name.
void ExpectEveryControlInReach(QWidget& window, const std::string& name);
