#include <gtest/gtest.h>

#include "model/CTarnwickDoc.h"
#include "ports/PortSettings.h"

namespace tarnwick {
namespace {

constexpr const char* kDuplicate = "Error: Please enter a different COM port number on each line.";
constexpr const char* kTwoPtt = "Error: You cannot send the PTT signal to more than one device.";
constexpr const char* kTwoCw = "Error: You cannot send the CW signal to more than one device.";
constexpr const char* kTwoInhibit =
    "Error: You cannot use more than one port for transmit interrupt.";
constexpr const char* kSamePin = "Error: You cannot use the same pin for both CW and PTT.";
constexpr const char* kBothForPtt =
    "Error: You cannot use bothpins for PTT and one of them for CW.";
constexpr const char* kBothForCw = "Error: You cannot use bothpins for CW and one of them for PTT.";

PortSettings WithCom(int a, int b, int c) {
    CTarnwickDoc doc;
    doc.SetDefaults();
    PortSettings s = PortSettingsFromDocument(doc);
    s.comPort = {a, b, c};
    s.matrix = {};
    return s;
}

std::string Check(const PortSettings& s) {
    return ValidatePortSettings(s).value_or("ok");
}

TEST(PortSettingsValidation, ComNumbersMustDifferUnlessZero) {
    EXPECT_EQ(Check(WithCom(0, 0, 0)), "ok");
    EXPECT_EQ(Check(WithCom(1, 2, 3)), "ok");
    EXPECT_EQ(Check(WithCom(2, 0, 2)), kDuplicate);
    EXPECT_EQ(Check(WithCom(2, 2, 0)), kDuplicate);
    EXPECT_EQ(Check(WithCom(0, 4, 4)), kDuplicate);
    EXPECT_EQ(Check(WithCom(9, 0, 0)), kComNumberRangeMessage);
    EXPECT_EQ(Check(WithCom(0, -1, 0)), kComNumberRangeMessage);
    // The field check comes before the rules.
    EXPECT_EQ(Check(WithCom(9, 9, 0)), kComNumberRangeMessage);
}

TEST(PortSettingsValidation, EachFunctionOnOneSourceOnly) {
    PortSettings s = WithCom(1, 2, 0);
    s.matrix[0][kPttColumn] = kSerialRts;
    s.matrix[kParallelRow][kPttColumn] = 1;
    EXPECT_EQ(Check(s), kTwoPtt);

    s = WithCom(1, 2, 0);
    s.matrix[0][kCwColumn] = kSerialRts;
    s.matrix[1][kCwColumn] = kSerialDtr;
    EXPECT_EQ(Check(s), kTwoCw);

    s = WithCom(1, 2, 0);
    s.matrix[1][kInhibitColumn] = kSerialCts;
    s.matrix[kParallelRow][kInhibitColumn] = 1;
    EXPECT_EQ(Check(s), kTwoInhibit);

    // The rig-control program takes part in no rule.
    s = WithCom(1, 0, 0);
    s.matrix[0][kPttColumn] = kSerialRts;
    s.matrix[0][kCwColumn] = kSerialDtr;
    s.matrix[kTrxRow][kPttColumn] = 1;
    s.matrix[kTrxRow][kCwColumn] = 1;
    EXPECT_EQ(Check(s), "ok");
}

TEST(PortSettingsValidation, RulesAreCheckedInOrder) {
    PortSettings s = WithCom(3, 3, 0);
    s.matrix[0][kPttColumn] = kSerialRts;
    s.matrix[1][kPttColumn] = kSerialRts;
    s.matrix[0][kCwColumn] = kSerialRts;
    s.matrix[1][kCwColumn] = kSerialRts;
    EXPECT_EQ(Check(s), kDuplicate);
    s.comPort = {3, 4, 0};
    EXPECT_EQ(Check(s), kTwoPtt);
    s.matrix[1][kPttColumn] = 0;
    EXPECT_EQ(Check(s), kTwoCw);
    s.matrix[1][kCwColumn] = 0;
    EXPECT_EQ(Check(s), kSamePin);
}

TEST(PortSettingsValidation, PinsOfOneSerialLine) {
    struct Case {
        int ptt;
        int cw;
        const char* expected;
    };
    const Case cases[] = {
        {kSerialRts, kSerialDtr, "ok"},
        {kSerialDtr, kSerialRts, "ok"},
        {kSerialRts, kSerialRts, kSamePin},
        {kSerialBoth, kSerialBoth, kSamePin},
        {kSerialBoth, kSerialRts, kBothForPtt},
        {kSerialBoth, kSerialDtr, kBothForPtt},
        {kSerialRts, kSerialBoth, kBothForCw},
        {kSerialBoth, 0, "ok"},
        // A CW cell on a line without PTT is compared with nothing.
        {0, kSerialBoth, "ok"},
    };
    for (const Case& c : cases) {
        for (int line = 0; line < kSerialLines; ++line) {
            PortSettings s = WithCom(1, 2, 3);
            s.matrix[line][kPttColumn] = c.ptt;
            s.matrix[line][kCwColumn] = c.cw;
            EXPECT_EQ(Check(s), c.expected)
                << "line " << line << " ptt " << c.ptt << " cw " << c.cw;
        }
    }
}

TEST(PortSettingsValidation, ComNumberField) {
    EXPECT_EQ(ParseComNumber("0"), 0);
    EXPECT_EQ(ParseComNumber(" 8 "), 8);
    EXPECT_EQ(ParseComNumber("+3"), 3);
    EXPECT_EQ(ParseComNumber("-0"), 0);
    for (const char* bad : {"", " ", "9", "-1", "3a", "1.5", "0x3", "99999999999999999999"}) {
        EXPECT_FALSE(ParseComNumber(bad).has_value()) << bad;
    }
}

TEST(PortSettingsLists, SerialInhibitIsStoredAsPositionPlusThree) {
    EXPECT_EQ(StoredFromListPosition(1, kInhibitColumn, 1), kSerialCts);
    EXPECT_EQ(StoredFromListPosition(1, kInhibitColumn, 2), kSerialDsr);
    EXPECT_EQ(StoredFromListPosition(1, kInhibitColumn, 0), 0);
    EXPECT_EQ(ListPositionFromStored(1, kInhibitColumn, kSerialCts), 1);
    EXPECT_EQ(ListPositionFromStored(1, kInhibitColumn, kSerialDsr), 2);
    EXPECT_EQ(ListPositionFromStored(1, kInhibitColumn, 0), 0);
    // Other cells store the position itself.
    EXPECT_EQ(StoredFromListPosition(0, kPttColumn, 3), kSerialBoth);
    EXPECT_EQ(ListPositionFromStored(kParallelRow, kCwColumn, 1), 1);
}

TEST(PortSettingsLists, HandEditedValuesShowAsFirstEntry) {
    EXPECT_EQ(ListPositionFromStored(0, kInhibitColumn, 2), 0);
    EXPECT_EQ(ListPositionFromStored(0, kInhibitColumn, 6), 0);
    EXPECT_EQ(ListPositionFromStored(0, kPttColumn, 4), 0);
    EXPECT_EQ(ListPositionFromStored(kParallelRow, kPttColumn, 2), 0);
    EXPECT_EQ(ListPositionFromStored(kTrxRow, kCwColumn, -1), 0);
}

TEST(PortSettingsLists, RoundTripKeepsTheRigControlInhibitCell) {
    PortMatrixCells stored{};
    stored[1][kInhibitColumn] = kSerialCts;
    stored[0][kPttColumn] = kSerialBoth;
    stored[kTrxRow][kInhibitColumn] = 7;
    const PortMatrixCells positions = ListPositionsFromMatrix(stored);
    EXPECT_EQ(positions[1][kInhibitColumn], 1);
    EXPECT_EQ(positions[0][kPttColumn], 3);

    PortMatrixCells back{};
    back[kTrxRow][kInhibitColumn] = 7;
    StoreListPositions(positions, back);
    EXPECT_EQ(back, stored);
}

TEST(PortSettingsLists, ListSizes) {
    EXPECT_EQ(ListSize(0, kPttColumn), 4);
    EXPECT_EQ(ListSize(2, kInhibitColumn), 3);
    EXPECT_EQ(ListSize(kParallelRow, kInhibitColumn), 2);
    EXPECT_EQ(ListSize(kTrxRow, kCwColumn), 2);
    EXPECT_EQ(ListSize(kTrxRow, kInhibitColumn), 0);
}

TEST(PortSettingsValidation, EachComNumberInUseNamesItsOwnDevice) {
    PortSettings s = WithCom(1, 5, 0);
    s.comDevice[4] = "  ";
    EXPECT_EQ(Check(s), "Error: Please enter the device of COM5.");
    s.comDevice[4] = " /dev/ttyS0 ";  // COM1's device, blanks aside
    EXPECT_EQ(Check(s), "Error: COM1 and COM5 name the same device.");
    // Numbers not in use are never looked at, and a shared number shares its port.
    s.comDevice[4] = "/dev/ttyUSB0";
    s.comDevice[2] = "";
    EXPECT_EQ(Check(s), "ok");
    // The matrix rules come first.
    s.comPort = {1, 1, 0};
    EXPECT_EQ(Check(s), kDuplicate);
}

TEST(PortSettingsApply, WritesEverythingAndReportsAnAddressChange) {
    CTarnwickDoc doc;
    doc.SetDefaults();
    PortSettings s = PortSettingsFromDocument(doc);
    s.comPort = {2, 0, 0};
    s.comDevice[1] = " /dev/serial/by-id/usb-keyer ";
    s.matrix[0][kPttColumn] = kSerialDtr;
    s.matrix[kTrxRow][kInhibitColumn] = 7;
    EXPECT_FALSE(ApplyPortSettings(s, doc));
    EXPECT_EQ(doc.ComPort[0], 2);
    EXPECT_EQ(doc.ComDevice[1], "/dev/serial/by-id/usb-keyer");
    EXPECT_EQ(doc.PortMatrix[0][kPttColumn], kSerialDtr);
    EXPECT_EQ(doc.PortMatrix[kTrxRow][kInhibitColumn], 7);

    s.lptAddressText = "378";
    EXPECT_TRUE(ApplyPortSettings(s, doc));
    EXPECT_EQ(doc.LptPort[0], "378");
    EXPECT_EQ(doc.LptAddress, 0x378);
    // A text that does not parse is kept as typed and leaves the address.
    s.lptAddressText = "zz";
    EXPECT_TRUE(ApplyPortSettings(s, doc));
    EXPECT_EQ(doc.LptAddress, 0x378);
    EXPECT_FALSE(ApplyPortSettings(s, doc));
}

}  // namespace
}  // namespace tarnwick
