#pragma once

#include <QString>
#include <string>

class QWidget;

// The picture tests show every window and dialog, check its layout (ui/LayoutCheck.h) and,
// when TESSARO_SCREENSHOT_DIR names a folder (tests/ui/screenshots.sh), save its picture
// there. Language and scale come from the run: LANGUAGE=de, QT_SCALE_FACTOR=2.

// The picture folder; empty when no pictures are wanted.
QString PictureFolder();

// Lets the windows lay themselves out and paint.
void SettleWindows();

// Checks the shown window's layout and saves its picture as <name>.png.
void CheckPicture(QWidget& window, const std::string& name);

// Shows the window at (40, 40), checks and saves it as CheckPicture does, and hides it.
void ShowPicture(QWidget& window, const std::string& name);

// The whole X screen with the window manager's frames, where ImageMagick's import and
// an X server are there.
void ScreenPicture(const std::string& name);

struct TProgramInfo;
// The folders and version texts the program fills at start-up, for this test program.
TProgramInfo ThisProgramInfo();

class QTabWidget;
// Checks and pictures the window with each page of the tab widget in turn
// (<name>-page1.png, ...); the page shown before is shown again afterwards. Only the pages
// are looked at: the handlers of a user's page change do not run.
void CheckEveryPage(QWidget& window, QTabWidget& pages, const std::string& name);
