#pragma once

#include "foundation/ProgressSteps.h"

#include <QColor>
#include <QWidget>

class QTimer;

QColor QColorFromBgr(std::uint32_t bgr);

// Busy indicator without a known total: a striped pattern that moves on its own timer
// (psOn), stands still (psOff) or moves only when stepped from outside (psNudge).
class TCustomProgress : public QWidget
{
    Q_OBJECT
public:
    explicit TCustomProgress(QWidget* parent = nullptr);
    ~TCustomProgress() override;

    TProgressStatus Status() const { return StatusValue; }
    void SetStatus(TProgressStatus status);
    // Stops (true) or restarts (false) a running timer; no effect without one.
    void Pause(bool flag);
    // One step, as the timer makes it.
    void StepIt();

    QColor ForeColor() const { return ForeColorValue; }
    void SetForeColor(const QColor& color);
    QColor BackColor() const { return BackColorValue; }
    void SetBackColor(const QColor& color);
    int Interval() const { return IntervalMs; }
    void SetInterval(int ms);
    int Increment() const { return State.Step; }
    void SetIncrement(int step) { State.Step = step; }

    const ProgressState& Steps() const { return State; }
    bool TimerRunning() const;
    QSize sizeHint() const override { return DefaultSize; }

signals:
    void OnIncrement(TCustomProgress* sender);

protected:
    TCustomProgress(QSize size, QWidget* parent);
    virtual void Wrap();
    void paintEvent(QPaintEvent* event) override;

    ProgressState State;
    QColor ForeColorValue;
    QColor BackColorValue;

private:
    QSize DefaultSize;
    TProgressStatus StatusValue = TProgressStatus::psOff;
    QTimer* OwnTimer = nullptr;
    int IntervalMs = 100;
};

// A small clock face whose pie grows round the circle; the colours swap after each turn.
class TClkProgress : public TCustomProgress
{
    Q_OBJECT
public:
    explicit TClkProgress(QWidget* parent = nullptr);
    void Reset();

protected:
    void Wrap() override;
    void paintEvent(QPaintEvent* event) override;
};

// A block bouncing to and fro inside a sunken bar.
class TBarProgress : public TCustomProgress
{
    Q_OBJECT
public:
    explicit TBarProgress(QWidget* parent = nullptr);
    void Reset();

    QColor BarColor() const { return ForeColorValue; }
    void SetBarColor(const QColor& color) { SetForeColor(color); }
    int BarWidth() const { return BarWidthValue; }
    void SetBarWidth(int width);
    bool Transparent() const { return TransparentValue; }
    void SetTransparent(bool transparent);

protected:
    void Wrap() override;
    void paintEvent(QPaintEvent* event) override;

private:
    int BarWidthValue = 10;
    bool TransparentValue = false;
};
