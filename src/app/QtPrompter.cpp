#include "app/QtPrompter.h"

#include <QThread>
#include <atomic>
#include <cstdio>

#include "app/MessageBoxes.h"
#include "platform/Event.h"
#include "platform/TimeBase.h"

namespace tarnwick {

struct QtPrompter::Request {
    std::string text;
    PromptButtons buttons = PromptButtons::Ok;
    PromptAnswer answer = PromptAnswer::Ok;
    Event answered{ResetMode::Manual};
    std::atomic<bool> abandoned{false};
};

QtPrompter::QtPrompter(bool interactive, QObject* parent)
    : QObject(parent), interactive_(interactive) {}

QtPrompter::~QtPrompter() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    for (const auto& request : queue_) {
        request->answer = NegativeAnswer(request->buttons);
        request->answered.Set();
    }
    queue_.clear();
}

PromptAnswer QtPrompter::Ask(const std::string& text, PromptButtons buttons, Event* cancel) {
    if (!interactive_) {
        std::fprintf(stderr, "tarnwick: %s\n", text.c_str());
        return NegativeAnswer(buttons);
    }
    if (QThread::currentThread() == thread()) {
        return ShowBox(text, buttons, nullptr);
    }
    auto request = std::make_shared<Request>();
    request->text = text;
    request->buttons = buttons;
    {
        std::lock_guard lock(mutex_);
        if (closing_) {
            return NegativeAnswer(buttons);
        }
        queue_.push_back(request);
    }
    // Qt allocates the queued call inside its own code, so nothing that the worker wrote is
    // read on the window's thread except through our lock.
    QMetaObject::invokeMethod(this, "ServeQueue", Qt::QueuedConnection);
    const int which = cancel == nullptr ? RealTime().WaitAnyForever({&request->answered})
                                        : RealTime().WaitAnyForever({&request->answered, cancel});
    if (which != 0) {
        request->abandoned = true;
        return NegativeAnswer(buttons);
    }
    std::lock_guard lock(mutex_);
    return request->answer;
}

void QtPrompter::ServeQueue() {
    std::shared_ptr<Request> request;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            return;
        }
        request = queue_.front();
        queue_.pop_front();
    }
    PromptAnswer answer = NegativeAnswer(request->buttons);
    if (!request->abandoned.load()) {
        answer = ShowBox(request->text, request->buttons, request);
    }
    std::lock_guard lock(mutex_);
    request->answer = answer;
    request->answered.Set();
}

PromptAnswer QtPrompter::ShowBox(const std::string& text, PromptButtons buttons,
                                 const std::shared_ptr<Request>& request) {
    std::function<bool()> abandoned;
    if (request) {
        abandoned = [&request] { return request->abandoned.load(); };
    }
    return ShowKeyerBox(nullptr, text, buttons, abandoned, &openBox_);
}

}  // namespace tarnwick
