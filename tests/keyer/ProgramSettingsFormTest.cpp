#include "keyer/ProgramSettingsForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "model/CTarnwickDoc.h"
#include "platform/ThreadPriority.h"

namespace tarnwick {
namespace {

using Form = ProgramSettingsForm;
using Changes = std::vector<std::pair<std::string, std::string>>;

// The text OK writes for `name`, or "none".
std::string Written(const Changes& changes, const std::string& name) {
    std::string text = "none";
    for (const auto& [n, t] : changes) {
        if (n == name) {
            text = t;
        }
    }
    return text;
}

std::vector<SoundDevice> TwoCards() {
    SoundDevice pch;
    pch.number = 0;
    pch.name = "plughw:CARD=PCH,DEV=0";
    pch.description = "HDA Intel PCH";
    SoundDevice codec;
    codec.number = 1;
    codec.name = "plughw:CARD=CODEC,DEV=0";
    codec.description = "USB Audio CODEC";
    return {pch, codec};
}

class ProgramSettingsFormTest : public ::testing::Test {
protected:
    ProgramSettingsFormTest() { doc.OnNewDocument(); }

    CTarnwickDoc doc;
};

// The schema's checks and messages; the order of reading is the dialog test's.
TEST_F(ProgramSettingsFormTest, EachControlIsCheckedByTheSchema) {
    Form form(doc, {});
    auto refused = [&form](Form::Control control, const std::string& text) {
        Form::Texts texts = form.Copies();
        texts[control] = text;
        const auto r = form.Read(texts);
        return r && r->control == control ? r->message : std::string();
    };
    EXPECT_EQ(refused(Form::kTxDelay, "0,5"), "Please enter a number.");
    EXPECT_EQ(refused(Form::kMyGrid, "JO62qm7"), "Please enter no more than 6 characters.");
    EXPECT_EQ(refused(Form::kTrxHost, ""),
              "Please enter the host name or address of the rig-control daemon.");
    EXPECT_EQ(refused(Form::kTrxPort, "70000"), "Please enter an integer between 1 and 65535.");
    // No range applies to the delay and the weights.
    EXPECT_EQ(refused(Form::kTxDelay, "-1"), "");
    EXPECT_EQ(refused(Form::kDotWgt, "0"), "");
}

TEST_F(ProgramSettingsFormTest, TheSoundListHoldsTheChosenCardByNameWhereverItIs) {
    doc.WaveOut = 0;  // chosen when the codec was the first card
    doc.WaveOutName = "plughw:CARD=CODEC,DEV=0";
    Form form(doc, TwoCards());
    EXPECT_EQ(form.SoundEntries(),
              (std::vector<std::string>{"Best Matching/Default Card",
                                        "HDA Intel PCH (plughw:CARD=PCH,DEV=0)",
                                        "USB Audio CODEC (plughw:CARD=CODEC,DEV=0)"}));
    EXPECT_EQ(form.SoundSelection(), 2);
    form.SelectSound(0);
    EXPECT_EQ(Written(form.Changes(), "WaveOut"), "-1");
    EXPECT_EQ(Written(form.Changes(), "WaveOutName"), "");

    // Unplugged: the choice stays listed and chosen, and OK leaves it alone.
    Form unplugged(doc, {TwoCards()[0]});
    ASSERT_EQ(unplugged.SoundEntries().size(), 3u);
    EXPECT_EQ(unplugged.SoundEntries()[2], "plughw:CARD=CODEC,DEV=0 (not present)");
    EXPECT_EQ(unplugged.SoundSelection(), 2);
    EXPECT_EQ(Written(unplugged.Changes(), "WaveOut"), "none");
    EXPECT_EQ(Written(unplugged.Changes(), "WaveOutName"), "none");
    unplugged.SelectSound(1);
    EXPECT_EQ(Written(unplugged.Changes(), "WaveOut"), "0");
    EXPECT_EQ(Written(unplugged.Changes(), "WaveOutName"), "plughw:CARD=PCH,DEV=0");
}

TEST_F(ProgramSettingsFormTest, AMovedLinkIsSwitchedOffAndOnAndAnUnlistedPriorityIsKept) {
    doc.UseTRX = 1;
    doc.CWPriority = 9;
    Form form(doc, {});
    EXPECT_EQ(form.Copies()[Form::kPriority], "");
    ASSERT_FALSE(form.Read(form.Copies()));
    EXPECT_FALSE(form.RigLinkChanges());
    Changes changes = form.Changes();
    EXPECT_EQ(changes.back(), std::make_pair(std::string("UseTRX"), std::string("1")));
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                            [](const auto& c) { return c.first == "UseTRX"; }),
              1);
    EXPECT_EQ(Written(changes, "CWPriority"), "none");

    Form::Texts moved = form.Copies();
    moved[Form::kTrxPort] = "4533";
    ASSERT_FALSE(form.Read(moved));
    EXPECT_TRUE(form.RigLinkChanges());
    changes = form.Changes();
    ASSERT_GE(changes.size(), 3u);
    const Changes tail(changes.end() - 3, changes.end());
    EXPECT_EQ(tail, (Changes{{"TrxPort", "4533"}, {"UseTRX", "0"}, {"UseTRX", "1"}}));
}

TEST_F(ProgramSettingsFormTest, TheRealtimeNoteSaysWhyAndHowOnlyWhenKeyingRunsOnANiceValue) {
    SchedulingReport report{ThreadPriority::AboveNormal, SchedulingMethod::Direct, "SCHED_FIFO 40",
                            ""};
    EXPECT_EQ(Form::RealtimeNote(report), "");
    report = {ThreadPriority::AboveNormal, SchedulingMethod::Nice, "nice -5",
              "RLIMIT_RTPRIO is 0 and the real-time broker did not answer"};
    const std::string note = Form::RealtimeNote(report);
    EXPECT_NE(note.find("not available to this user (RLIMIT_RTPRIO is 0 and the real-time "
                        "broker did not answer)"),
              std::string::npos);
    EXPECT_NE(note.find("rtkit"), std::string::npos);
    EXPECT_NE(note.find("rtprio"), std::string::npos);
}

}  // namespace
}  // namespace tarnwick
