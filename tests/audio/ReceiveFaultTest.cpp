#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/ReceiveProcessor.h"
#include "model/CTarnwickDoc.h"
#include "platform/Event.h"
#include "platform/Prompter.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "support/AlsaTestConfig.h"
#include "support/ForkedTest.h"
#include "support/JumpingTime.h"
#include "support/RecordingPrompter.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::AlsaTestConfig;

using test::ScratchDir;
using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::string>;

constexpr const char* kQuestion = "Cannot open soundcard, try again?";
constexpr const char* kNoDevice = "Bad Device ID\nIs Soundcard Present?";

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A box that stays open until the operator answers, which here nobody does: it closes only
// when the caller's cancel event is signalled.
class UnansweredPrompter : public Prompter {
public:
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, Event* cancel) override {
        asked.fetch_add(1);
        {
            std::lock_guard lock(mutex_);
            texts_.push_back(text);
        }
        if (cancel == nullptr) {
            uncancellable.fetch_add(1);
        } else {
            RealTime().WaitFor(*cancel, 60000);
        }
        return NegativeAnswer(buttons);
    }
    Texts Texts_() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::atomic<int> asked{0};
    std::atomic<int> uncancellable{0};

private:
    mutable std::mutex mutex_;
    Texts texts_;
};

bool WaitUntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Sound devices that fail: a card that is not there, and ALSA file PCMs whose capture reads a
// file far faster than any sound card delivers (its ring is always full, but the worker takes
// a buffer every few milliseconds, so it overflows only when the clock jumps) and that stop
// opening once their files or definitions are gone. Each test runs in a fork, as ALSA reads
// its configuration once per process.
class ReceiveFaultTest : public ::testing::Test {
protected:
    std::string Capture() const {
        return AlsaTestConfig::FilePcm("/dev/null", dir_.File("in.raw"));
    }
    std::string Playback() const { return AlsaTestConfig::FilePcm(dir_.File("play/out.raw")); }
    static std::string Missing() { return "{ type hw card 9 device 0 }"; }

    // Device -1 captures from `capture` and plays on `playback`. ALSA reads the definition
    // again when it changes, which is how a test unplugs a device.
    void Define(const std::string& capture, const std::string& playback) {
        // A new file in its place: ALSA notices a change by the file's identity and its time
        // in whole seconds.
        const std::string next = dir_.File("test.conf.next");
        ASSERT_TRUE(
            ScratchDir::Write(next, AlsaTestConfig::DuplexPcm("rx_test", capture, playback)));
        std::filesystem::rename(next, dir_.File("test.conf"));
    }

    // In the forked child: defines the device and makes it the default.
    void UseDevice(const std::string& capture, const std::string& playback) {
        std::filesystem::create_directory(dir_.File("play"));
        ASSERT_TRUE(ScratchDir::Write(dir_.File("in.raw"), std::string(4096 * 4, '\x01')));
        Define(capture, playback);
        AlsaTestConfig::Use(dir_.File("test.conf"));
        setenv(SoundDevices::kDefaultOverride, "rx_test", 1);
        ASSERT_TRUE(doc_.OnNewDocument());
        doc_.DisplayBusy = 0;
    }

    ScratchDir dir_{"tarnwick-rx-fault"};
    CTarnwickDoc doc_;
};

TEST_F(ReceiveFaultTest, CaptureOverflowsAreCuredWithoutAWord) {
    test::RunForked([&] {
        UseDevice(Capture(), Playback());
        test::RecordingPrompter prompter;
        test::JumpingTime time;
        ReceiveProcessor rx(doc_, prompter, time);
        rx.Start();
        // Before each block the worker seems to have lost a second, with the file capture's
        // ring full all along: it overflows and is reopened. Each block is announced; only the
        // count matters, not how fast they come.
        int announced = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (announced < 5 && Clock::now() < deadline) {
            time.Jump(1'000'000'000);
            announced += RealTime().WaitFor(doc_.DataReadyEvent, 100) ? 1 : 0;
        }
        EXPECT_EQ(announced, 5) << "blocks go on flowing";
        EXPECT_TRUE(rx.IsRunning());
        rx.Stop();
        EXPECT_EQ(prompter.Texts(), Texts{});
    });
}

// A reopen that fails (here for the pass after a transmission) is reported with the device's
// own message, and the worker ends itself; Start runs it again.
TEST_F(ReceiveFaultTest, ACaptureThatCannotBeReopenedIsReportedAndEndsTheWorker) {
    test::RunForked([&] {
        UseDevice(Capture(), Playback());
        test::RecordingPrompter prompter;
        ReceiveProcessor rx(doc_, prompter, RealTime());
        rx.Start();
        ASSERT_TRUE(RealTime().WaitFor(doc_.DataReadyEvent, 20000));
        std::filesystem::remove(dir_.File("in.raw"));
        doc_.Transmitting = 1;
        // The pass ends at its next block (milliseconds with these devices).
        std::this_thread::sleep_for(std::chrono::seconds(1));
        doc_.Transmitting = 0;
        ASSERT_TRUE(WaitUntil([&] { return !rx.IsRunning(); }, 20.0));
        EXPECT_EQ(prompter.Texts(), (Texts{kQuestion, kNoDevice}));

        ASSERT_TRUE(ScratchDir::Write(dir_.File("in.raw"), std::string(4096, '\x01')));
        rx.Start();
        EXPECT_TRUE(RealTime().WaitFor(doc_.DataReadyEvent, 20000)) << "running again";
        rx.Stop();
    });
}

// The capture here is paced by the test, one block at a time through a pipe; a pause in the
// blocks lets the playback run dry.
TEST_F(ReceiveFaultTest, APlaybackThatCannotBeReopenedIsReportedWithoutAQuestion) {
    test::RunForked([&] {
        const std::string fifo = dir_.File("in.fifo");
        const std::string paced = AlsaTestConfig::FilePcm("/dev/null", fifo);
        UseDevice(paced, Playback());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const int feed = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(feed, 0);
        const std::string block(4096, '\x02');
        test::RecordingPrompter prompter;
        ReceiveProcessor rx(doc_, prompter, RealTime());
        rx.Start();
        for (int b = 0; b < 2; ++b) {
            ASSERT_EQ(write(feed, block.data(), block.size()), 4096);
            ASSERT_TRUE(RealTime().WaitFor(doc_.DataReadyEvent, 20000));
        }
        Define(paced, Missing());
        std::this_thread::sleep_for(std::chrono::seconds(1));
        ASSERT_EQ(write(feed, block.data(), block.size()), 4096);
        EXPECT_TRUE(WaitUntil([&] { return !prompter.Texts().empty(); }, 20.0));
        // The capture waits in the pipe for more; its end lets the worker finish.
        close(feed);
        ASSERT_TRUE(WaitUntil([&] { return !rx.IsRunning(); }, 20.0));
        EXPECT_EQ(prompter.Texts(), Texts{kNoDevice});
        rx.Stop();
    });
}

// The window stops the worker when it raises Transmitting; a worker that sees the flag
// without a Stop waits, without opening the device again and again, until it drops.
TEST_F(ReceiveFaultTest, WhileTransmittingTheWorkerWaitsWithoutTouchingTheDevice) {
    test::RunForked([&] {
        UseDevice(Missing(), Playback());
        doc_.Transmitting = 1;
        test::RecordingPrompter prompter;
        ReceiveProcessor rx(doc_, prompter, RealTime());
        rx.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(rx.IsRunning());
        EXPECT_EQ(prompter.Texts(), Texts{}) << "the missing device was not even tried";
        doc_.Transmitting = 0;
        ASSERT_TRUE(WaitUntil([&] { return !rx.IsRunning(); }, 20.0));
        EXPECT_EQ(prompter.Texts(), (Texts{kQuestion, kNoDevice}));
    });
}

// Stop never waits for the operator: neither the devices' question nor the worker's own
// message holds it up.
TEST_F(ReceiveFaultTest, StopClosesAnyBoxTheWorkerWaitsOn) {
    for (const bool captureMissing : {true, false}) {
        test::RunForked([&] {
            UseDevice(captureMissing ? Missing() : Capture(), Missing());
            UnansweredPrompter prompter;
            ReceiveProcessor rx(doc_, prompter, RealTime());
            rx.Start();
            ASSERT_TRUE(WaitUntil([&] { return prompter.asked.load() > 0; }, 20.0));
            const Clock::time_point stopAt = Clock::now();
            rx.Stop();
            EXPECT_LT(Seconds(Clock::now() - stopAt), 5.0);
            EXPECT_FALSE(rx.IsRunning());
            EXPECT_EQ(prompter.uncancellable.load(), 0);
            EXPECT_EQ(prompter.Texts_(), Texts{captureMissing ? kQuestion : kNoDevice})
                << "nothing more is shown once the stop has come";
        });
    }
}

}  // namespace
}  // namespace tarnwick
