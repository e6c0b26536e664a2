#include <gtest/gtest.h>

#include <string>

#include "keyer/SettingEditor.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsSchema.h"

namespace tarnwick {
namespace {

using Result = SettingChange::Result;

class SettingEditorTest : public ::testing::Test {
protected:
    SettingEditorTest() { doc_.OnNewDocument(); }

    // The message of a refused change, or "" when it was taken.
    std::string Refusal(const std::string& name, const std::string& value) {
        const SettingChange change = ChangeSetting(doc_, name, value);
        EXPECT_NE(change.result, Result::Unknown) << name;
        return change.result == Result::Refused ? change.message : std::string();
    }

    CTarnwickDoc doc_;
};

TEST_F(SettingEditorTest, PortValuesFollowThePortSettingsRules) {
    EXPECT_EQ(Refusal("ComPort1", "9"), kComNumberRangeMessage);
    EXPECT_EQ(Refusal("PortMatrix[0][0]", "7"),
              "Please enter 0 (None), 1 (RTS), 2 (DTR) or 3 (Both).");
    EXPECT_EQ(Refusal("PortMatrix[1][2]", "1"), "Please enter 0 (None), 4 (CTS) or 5 (DSR).");
    EXPECT_EQ(Refusal("PortMatrix[0][0]", "1"), "");
    EXPECT_EQ(Refusal("PortMatrix[0][1]", "1"),
              "Error: You cannot use the same pin for both CW and PTT.");
    EXPECT_EQ(Refusal("PortMatrix[3][0]", "1"),
              "Error: You cannot send the PTT signal to more than one device.");
    EXPECT_EQ(Refusal("PortMatrix[4][0]", "1"), "");  // the rig link takes part in no rule
    EXPECT_EQ(Refusal("ComPort1", "3"), "");
    EXPECT_EQ(Refusal("ComPort3", "3"),
              "Error: Please enter a different COM port number on each line.");
    EXPECT_EQ(doc_.PortMatrix[0][1], 0);
    EXPECT_EQ(doc_.ComPort[2], 0);

    // A hand-edited file that breaks a rule can be repaired one value at a time.
    doc_.PortMatrix[0][1] = 1;
    EXPECT_EQ(Refusal("PortMatrix[1][2]", "4"), "");
    EXPECT_EQ(Refusal("PortMatrix[0][1]", "2"), "");

    EXPECT_EQ(Refusal("LptPort1", "LPT1"),
              "Please enter the base address in hexadecimal, from 0 to FFFF.");
    EXPECT_EQ(Refusal("LptPort1", "3bc"), "");
    EXPECT_EQ(doc_.LptAddress, 0x3BC);
    EXPECT_EQ(Refusal("TrxPort", "0"), "Please enter an integer between 1 and 65535.");
}

TEST_F(SettingEditorTest, ValuesAreCheckedAsTheWindowsCheckThem) {
    EXPECT_EQ(Refusal("CWRate", "0"), "Tarnwick does not support less than 1 WPM CW");
    EXPECT_EQ(Refusal("CWRate", "75"), "Tarnwick does not support greater than 50 WPM CW");
    EXPECT_EQ(Refusal("CWRate", "25wpm"), "Please enter an integer.");
    EXPECT_EQ(Refusal("FilterFreq", "200"),
              "You must enter a filter center frequency between 200 and 2756");
    EXPECT_EQ(Refusal("MyGrid", "JO01abc"), "Please enter no more than 6 characters.");
    EXPECT_EQ(Refusal("TXDelay", "-0.5"), "");  // the settings window takes any number
    EXPECT_EQ(doc_.TXDelay, -0.5);
    EXPECT_EQ(Refusal("TXDelay", "nan"), "Please enter a number.");

    const SettingChange renamed = ChangeSetting(doc_, "mycall", "DL1XYZ");
    EXPECT_EQ(renamed.result, Result::Changed);
    EXPECT_EQ(renamed.name, "MyCall");
    EXPECT_EQ(doc_.MyCall, "DL1XYZ");
    EXPECT_EQ(ChangeSetting(doc_, "Message04-00", "CQ").result, Result::Unknown);
}

TEST_F(SettingEditorTest, GroupCountsResizeTheListAndPositionsStayInTheirMode) {
    EXPECT_EQ(Refusal("NCWTitles", "3"), "");
    ASSERT_EQ(doc_.Groups.size(), 5u);
    EXPECT_EQ(doc_.Groups[4]->Title, "");
    EXPECT_EQ(Refusal("NPhTitles", "99"), "The group list holds at most 101 groups.");
    EXPECT_EQ(Refusal("ActivCWSeqStr", "3"),
              "Please enter the list position of a CW group, from 0 to 2.");
    EXPECT_EQ(Refusal("ActivPhSeqStr", "3"), "");
    EXPECT_EQ(doc_.ActivPhSeqStr, 3);
}

}  // namespace
}  // namespace tarnwick
