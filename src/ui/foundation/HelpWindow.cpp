#include "ui/foundation/HelpWindow.h"

#include "foundation/HtmlHelp.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), browser(new QTextBrowser(this)), backBtn(new QToolButton(this)),
      forwardBtn(new QToolButton(this)), homeBtn(new QToolButton(this))
{
    setWindowTitle(QStr(TrDialogs("Tessaro Help")));
    resize(720, 560);
    backBtn->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    backBtn->setToolTip(QStr(TrDialogs("Back")));
    forwardBtn->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    forwardBtn->setToolTip(QStr(TrDialogs("Forward")));
    homeBtn->setIcon(style()->standardIcon(QStyle::SP_DirHomeIcon));
    homeBtn->setToolTip(QStr(TrDialogs("Contents")));
    // Links to other sites open in the desktop's browser; our pages stay here.
    browser->setOpenExternalLinks(true);
    auto* bar = new QHBoxLayout;
    bar->addWidget(backBtn);
    bar->addWidget(forwardBtn);
    bar->addWidget(homeBtn);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser, 1);
    connect(backBtn, &QToolButton::clicked, browser, &QTextBrowser::backward);
    connect(forwardBtn, &QToolButton::clicked, browser, &QTextBrowser::forward);
    connect(homeBtn, &QToolButton::clicked, browser, &QTextBrowser::home);
    connect(browser, &QTextBrowser::backwardAvailable, backBtn, &QToolButton::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, forwardBtn, &QToolButton::setEnabled);
    connect(browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(browser->documentTitle().isEmpty() ? windowTitle() : browser->documentTitle()); });
    backBtn->setEnabled(false);
    forwardBtn->setEnabled(false);
}

void THelpWindow::ShowPage(const std::string& pageFile)
{
    const std::string host = Platform::WinToHost(pageFile).value_or(pageFile);
    const QUrl page = QUrl::fromLocalFile(QStr(host));
    if (browser->source().isEmpty()) {
        const QUrl index = page.resolved(QUrl("index.html"));
        browser->setSource(index);
        browser->clearHistory();
    }
    browser->setSource(page);
    if (!isVisible()) {
        QWidget* owner = OwnerWindow(*this);
        JoinModalOwner(owner);
        resize(size().boundedTo(AvailableAreaFor(owner ? owner->frameGeometry() : geometry()).size()));
        CentreOnOwner(*this, owner);
    }
    show();
    raise();
    activateWindow();
}

void THelpWindow::JoinModalOwner(QWidget* owner)
{
    // A window outside a modal one cannot be clicked while the modal one is open.
    if (!owner || owner != QApplication::activeModalWidget() || parentWidget()) {
        return;
    }
    setParent(owner, windowFlags() | Qt::Window);
    owner->installEventFilter(this);
}

void THelpWindow::LeaveOwner()
{
    QWidget* owner = parentWidget();
    if (!owner) {
        return;
    }
    owner->removeEventFilter(this);
    const bool shown = isVisible();
    const QPoint position = pos();
    setParent(nullptr, windowFlags() | Qt::Window);
    move(position);
    if (shown) {
        show();
    }
}

void THelpWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Closed, it is a window of its own again: it never goes with the owner.
    if (!event->spontaneous()) {
        LeaveOwner();
    }
}

bool THelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The help stays open when its modal owner closes, and never goes with it.
    if (watched == parentWidget() && event->type() == QEvent::Hide) {
        LeaveOwner();
    }
    return QWidget::eventFilter(watched, event);
}

void InstallHelpWindow(THelpWindow* window)
{
    QPointer<THelpWindow> guarded(window);
    if (!window) {
        SetHelpViewer({}, {});
        return;
    }
    SetHelpViewer(
        [guarded](const std::string& page) {
            if (guarded) {
                guarded->ShowPage(page);
            }
        },
        [guarded] {
            if (guarded) {
                guarded->close();
            }
        });
}
