#include "ui/foundation/ProgressControls.h"

#include <QPainter>
#include <QTimer>

QColor QColorFromBgr(std::uint32_t bgr)
{
    const RgbColor rgb = RgbFromBgr(bgr);
    return QColor(rgb.Red, rgb.Green, rgb.Blue);
}

TCustomProgress::TCustomProgress(QWidget* parent) : TCustomProgress(QSize(150, 14), parent)
{}

TCustomProgress::TCustomProgress(QSize size, QWidget* parent)
    : QWidget(parent), ForeColorValue(QColorFromBgr(0xFF0000)), BackColorValue(QColorFromBgr(0x0000FF)),
      DefaultSize(size)
{
    resize(size);
}

TCustomProgress::~TCustomProgress() = default; // the own timer is a child and goes with the control

void TCustomProgress::SetStatus(TProgressStatus status)
{
    if (status == StatusValue) {
        return;
    }
    delete OwnTimer;
    OwnTimer = nullptr;
    StatusValue = status;
    if (status == TProgressStatus::psOn) {
        OwnTimer = new QTimer(this);
        OwnTimer->setInterval(IntervalMs);
        connect(OwnTimer, &QTimer::timeout, this, &TCustomProgress::StepIt);
        OwnTimer->start();
    } else if (status == TProgressStatus::psNudge) {
        State.NudgeCount = 0;
    }
    update();
}

void TCustomProgress::Pause(bool flag)
{
    if (!OwnTimer) {
        return;
    }
    if (flag) {
        OwnTimer->stop();
    } else {
        OwnTimer->start();
    }
}

bool TCustomProgress::TimerRunning() const
{
    return OwnTimer && OwnTimer->isActive();
}

void TCustomProgress::StepIt()
{
    if (StatusValue == TProgressStatus::psNudge) {
        ++State.NudgeCount;
    }
    AdvancePosition(State);
    Wrap();
    emit OnIncrement(this);
    update();
}

void TCustomProgress::SetForeColor(const QColor& color)
{
    ForeColorValue = color;
    update();
}

void TCustomProgress::SetBackColor(const QColor& color)
{
    BackColorValue = color;
    update();
}

void TCustomProgress::SetInterval(int ms)
{
    IntervalMs = ms;
    if (OwnTimer) {
        OwnTimer->setInterval(ms);
    }
}

void TCustomProgress::Wrap()
{
    WrapPattern(State, height());
}

void TCustomProgress::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0) {
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), BackColorValue);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ForeColorValue);
    ForEachStripe(State.Position, w, h, [&](ProgressPoint a, ProgressPoint b, ProgressPoint c, ProgressPoint d) {
        const QPoint quad[] = {{a.X, a.Y}, {b.X, b.Y}, {c.X, c.Y}, {d.X, d.Y}};
        painter.drawPolygon(quad, 4);
    });
}

TClkProgress::TClkProgress(QWidget* parent) : TCustomProgress(QSize(26, 26), parent)
{
    ForeColorValue = Qt::black;
    BackColorValue = Qt::white;
}

void TClkProgress::Reset()
{
    State.Position = 0;
    State.Phase = true;
    update();
}

void TClkProgress::Wrap()
{
    WrapClock(State);
}

void TClkProgress::paintEvent(QPaintEvent*)
{
    const int h = height();
    if (h <= 2 || width() <= 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Dark));
    painter.drawEllipse(QRect(0, 0, h - 1, h - 1));
    painter.setBrush(palette().color(QPalette::Light));
    painter.drawEllipse(QRect(1, 1, h - 1, h - 1));
    const QRect face(1, 1, h - 2, h - 2);
    painter.setBrush(State.Phase ? ForeColorValue : BackColorValue);
    painter.drawEllipse(face);
    // The pie starts at nine o'clock and grows counter-clockwise, one degree per position.
    painter.setBrush(State.Phase ? BackColorValue : ForeColorValue);
    painter.drawPie(face, 180 * 16, State.Position * 16);
}

TBarProgress::TBarProgress(QWidget* parent) : TCustomProgress(QSize(151, 11), parent)
{
    ForeColorValue = QColorFromBgr(0x800000);
    BackColorValue = palette().color(QPalette::Button);
}

void TBarProgress::Reset()
{
    State.Position = 0;
    State.Forward = true;
    update();
}

void TBarProgress::SetBarWidth(int width)
{
    BarWidthValue = width;
    update();
}

void TBarProgress::SetTransparent(bool transparent)
{
    TransparentValue = transparent;
    update();
}

void TBarProgress::Wrap()
{
    WrapBar(State, width(), BarWidthValue);
}

void TBarProgress::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0) {
        return;
    }
    QPainter painter(this);
    const QColor background =
        TransparentValue && parentWidget() ? parentWidget()->palette().color(QPalette::Window) : BackColorValue;
    painter.fillRect(rect(), background);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, 0, w - 1, 0);
    painter.drawLine(0, 0, 0, h - 1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(w - 1, 0, w - 1, h - 1);
    painter.drawLine(0, h - 1, w - 1, h - 1);
    painter.fillRect(QRect(BarBlockLeft(w, BarWidthValue, State), 2, BarWidthValue, h - 4), ForeColorValue);
}
