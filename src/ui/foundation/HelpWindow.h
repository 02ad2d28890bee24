#pragma once

// The help window: the program's HTML help pages in a browser with back, forward and
// contents. InstallHelpWindow makes it the viewer of HtmlHelp (foundation/HtmlHelp.h).

#include <QWidget>
#include <string>

class QTextBrowser;
class QToolButton;

class THelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // pageFile: Windows text of an HTML page.
    void ShowPage(const std::string& pageFile);
    QTextBrowser* Browser() const { return browser; }

private:
    QTextBrowser* browser;
    QToolButton* backBtn;
    QToolButton* forwardBtn;
    QToolButton* homeBtn;
};

void InstallHelpWindow(THelpWindow* window);
