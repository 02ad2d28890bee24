#include "foundation/ProgressSteps.h"

#include <cmath>
#include <numbers>

void AdvancePosition(ProgressState& state)
{
    state.Position += state.Step;
}

void WrapPattern(ProgressState& state, int height)
{
    if (state.Position >= 2 * height) {
        state.Position = 0;
    }
}

void WrapClock(ProgressState& state)
{
    if (state.Position >= 360) {
        state.Position = 0;
        state.Phase = !state.Phase;
    }
}

void WrapBar(ProgressState& state, int width, int barWidth)
{
    if (state.Position >= width - barWidth - 2) {
        state.Position = 0;
        state.Forward = !state.Forward;
    }
}

int ClockRadius(int height)
{
    return height / 2 - 1;
}

ProgressPoint ClockPieEnd(int height, int position)
{
    const int r = ClockRadius(height);
    const double a = position * std::numbers::pi / 180.0;
    return {r - static_cast<int>(std::lround(r * std::cos(a))), r + static_cast<int>(std::lround(r * std::sin(a)))};
}

int BarBlockLeft(int width, int barWidth, const ProgressState& state)
{
    return state.Forward ? state.Position + 2 : width - barWidth - 2 - state.Position;
}

RgbColor RgbFromBgr(std::uint32_t bgr)
{
    return {static_cast<std::uint8_t>(bgr & 0xFF), static_cast<std::uint8_t>((bgr >> 8) & 0xFF),
            static_cast<std::uint8_t>((bgr >> 16) & 0xFF)};
}
