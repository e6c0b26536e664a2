#include "keyer/WindowPrompter.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/Event.h"
#include "platform/TimeBase.h"
#include "send/NoticeQueue.h"

namespace tarnwick {
namespace {

struct Shower : BoxShower {
    PromptAnswer ShowBox(const std::string& text, PromptButtons, Event* abandoned) override {
        shown.push_back(text);
        thread = std::this_thread::get_id();
        lastAbandoned = abandoned;
        return PromptAnswer::Retry;
    }
    std::vector<std::string> shown;
    std::thread::id thread;
    Event* lastAbandoned = nullptr;
};

// Asks on another thread and returns its answer (ready once that thread has one).
std::future<PromptAnswer> AskElsewhere(WindowPrompter& p, std::string text, Event* cancel) {
    return std::async(std::launch::async, [&p, text, cancel] {
        return p.Ask(text, PromptButtons::RetryCancel, cancel);
    });
}

// On the window's thread a box is shown at once; from another thread it waits for the window
// to serve it, and a stop, or a window that closes, ends the wait with the negative answer and
// keeps the box from being shown.
TEST(WindowPrompterTest, AsksOnItsThreadAtOnceAndFromOthersThroughItsNotices) {
    NoticeQueue queue;
    Shower shower;
    WindowPrompter prompter(queue, shower, RealTime());
    Event cancel(ResetMode::Manual);

    EXPECT_EQ(prompter.Ask("here", PromptButtons::RetryCancel, &cancel), PromptAnswer::Retry);
    EXPECT_EQ(shower.lastAbandoned, &cancel);
    EXPECT_FALSE(queue.Next(RealTime(), 0));

    std::future<PromptAnswer> answered = AskElsewhere(prompter, "served", nullptr);
    std::optional<Notice> n = queue.Next(RealTime(), 10'000);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->message, kPromptNotice);
    prompter.Serve(*n);
    EXPECT_EQ(answered.get(), PromptAnswer::Retry);
    EXPECT_EQ(shower.thread, std::this_thread::get_id());

    std::future<PromptAnswer> stopped = AskElsewhere(prompter, "stopped", &cancel);
    n = queue.Next(RealTime(), 10'000);
    ASSERT_TRUE(n);
    cancel.Set();
    EXPECT_EQ(stopped.get(), PromptAnswer::Cancel);
    prompter.Serve(*n);

    std::future<PromptAnswer> closing = AskElsewhere(prompter, "closing", nullptr);
    n = queue.Next(RealTime(), 10'000);
    ASSERT_TRUE(n);
    prompter.Close();
    EXPECT_EQ(closing.get(), PromptAnswer::Cancel);
    prompter.Serve(*n);
    EXPECT_EQ(AskElsewhere(prompter, "closed", nullptr).get(), PromptAnswer::Cancel);

    EXPECT_EQ(shower.shown, (std::vector<std::string>{"here", "served"}));
}

}  // namespace
}  // namespace tarnwick
