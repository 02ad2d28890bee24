#pragma once

// A progress view for tests: records what the run shows and lets a test press
// Pause and Cancel. The bar setters may be called from a worker thread.

#include "tasks/ProgressView.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

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
    void ShowFile(int kind, const std::string& actionText, const std::string& fileName) override
    {
        const std::lock_guard<std::mutex> lock(shownMutex);
        shown.push_back({kind, actionText, fileName});
    }
    bool Cancelled() const override { return CancelPressed; }
    bool Paused() const override { return PausePressed; }

    std::atomic<int> LastAction{0};
    std::atomic<int> FilePercent{-1};
    std::atomic<int> TotalPercent{-1};
    std::atomic<bool> CancelPressed{false};
    std::atomic<bool> PausePressed{false};
    // Called on the worker's thread with the unclamped percentage.
    std::function<void(std::int64_t)> OnFileProgress;

    struct TShownFile
    {
        int Kind;
        std::string ActionText;
        std::string FileName;
    };
    std::vector<TShownFile> ShownFiles() const
    {
        const std::lock_guard<std::mutex> lock(shownMutex);
        return shown;
    }

private:
    mutable std::mutex shownMutex;
    std::vector<TShownFile> shown;
};
