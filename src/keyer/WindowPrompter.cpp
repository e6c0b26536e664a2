#include "keyer/WindowPrompter.h"

#include "platform/Event.h"
#include "platform/TimeBase.h"

namespace tarnwick {

struct WindowPrompter::Question {
    Question(std::string t, PromptButtons b) : text(std::move(t)), buttons(b) {}

    const std::string text;
    const PromptButtons buttons;
    // Written before `answered` is set, read after it.
    PromptAnswer answer = NegativeAnswer(buttons);
    Event answered{ResetMode::Manual};
    // Set by an asker that stopped waiting; the front end closes the box on it.
    Event abandoned{ResetMode::Manual};
};

WindowPrompter::WindowPrompter(NoticeSink& notices, BoxShower& shower, TimeBase& time)
    : notices_(notices), shower_(shower), time_(time), owner_(std::this_thread::get_id()) {}

WindowPrompter::~WindowPrompter() {
    Close();
}

PromptAnswer WindowPrompter::Ask(const std::string& text, PromptButtons buttons, Event* cancel) {
    if (std::this_thread::get_id() == owner_) {
        return shower_.ShowBox(text, buttons, cancel);
    }
    auto question = std::make_shared<Question>(text, buttons);
    int64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return NegativeAnswer(buttons);
        }
        id = ++lastId_;
        waiting_.emplace(id, question);
    }
    notices_.Post(kPromptNotice, id, 0);
    const int woke = cancel != nullptr ? time_.WaitAnyForever({&question->answered, cancel})
                                       : time_.WaitAnyForever({&question->answered});
    if (woke == 0) {
        return question->answer;
    }
    // A stop: the asker goes on at once, and a box already on screen closes.
    question->abandoned.Set();
    std::lock_guard lock(mutex_);
    waiting_.erase(id);
    return NegativeAnswer(buttons);
}

void WindowPrompter::Serve(const Notice& notice) {
    std::shared_ptr<Question> question;
    {
        std::lock_guard lock(mutex_);
        const auto it = waiting_.find(notice.wParam);
        if (it != waiting_.end()) {
            question = it->second;
        }
    }
    notice.Acknowledge();
    if (!question || question->abandoned.IsSignalled(time_.NowNs())) {
        return;
    }
    const PromptAnswer answer =
        shower_.ShowBox(question->text, question->buttons, &question->abandoned);
    {
        std::lock_guard lock(mutex_);
        question->answer = answer;
        waiting_.erase(notice.wParam);
    }
    question->answered.Set();
}

void WindowPrompter::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto& [id, question] : waiting_) {
        question->abandoned.Set();
        question->answered.Set();
    }
    waiting_.clear();
}

}  // namespace tarnwick
