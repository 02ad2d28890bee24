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
    // pageFile: Windows text of an HTML page. The window comes up in front, centred on the
    // window that asks when it was closed; over a modal window it belongs to that window
    // until the modal one goes, so that it can be used beside it.
    void ShowPage(const std::string& pageFile);
    QTextBrowser* Browser() const { return browser; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void JoinModalOwner(QWidget* owner);
    void LeaveOwner();

    QTextBrowser* browser;
    QToolButton* backBtn;
    QToolButton* forwardBtn;
    QToolButton* homeBtn;
};

void InstallHelpWindow(THelpWindow* window);
