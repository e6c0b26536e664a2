#include <gtest/gtest.h>

#include "keyer/GeneratedMessages.h"
#include "model/CTarnwickDoc.h"

namespace tarnwick {
namespace {

class GeneratedMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(doc.OnNewDocument());
        doc.MyCall = "M";
        doc.Report = "O";
        doc.MyGrid = "JO62QM";
    }

    CTarnwickDoc doc;
};

TEST_F(GeneratedMessagesTest, TheDefaultGroupOfModeAndPeriodFillsTheBuffersAndItsBox) {
    doc.HisCall = "STORED";  // the call box is what counts, not the stored call
    const auto eme = GenerateStandardMessages(doc, "T");
    ASSERT_TRUE(eme);
    EXPECT_EQ(eme->buffers[0], "{T DE M}[R:120]");
    EXPECT_EQ(eme->buffers[1], "{T DE M}[R:90]{O}[R:30]");
    EXPECT_EQ(eme->buffers[6], "{CQ DE M M M}[R:120]");
    EXPECT_EQ(eme->number, "120");
    EXPECT_EQ(eme->box, NumberBox::SequenceDuration);

    doc.Contest = 0;
    const auto contest = GenerateStandardMessages(doc, "T");
    ASSERT_TRUE(contest);
    EXPECT_EQ(contest->buffers[0], "CQ TEST CQ TEST DE M M M K [P:10]");
    EXPECT_EQ(contest->buffers[2], "T DE M UR O / O =");
    EXPECT_EQ(contest->number, "15");
    EXPECT_EQ(contest->box, NumberBox::AutoPause);

    doc.Mode = 1;
    doc.Contest = 1;
    const auto phone = GenerateStandardMessages(doc, "T");
    ASSERT_TRUE(phone);
    EXPECT_EQ(phone->buffers[0], "{{MSvoiceCQ.wav}[I]}[R:30]");
    EXPECT_EQ(phone->buffers[3], "") << "an empty message gives an empty buffer";
    EXPECT_EQ(phone->number, "30");
}

TEST_F(GeneratedMessagesTest, EveryMacroTakesTheCurrentStationDataAndTheNumberIsNotChecked) {
    MessageGroup& group = *doc.Groups[static_cast<size_t>(doc.ActiveGroupPosition())];
    group.Messages[4] = "%M %R %S %G %T";
    group.DurNumber = 0;
    doc.MyCall = "K1ABC";
    doc.Report = "559";
    const auto out = GenerateStandardMessages(doc, "DL0XX/P");
    ASSERT_TRUE(out);
    EXPECT_EQ(out->buffers[4], "K1ABC 559 JO62 JO62QM DL0XX/P");
    EXPECT_EQ(out->number, "0");
}

TEST(GeneratedMessagesWithoutGroupsTest, ADocumentNeverSetUpGivesNothing) {
    const CTarnwickDoc doc;
    EXPECT_FALSE(GenerateStandardMessages(doc, "T"));
}

}  // namespace
}  // namespace tarnwick
