#pragma once

#include <cstdint>

// Stepping and geometry of the busy indicators, kept free of any window code so that
// the indicators' behaviour can be checked without a screen.

enum class TProgressStatus
{
    psOn,
    psOff,
    psNudge
};

struct ProgressState
{
    int Position = 0;
    int Step = 5;
    bool Phase = true;   // clock: the face shows ForeColor
    bool Forward = true; // bar: the block moves to the right
    int NudgeCount = 0;
};

struct ProgressPoint
{
    int X = 0;
    int Y = 0;
};

// One timer step: the position advances by the step.
void AdvancePosition(ProgressState& state);

// Striped pattern: the position restarts at 0 once it reaches twice the height.
void WrapPattern(ProgressState& state, int height);

// Clock: the position counts degrees; at 360 it restarts and the colours swap.
void WrapClock(ProgressState& state);

// Bar: at the far end the position restarts and the block turns round.
void WrapBar(ProgressState& state, int width, int barWidth);

// Calls quad(p0, p1, p2, p3) for every slanted stripe of the pattern; nothing for an empty control.
template <class QuadFn> void ForEachStripe(int position, int width, int height, QuadFn quad)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    for (int x = 0; x <= width + height; x += 2 * height) {
        const int p = position + x;
        quad(ProgressPoint{p - height, 1}, ProgressPoint{p, 1}, ProgressPoint{p - height, height - 1},
             ProgressPoint{p - 2 * height, height - 1});
    }
}

// Radius of the clock's pie for a control of the given height.
int ClockRadius(int height);

// End point of the clock's pie for a position in degrees; the pie starts at (0, radius).
ProgressPoint ClockPieEnd(int height, int position);

// Left edge of the bar's block.
int BarBlockLeft(int width, int barWidth, const ProgressState& state);

// Red, green and blue of a colour given in the Windows byte order 0x00BBGGRR.
struct RgbColor
{
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
};
RgbColor RgbFromBgr(std::uint32_t bgr);
