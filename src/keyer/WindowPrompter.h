#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/NoticeSink.h"
#include "platform/Prompter.h"

namespace tarnwick {

class TimeBase;

// The notice that carries a box asked for on another thread to the window's thread (a number of
// our own, beside the keyer's window messages). wParam names the question.
inline constexpr uint32_t kPromptNotice = 0x7EE;
static_assert(kPromptNotice <= kLastNoticeNumber);

// What a front end supplies to show boxes: "show this box now", called on its own thread only.
class BoxShower {
public:
    virtual ~BoxShower() = default;
    // Shows the box and returns the operator's answer. When `abandoned` is given and becomes
    // signalled, nobody waits for the answer any more (the thread that asked was stopped): the
    // box is to close, and its answer no longer counts.
    virtual PromptAnswer ShowBox(const std::string& text, PromptButtons buttons,
                                 Event* abandoned) = 0;
};

// The keyer's boxes for a front end with one thread of its own (the window's): a question asked
// on that thread is shown at once; one asked on another thread (a transmit or receive worker)
// travels to it as a kPromptNotice through the front end's notice channel, and the asker waits
// for the answer or for its cancel event (a stop), whichever comes first. A question whose asker
// gave up is not shown, or is closed if it is open. So no front end handles threads for boxes:
// it only shows them, and hands kPromptNotice to Serve like every other notice.
class WindowPrompter final : public Prompter {
public:
    // The constructing thread is the window's thread.
    WindowPrompter(NoticeSink& notices, BoxShower& shower, TimeBase& time);
    // Answers whatever is still waiting (Close).
    ~WindowPrompter() override;
    WindowPrompter(const WindowPrompter&) = delete;
    WindowPrompter& operator=(const WindowPrompter&) = delete;

    PromptAnswer Ask(const std::string& text, PromptButtons buttons,
                     Event* cancel = nullptr) override;

    // Window's thread, with a kPromptNotice: shows the box it stands for unless its asker gave
    // up meanwhile, and passes the answer back.
    void Serve(const Notice& notice);
    // From now on every question from another thread gets the negative answer at once, and those
    // still waiting get it now: for a window that is closing and will serve no more notices.
    void Close();

private:
    struct Question;

    NoticeSink& notices_;
    BoxShower& shower_;
    TimeBase& time_;
    const std::thread::id owner_;
    std::mutex mutex_;
    std::map<int64_t, std::shared_ptr<Question>> waiting_;
    int64_t lastId_ = 0;
    bool closed_ = false;
};

}  // namespace tarnwick
