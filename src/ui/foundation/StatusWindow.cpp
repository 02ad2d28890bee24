#include "ui/foundation/StatusWindow.h"

#include "foundation/MessageDialogs.h"
#include "foundation/Translate.h"
#include "ui/foundation/ProgressControls.h"
#include "ui/foundation/QtText.h"
#include "ui/foundation/ShortenPathText.h"
#include "ui/foundation/WindowPlacement.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace {

constexpr int Margin = 5;
constexpr int BarLeft = 5;
constexpr int BarLength = 271;

} // namespace

TStatusWindow::TStatusWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStr(TrDialogs("Status")));
    setModal(false);
    StatusLabel = new QLabel(this);
    StatusLabel->move(Margin, 8);
    ProgLabel = new QLabel(this);
    ProgLabel->setGeometry(Margin, 28, BarLength, ProgLabel->sizeHint().height());
    BarProgress = new TBarProgress(this);
    BarProgress->SetBackColor(palette().color(QPalette::Button));
    BarProgress->SetInterval(10);
    BarProgress->setGeometry(BarLeft, 50, BarLength, 11);
    btnCancel = new QPushButton(QStr(TrDialogs("Cancel")), this);
    btnCancel->setGeometry(0, 70, 75, 25);
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

TStatusWindow::~TStatusWindow() = default;

void TStatusWindow::Close()
{
    close();
    Owned.reset();
}

void TStatusWindow::btnCancelClick()
{
    CancelFlag = true;
}

void TStatusWindow::Open(int x, int y, const std::string& caption, int step, bool showCancel,
                         const std::string& statusText)
{
    const bool firstOpening = !isVisible();
    CancelFlag = false;
    btnCancel->setVisible(showCancel);
    if (firstOpening || !caption.empty()) {
        setWindowTitle(QStr(caption));
    }
    ProgLabel->clear();
    if (!statusText.empty()) {
        ShowStatus(statusText);
    }
    if (step < 1) {
        BarProgress->hide();
        BarProgress->SetStatus(TProgressStatus::psOff);
    } else {
        BarProgress->show();
        BarProgress->SetIncrement(step);
        BarProgress->SetStatus(TProgressStatus::psOn);
    }
    FitClientSize(firstOpening);
    if (!firstOpening) {
        update();
        return;
    }
    BarProgress->Reset();
    OwnAnew(Owned, *this);
    Place(x, y);
    show();
    raise();
    activateWindow();
}

void TStatusWindow::FitClientSize(bool firstOpening)
{
    const int bottom = !btnCancel->isHidden() ? btnCancel->geometry().bottom() + 1 + Margin : btnCancel->y();
    int width = this->width();
    if (firstOpening) {
        width = std::max(StatusLabel->geometry().right() + 1, BarLeft + BarLength) + Margin;
        btnCancel->move((width - btnCancel->width()) / 2, btnCancel->y());
    }
    setFixedSize(width, bottom);
}

void TStatusWindow::Place(int x, int y)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const TScreenPoint wanted = x < 0 ? CenteredPoint : TScreenPoint{x, std::max(y, 0)};
    const TScreenPoint placed =
        PlaceDialog({area.left(), area.top(), area.width(), area.height()}, width(), height(), wanted);
    move(placed.x, placed.y);
}

void TStatusWindow::ShowStatus(const std::string& text)
{
    StatusLabel->setText(ShortenPathToWidth(text, QFontMetrics(StatusLabel->font()), BarLength));
    StatusLabel->adjustSize();
}

void TStatusWindow::ShowProgress(const std::string& text)
{
    ProgLabel->setText(QStr(text));
}

void TStatusWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        // Escape acts as Cancel, and only while Cancel is offered; it never closes the window.
        if (!btnCancel->isHidden() && btnCancel->isEnabled()) {
            btnCancel->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TStatusWindow::closeEvent(QCloseEvent* event)
{
    BarProgress->SetStatus(TProgressStatus::psOff);
    QDialog::closeEvent(event);
}
