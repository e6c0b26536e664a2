#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/AppTestSupport.h"
#include "app/QtPrompter.h"
#include "platform/Event.h"

namespace tarnwick {
namespace {

constexpr int kNoAnswer = -1;

TEST(QtPrompterTest, AWorkersBoxIsShownOnTheWindowsThreadAndAStopClosesIt) {
    QtPrompter prompter;
    std::atomic<int> answer{kNoAnswer};
    QString shownText;
    // Runs inside the box's own event loop: answers it as the operator would.
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        if (QMessageBox* box = prompter.OpenBox()) {
            shownText = box->text();
            box->button(QMessageBox::Retry)->click();
        }
    });
    operatorHand.start(10);
    std::thread worker([&] {
        answer = static_cast<int>(
            prompter.Ask("Cannot open soundcard, try again?", PromptButtons::RetryCancel));
    });
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return answer.load() != kNoAnswer; }));
    worker.join();
    operatorHand.stop();
    EXPECT_EQ(answer.load(), static_cast<int>(PromptAnswer::Retry));
    EXPECT_EQ(shownText, "Cannot open soundcard, try again?");

    // A stop while the box is open: the worker gets the negative answer at once, and the box
    // goes away by itself.
    Event stop(ResetMode::Manual);
    answer = kNoAnswer;
    bool boxSeen = false;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (prompter.OpenBox() != nullptr && !boxSeen) {
            boxSeen = true;
            stop.Set();
        }
    });
    stopper.start(10);
    std::thread stopped(
        [&] { answer = static_cast<int>(prompter.Ask("Continue?", PromptButtons::YesNo, &stop)); });
    EXPECT_TRUE(test::ProcessEventsUntil(
        [&] { return answer.load() != kNoAnswer && prompter.OpenBox() == nullptr; }));
    stopped.join();
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(answer.load(), static_cast<int>(PromptAnswer::No));
}

}  // namespace
}  // namespace tarnwick
