#pragma once

#include "foundation/MessageDialogs.h"

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

// Message boxes answered from a script instead of a user: registers itself while it lives.
// Answers are taken from the queue in order; with an empty queue the OnShow hook answers,
// else the box counts as closed (CloseResult). Every request is recorded.
class TScriptedMessageDialogs : public IMessageDialogs
{
public:
    TScriptedMessageDialogs();
    ~TScriptedMessageDialogs() override;
    TScriptedMessageDialogs(const TScriptedMessageDialogs&) = delete;
    TScriptedMessageDialogs& operator=(const TScriptedMessageDialogs&) = delete;

    void QueueAnswer(int modalResult);
    void SetCursorPos(TScreenPoint point);
    std::function<int(const TMessageRequest&)> OnShow;

    std::vector<TMessageRequest> Shown() const;
    std::size_t ShownCount() const;
    // The text of the last box; empty when none was shown.
    std::string LastText() const;
    std::size_t PendingAnswers() const;

    int Show(const TMessageRequest& request) override;
    TScreenPoint CursorPos() override;

private:
    mutable std::mutex mutex;
    std::deque<int> answers;
    std::vector<TMessageRequest> shown;
    TScreenPoint cursor{0, 0};
    TScopedMessageDialogs scope;
};
