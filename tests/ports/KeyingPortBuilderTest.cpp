#include <gtest/gtest.h>

#include "PortsTestSupport.h"
#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "ports/InhibitArmed.h"
#include "ports/KeyingPortBuilder.h"
#include "ports/ParallelPort.h"
#include "ports/PortSettings.h"
#include "ports/SerialLines.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingKeyingDevice.h"
#include "support/RecordingNoticeSink.h"
#include "support/RecordingPrompter.h"

namespace tarnwick {
namespace {

using Log = std::vector<std::string>;
using test::InhibitNotices;
using test::WaitUntil;

constexpr int kPatienceMs = 10'000;

class KeyingPortBuilderTest : public ::testing::Test {
protected:
    void SetUp() override { InhibitArmed = 0; }
    void TearDown() override { InhibitArmed = 0; }

    std::unique_ptr<KeyingPortManager> Build(const RigDeviceFactory& rigDevice = nullptr,
                                             ParallelPort* parallel = nullptr) {
        return BuildKeyingPortManager(doc, view, prompter, time, hardware, rigDevice, parallel);
    }

    // The rig-control link's devices, recording into rigLog.
    RigDeviceFactory RigDevices() {
        return [this] { return std::make_unique<test::RecordingKeyingDevice>(rigLog, "rig "); };
    }

    void Cell(int row, int column, int value) { doc.PortMatrix[row][column] = value; }

    Log Take() {
        Log out = hardware.Log();
        hardware.LogRecord().Clear();
        return out;
    }

    CTarnwickDoc doc;
    test::RecordingNoticeSink view;
    test::RecordingPrompter prompter;
    VirtualTimeBase time;
    test::FakeKeyingHardware hardware;
    std::shared_ptr<test::DeviceLog> rigLog = std::make_shared<test::DeviceLog>(time);
};

TEST_F(KeyingPortBuilderTest, PttAndCwOnOneLineShareOnePortClosedAfterPttDrops) {
    doc.ComPort = {1, 0, 0};
    Cell(0, kPttColumn, kSerialRts);
    Cell(0, kCwColumn, kSerialDtr);
    auto manager = Build();
    EXPECT_EQ(Take(), (Log{"open /dev/ttyS0", "/dev/ttyS0 rts off", "/dev/ttyS0 dtr off"}));
    manager->PttOn();
    manager->KeyDown();
    manager->KeyUp();
    manager.reset();
    EXPECT_EQ(Take(), (Log{"/dev/ttyS0 rts on", "/dev/ttyS0 dtr on", "/dev/ttyS0 dtr off",
                           "/dev/ttyS0 rts off", "/dev/ttyS0 close"}));
    EXPECT_EQ(hardware.SerialOpenCount("/dev/ttyS0"), 1);
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(KeyingPortBuilderTest, PortsThatDoNotOpenAreNamedWithTheirDeviceEveryMessage) {
    doc.ComPort = {3, 7, 1};
    hardware.FailSerial("/dev/ttyS2", SerialOpenError::NotAvailable);
    hardware.FailSerial("/dev/ttyUSB2", SerialOpenError::CannotOpen);
    Cell(0, kPttColumn, kSerialRts);
    Cell(2, kCwColumn, kSerialDtr);
    for (int message = 0; message < 2; ++message) {
        auto manager = Build();
        manager->PttOn();
        manager->KeyDown();
    }
    const std::string absent = "ERROR: Port COM3 is not available. (/dev/ttyS2)";
    const std::string refused = "ERROR: Cannot open port COM7. (/dev/ttyUSB2)";
    EXPECT_EQ(prompter.Texts(), (Log{absent, refused, absent, refused}));
    // The message still goes out on the line that opened.
    EXPECT_EQ(hardware.LogRecord().EntriesStartingWith("/dev/ttyS0 dtr on").size(), 2u);
    EXPECT_TRUE(hardware.LogRecord().EntriesStartingWith("/dev/ttyS2 ").empty());
}

TEST_F(KeyingPortBuilderTest, OpenFailureMessages) {
    EXPECT_EQ(SerialOpenMessage(3, "/dev/ttyS2", SerialOpenError::NotAvailable),
              "ERROR: Port COM3 is not available. (/dev/ttyS2)");
    EXPECT_EQ(SerialOpenMessage(8, "", SerialOpenError::CannotOpen),
              "ERROR: Cannot open port COM8.");
}

TEST_F(KeyingPortBuilderTest, ComNumbersMapToTheirStoredDevices) {
    doc.ComDevice[4] = "/dev/ttyACM0";
    doc.ComPort = {5, 8, 0};
    auto manager = Build();
    EXPECT_EQ(Take(), (Log{"open /dev/ttyACM0", "open /dev/ttyUSB3"}));
}

TEST_F(KeyingPortBuilderTest, ComNumbersOutsideOneToEightAreNoPort) {
    doc.ComPort = {9, -1, 0};
    Cell(0, kPttColumn, kSerialRts);
    Cell(1, kCwColumn, kSerialRts);
    auto manager = Build();
    manager->PttOn();
    manager->KeyDown();
    manager.reset();
    EXPECT_EQ(Take(), Log{});
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(KeyingPortBuilderTest, OneComNumberOnTwoLinesIsOpenedOnce) {
    doc.ComPort = {2, 0, 2};
    Cell(0, kPttColumn, kSerialRts);
    Cell(2, kCwColumn, kSerialDtr);
    auto manager = Build();
    manager->PttOn();
    manager->KeyDown();
    EXPECT_EQ(hardware.SerialOpenCount("/dev/ttyS1"), 1);
    EXPECT_TRUE(prompter.Texts().empty());
    auto port = hardware.OpenPort("/dev/ttyS1");
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->Rts());
    EXPECT_TRUE(port->Dtr());
}

TEST_F(KeyingPortBuilderTest, RigLinkThenLinesInOrderThenParallelPortWin) {
    ParallelPort parallel(hardware, 0x378, false);
    doc.ComPort = {1, 2, 3};
    Cell(kTrxRow, kPttColumn, 1);
    Cell(0, kPttColumn, kSerialRts);
    Cell(kParallelRow, kPttColumn, 1);
    Cell(1, kCwColumn, kSerialDtr);
    Cell(2, kCwColumn, kSerialRts);
    Cell(kParallelRow, kCwColumn, 1);
    Take();

    auto manager = Build(RigDevices(), &parallel);
    manager->PttOn();
    manager->KeyDown();
    manager.reset();
    EXPECT_EQ(Take(), (Log{"open /dev/ttyS0", "open /dev/ttyS1", "open /dev/ttyS2",
                           "/dev/ttyS1 dtr off", "/dev/ttyS1 dtr on", "/dev/ttyS0 close",
                           "/dev/ttyS1 close", "/dev/ttyS2 close"}));
    EXPECT_EQ(rigLog->What(), (Log{"rig ptt on", "rig ptt off"}));

    // Without the link, line 1 carries PTT; line 2 still has CW before the parallel port.
    manager = Build(nullptr, &parallel);
    manager->PttOn();
    EXPECT_EQ(hardware.LogRecord().EntriesStartingWith("/dev/ttyS0 rts on").size(), 1u);
    EXPECT_TRUE(hardware.LogRecord().EntriesStartingWith("out ").empty());
}

TEST_F(KeyingPortBuilderTest, ParallelCellsNeedAReachablePort) {
    Cell(kParallelRow, kPttColumn, 1);
    Cell(kParallelRow, kCwColumn, 1);
    {
        ParallelPort parallel(hardware, 0x378, false);
        Take();
        auto manager = Build(nullptr, &parallel);
        manager->PttOn();
        manager->KeyDown();
        manager->KeyUp();
        manager.reset();
        EXPECT_EQ(Take(),
                  (Log{"out 0x37a 0x2c", "out 0x37a 0x24", "out 0x37a 0x2c", "out 0x37a 0x28"}));
    }
    hardware.FailParallel("no way to reach it");
    ParallelPort unreachable(hardware, 0x378, false);
    Take();
    auto manager = Build(nullptr, &unreachable);
    manager->PttOn();
    manager->KeyDown();
    manager = Build();
    manager->PttOn();
    EXPECT_EQ(Take(), Log{});
}

TEST_F(KeyingPortBuilderTest, ALaterLineTakesOverTheInhibit) {
    doc.ComPort = {1, 0, 3};
    Cell(0, kInhibitColumn, kSerialCts);
    Cell(2, kInhibitColumn, kSerialDsr);
    auto& replaced = hardware.SerialInputs("/dev/ttyS0");
    auto& kept = hardware.SerialInputs("/dev/ttyS2");
    auto manager = Build();
    // The replaced watcher may have polled before it was replaced, and one poll under way may
    // still land; a watcher left running would go on polling as often as the kept one.
    const int replacedAtBuild = replaced.statusReads.load();
    const int keptAtBuild = kept.statusReads.load();
    ASSERT_TRUE(WaitUntil([&] { return kept.statusReads.load() >= keptAtBuild + 5; }, kPatienceMs));
    EXPECT_LE(replaced.statusReads.load() - replacedAtBuild, 1);
}

TEST_F(KeyingPortBuilderTest, CellValuesTheirColumnDoesNotOfferCountAsUnset) {
    doc.ComPort = {1, 2, 0};
    Cell(0, kPttColumn, kSerialCts);  // would watch CTS instead of keying PTT
    Cell(0, kInhibitColumn, kSerialRts);
    Cell(1, kPttColumn, kSerialDtr);
    Cell(1, kInhibitColumn, kSerialDsr);
    auto& first = hardware.SerialInputs("/dev/ttyS0");
    auto& second = hardware.SerialInputs("/dev/ttyS1");
    auto manager = Build();
    manager->PttOn();
    EXPECT_EQ(hardware.LogRecord().EntriesStartingWith("/dev/ttyS1 dtr on").size(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return second.statusReads.load() >= 2; }, kPatienceMs));
    EXPECT_EQ(first.statusReads.load(), 0);
}

// PTT through the rig-control program still arms an inhibit input on a serial port, even
// when a serial output device was built after PTT was last raised.
TEST_F(KeyingPortBuilderTest, InhibitStopsAMessageWhosePttGoesToTheRigControlProgram) {
    doc.ComPort = {1, 0, 0};
    Cell(kTrxRow, kPttColumn, 1);
    Cell(0, kCwColumn, kSerialRts);
    Cell(0, kInhibitColumn, kSerialCts);
    hardware.SerialInputs("/dev/ttyS0").status = kModemCtsOn;
    InhibitArmed = 1;
    auto manager = Build(RigDevices());
    EXPECT_EQ(InhibitArmed.load(), 0);
    manager->PttOn();
    EXPECT_TRUE(WaitUntil([&] { return InhibitNotices(view) == 1; }, kPatienceMs));
}

}  // namespace
}  // namespace tarnwick
