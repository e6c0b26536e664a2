#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PortsTestSupport.h"
#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "ports/InhibitArmed.h"
#include "ports/KeyingPortBuilder.h"
#include "ports/ParallelPort.h"
#include "ports/PortSettings.h"
#include "ports/SerialLines.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingNoticeSink.h"
#include "support/RecordingPrompter.h"

namespace tarnwick {
namespace {

// Managers are built and torn down one after the other while their watchers poll, fire and end
// themselves at the same moment as the destruction: the hand-over must neither leak a thread,
// touch a freed device, nor deadlock.
TEST(KeyingStressTest, ManagersWithWatchersComeAndGo) {
    constexpr int kMessages = 60;
    CTarnwickDoc doc;
    doc.ComPort = {1, 2, 0};
    doc.PortMatrix[0][kPttColumn] = kSerialRts;
    doc.PortMatrix[0][kCwColumn] = kSerialDtr;
    test::RecordingNoticeSink view;
    test::RecordingPrompter prompter;
    VirtualTimeBase time;
    test::FakeKeyingHardware hardware;
    ParallelPort parallel(hardware, 0x378, false);
    hardware.SerialInputs("/dev/ttyS1").status = kModemCtsOn;
    hardware.Parallel().status = kStatusInhibit;

    std::thread twoRadio([&] {
        for (int i = 0; i < kMessages * 4; ++i) {
            parallel.SetTwoRadio(i % 2 == 0);
            std::this_thread::yield();
        }
    });
    int firedTwice = 0;
    for (int message = 0; message < kMessages; ++message) {
        const int before = test::InhibitNotices(view);
        // Alternate the inhibit between a serial line and the parallel port.
        const bool serial = message % 2 == 0;
        doc.PortMatrix[1][kInhibitColumn] = serial ? kSerialCts : 0;
        doc.PortMatrix[kParallelRow][kInhibitColumn] = serial ? 0 : 1;
        auto manager =
            BuildKeyingPortManager(doc, view, prompter, time, hardware, nullptr, &parallel);
        manager->PttOn();  // the watcher may fire from now on, racing the destruction below
        if (message % 3 == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(50 * message));
        }
        manager->KeyDown();
        manager->KeyUp();
        manager.reset();
        // Once the manager is gone its watcher has posted all it ever will.
        firedTwice += test::InhibitNotices(view) - before > 1 ? 1 : 0;
    }
    twoRadio.join();
    InhibitArmed = 0;

    EXPECT_EQ(firedTwice, 0);
    // The ports are closed and the parallel port has PTT off, key up.
    EXPECT_FALSE(hardware.OpenPort("/dev/ttyS0"));
    EXPECT_FALSE(hardware.OpenPort("/dev/ttyS1"));
    EXPECT_EQ(parallel.Shadow() & (kControlPtt | kControlKeyUp), kControlKeyUp);
    EXPECT_TRUE(prompter.Texts().empty());
}

}  // namespace
}  // namespace tarnwick
