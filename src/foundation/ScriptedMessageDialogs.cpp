#include "foundation/ScriptedMessageDialogs.h"

TScriptedMessageDialogs::TScriptedMessageDialogs() : scope(*this)
{}

TScriptedMessageDialogs::~TScriptedMessageDialogs() = default;

void TScriptedMessageDialogs::QueueAnswer(int modalResult)
{
    std::lock_guard lock(mutex);
    answers.push_back(modalResult);
}

void TScriptedMessageDialogs::SetCursorPos(TScreenPoint point)
{
    std::lock_guard lock(mutex);
    cursor = point;
}

std::vector<TMessageRequest> TScriptedMessageDialogs::Shown() const
{
    std::lock_guard lock(mutex);
    return shown;
}

std::size_t TScriptedMessageDialogs::ShownCount() const
{
    std::lock_guard lock(mutex);
    return shown.size();
}

std::string TScriptedMessageDialogs::LastText() const
{
    std::lock_guard lock(mutex);
    return shown.empty() ? std::string() : shown.back().text;
}

std::size_t TScriptedMessageDialogs::PendingAnswers() const
{
    std::lock_guard lock(mutex);
    return answers.size();
}

int TScriptedMessageDialogs::Show(const TMessageRequest& request)
{
    std::unique_lock lock(mutex);
    shown.push_back(request);
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    lock.unlock();
    return OnShow ? OnShow(request) : CloseResult(request.buttons);
}

TScreenPoint TScriptedMessageDialogs::CursorPos()
{
    std::lock_guard lock(mutex);
    return cursor;
}
