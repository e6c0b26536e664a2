#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <thread>

#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "ports/InhibitArmed.h"
#include "ports/KeyingPortManager.h"
#include "ports/ParallelKeyingDevice.h"
#include "ports/ParallelPort.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingNoticeSink.h"

namespace tarnwick {
namespace {

using Log = std::vector<std::string>;

class ParallelPortTest : public ::testing::Test {
protected:
    void SetUp() override { InhibitArmed = 0; }

    test::FakeKeyingHardware hardware;
    test::RecordingNoticeSink view;
};

TEST_F(ParallelPortTest, WritesIdleValueAtBasePlusTwoAndParksOnDestruction) {
    {
        ParallelPort port(hardware, 0x378, false);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_TRUE(port.Problem().empty());
        EXPECT_FALSE(port.InhibitInput());
        hardware.Parallel().status = kStatusInhibit;
        EXPECT_TRUE(port.InhibitInput());
        EXPECT_EQ(hardware.Parallel().lastStatusPort.load(), 0x379);
    }
    EXPECT_EQ(hardware.Log(), (Log{"open parallel 0x378", "out 0x37a 0x28", "out 0x37a 0x09"}));
}

TEST_F(ParallelPortTest, ANewAddressParksTheOldPortAndStartsTheNew) {
    auto port = std::make_unique<ParallelPort>(hardware, 0x378, true);
    port.reset();
    port = std::make_unique<ParallelPort>(hardware, 0x278, true);
    EXPECT_EQ(hardware.Log(), (Log{"open parallel 0x378", "out 0x37a 0x2a", "out 0x37a 0x09",
                                   "open parallel 0x278", "out 0x27a 0x2a"}));
}

TEST_F(ParallelPortTest, AddressesAbove7FFFAreNotNegative) {
    ParallelPort port(hardware, static_cast<int16_t>(0xE800), false);
    EXPECT_EQ(port.Address(), 0xE800);
    EXPECT_EQ(hardware.Log().front(), "open parallel 0xe800");
}

TEST_F(ParallelPortTest, KeyingKeepsTheTwoRadioBit) {
    ParallelPort port(hardware, 0x378, true);
    ParallelKeyingDevice ptt(port, ParallelFunction::Ptt, view);
    ParallelKeyingDevice cw(port, ParallelFunction::Cw, view);
    ptt.PttOn();
    cw.KeyDown();
    cw.KeyUp();
    port.SetTwoRadio(false);
    cw.KeyDown();
    ptt.PttOff();
    port.SetTwoRadio(true);
    cw.KeyUp();
    // Devices leave the port as it is when they go.
    const size_t before = hardware.Parallel().Writes().size();
    ptt.SendText("TEST", 20, 1);
    ptt.SendChar('E', 20);
    EXPECT_EQ(hardware.Parallel().Writes().size(), before);
    EXPECT_EQ(hardware.Parallel().Writes(),
              (std::vector<uint16_t>{0x2A, 0x2E, 0x26, 0x2E, 0x2C, 0x24, 0x20, 0x22, 0x2A}));
}

TEST_F(ParallelPortTest, AMessageEndingInAPauseLeavesPttLow) {
    CTarnwickDoc doc;
    VirtualTimeBase time;
    ParallelPort port(hardware, 0x378, false);
    {
        KeyingPortManager::Devices devices;
        devices.ptt = std::make_unique<ParallelKeyingDevice>(port, ParallelFunction::Ptt, view);
        KeyingPortManager manager(doc, view, time, std::move(devices));
        manager.PttOn();
        manager.PttOff();  // the pause
    }
    const auto writes = hardware.Parallel().Writes();
    EXPECT_EQ(writes, (std::vector<uint16_t>{0x28, 0x2C, 0x28, 0x28}));
    EXPECT_EQ(port.Shadow() & kControlPtt, 0);
}

TEST_F(ParallelPortTest, AnUnreachablePortSaysWhyOnceAndWritesNothing) {
    hardware.FailParallel("no parallel port device has base address 378");
    {
        ParallelPort port(hardware, 0x378, false);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.Problem(),
                  "ERROR: Parallel port 378 is not available. (no parallel port device has base "
                  "address 378)");
        port.SetTwoRadio(true);
        port.SetControlBits(kControlPtt);
        EXPECT_FALSE(port.InhibitInput());
    }
    EXPECT_EQ(hardware.Log(), Log{"open parallel 0x378"});
}

// The operator toggles the two-radio switch while CW is keyed from another thread: no write may
// undo the other thread's bit.
TEST_F(ParallelPortTest, ConcurrentChangesNeverLoseABit) {
    constexpr int kToggles = 4000;
    constexpr int kKeyings = 4000;
    ParallelPort port(hardware, 0x378, false);
    ParallelKeyingDevice ptt(port, ParallelFunction::Ptt, view);
    ParallelKeyingDevice cw(port, ParallelFunction::Cw, view);
    ptt.PttOn();
    std::atomic<bool> go{false};
    std::thread toggler([&] {
        while (!go.load()) {
            std::this_thread::yield();
        }
        for (int i = 0; i < kToggles; ++i) {
            port.SetTwoRadio(i % 2 == 0);
        }
    });
    std::thread keyer([&] {
        while (!go.load()) {
            std::this_thread::yield();
        }
        for (int i = 0; i < kKeyings; ++i) {
            cw.KeyDown();
            cw.KeyUp();
        }
    });
    go = true;
    toggler.join();
    keyer.join();

    // The last toggle switched the two-radio line off; the key is up and PTT still on.
    EXPECT_EQ(port.Shadow(), kControlWorking | kControlKeyUp | kControlPtt);
    const auto writes = hardware.Parallel().Writes();
    ASSERT_EQ(writes.size(), 2u + kToggles + 2u * kKeyings);
    EXPECT_EQ(writes.back(), port.Shadow());
    int pttLost = 0;
    int jumps = 0;
    for (size_t i = 2; i < writes.size(); ++i) {
        pttLost += (writes[i] & kControlPtt) == 0 ? 1 : 0;
        // Every operation changes one bit; a lost update shows as two bits changing at once.
        jumps += std::popcount(static_cast<unsigned>(writes[i] ^ writes[i - 1])) > 1 ? 1 : 0;
    }
    EXPECT_EQ(pttLost, 0);
    EXPECT_EQ(jumps, 0);
}

}  // namespace
}  // namespace tarnwick
