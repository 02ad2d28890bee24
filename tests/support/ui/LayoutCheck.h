#pragma once

#include <string>
#include <vector>

class QWidget;

// Layout faults a person would see in a shown window: a label, button, check box, radio
// button or group box title whose text does not fit its width (or a wrapped label whose
// lines do not fit its height), and a visible widget that lies partly outside its window
// or outside the widget that holds it, so that it is cut off, or a scroll view whose contents
// are larger than it without a scroll bar to reach them. Each text names the widget.
std::vector<std::string> LayoutProblems(const QWidget& window);

// Adds a test failure for each problem of the window, under the picture's name.
void ExpectTidyLayout(const QWidget& window, const std::string& name);

// A window that does not fit the screen it is on: its smallest size is larger than the
// screen's available area, so that part of it could never be seen, or it lies partly off
// that area. Each text gives the sizes.
std::vector<std::string> ScreenFitProblems(const QWidget& window);

// Adds a test failure for each of them, under the window's name.
void ExpectFitsItsScreen(const QWidget& window, const std::string& name);
