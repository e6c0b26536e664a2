#include <gtest/gtest.h>

#include "ports/InhibitArmed.h"
#include "ports/PortSettings.h"
#include "ports/SerialKeyingDevice.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingNoticeSink.h"

namespace tarnwick {
namespace {

using test::FakeKeyingHardware;
using Lines = std::vector<std::string>;

constexpr const char* kPath = "/dev/ttyS0";

class SerialKeyingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        InhibitArmed = 0;
        lines = hardware.OpenSerial(kPath).lines;
        hardware.LogRecord().Clear();
    }

    // The line changes since the last call.
    Lines Take() {
        Lines out = hardware.Log();
        hardware.LogRecord().Clear();
        return out;
    }

    FakeKeyingHardware hardware;
    test::RecordingNoticeSink view;
    std::shared_ptr<SerialLines> lines;
};

TEST_F(SerialKeyingDeviceTest, OutputValuesDriveTheirLinesWithDtrFirst) {
    struct Case {
        int value;
        Lines raise;
        Lines drop;
    };
    const Case cases[] = {
        {kSerialRts, {"/dev/ttyS0 rts on"}, {"/dev/ttyS0 rts off"}},
        {kSerialDtr, {"/dev/ttyS0 dtr on"}, {"/dev/ttyS0 dtr off"}},
        {kSerialBoth,
         {"/dev/ttyS0 dtr on", "/dev/ttyS0 rts on"},
         {"/dev/ttyS0 dtr off", "/dev/ttyS0 rts off"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        SerialKeyingDevice device(lines, c.value, view);
        EXPECT_EQ(Take(), c.drop) << "construction drops the lines";
        device.PttOn();
        EXPECT_EQ(Take(), c.raise);
        device.PttOff();
        EXPECT_EQ(Take(), c.drop);
        device.KeyDown();
        EXPECT_EQ(Take(), c.raise);
        device.KeyUp();
        EXPECT_EQ(Take(), c.drop);
        device.SendChar('E', 20);
        device.SendText("TEST", 20, 1);
        EXPECT_EQ(Take(), Lines{});
    }
    EXPECT_TRUE(view.Notices().empty());
}

TEST_F(SerialKeyingDeviceTest, PttOffWithoutPttOnOnlyClearsTheLinesAgain) {
    SerialKeyingDevice device(lines, kSerialBoth, view);
    Take();
    device.PttOff();
    EXPECT_EQ(Take(), (Lines{"/dev/ttyS0 dtr off", "/dev/ttyS0 rts off"}));
    EXPECT_EQ(InhibitArmed.load(), 0);
}

TEST_F(SerialKeyingDeviceTest, OutputDevicesDisarmAndPttOnArmsUntilTheNextOutputDevice) {
    InhibitArmed = 1;
    SerialKeyingDevice ptt(lines, kSerialRts, view);
    EXPECT_EQ(InhibitArmed.load(), 0);
    ptt.PttOn();
    EXPECT_EQ(InhibitArmed.load(), 1);
    ptt.PttOff();
    EXPECT_EQ(InhibitArmed.load(), 1) << "a pause keeps the inhibit armed";
    SerialKeyingDevice next(lines, kSerialDtr, view);
    EXPECT_EQ(InhibitArmed.load(), 0);
}

TEST_F(SerialKeyingDeviceTest, InputDevicesNeitherDisarmNorMoveALine) {
    InhibitArmed = 1;
    SerialKeyingDevice inhibit(lines, kSerialCts, view);
    EXPECT_EQ(InhibitArmed.load(), 1);
    inhibit.PttOn();
    inhibit.PttOff();
    inhibit.KeyDown();
    inhibit.KeyUp();
    EXPECT_EQ(Take(), Lines{});
    EXPECT_TRUE(inhibit.IsWatching());
}

}  // namespace
}  // namespace tarnwick
