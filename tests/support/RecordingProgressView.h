#pragma once

// A progress view for tests: records what the run shows and lets a test press
// Pause and Cancel. The bar setters may be called from a worker thread.

#include "tasks/ProgressView.h"

#include <atomic>
#include <functional>

class TRecordingProgressView : public NullProgressView
{
public:
    void SetAction(int action) override { LastAction = action; }
    void SetFileProgress(std::int64_t percent) override
    {
        FilePercent = ClampPercent(percent);
        if (OnFileProgress) {
            OnFileProgress(percent);
        }
    }
    void SetTotalProgress(std::int64_t percent) override { TotalPercent = ClampPercent(percent); }
    bool Cancelled() const override { return CancelPressed; }
    bool Paused() const override { return PausePressed; }

    std::atomic<int> LastAction{0};
    std::atomic<int> FilePercent{-1};
    std::atomic<int> TotalPercent{-1};
    std::atomic<bool> CancelPressed{false};
    std::atomic<bool> PausePressed{false};
    // Called on the worker's thread with the unclamped percentage.
    std::function<void(std::int64_t)> OnFileProgress;
};
