#include <gtest/gtest.h>

#include "DocTestSupport.h"
#include "model/CTarnwickDoc.h"

namespace tarnwick {
namespace {

class GroupEditingTest : public ::testing::Test {
protected:
    GroupEditingTest() { doc_.OnNewDocument(); }

    std::vector<int> Defaults() const {
        return {doc_.ActivCWContStr, doc_.ActivCWSeqStr, doc_.ActivPhContStr, doc_.ActivPhSeqStr};
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const auto& g : doc_.Groups) {
            titles.push_back(g->Title);
        }
        return titles;
    }

    CTarnwickDoc doc_;
};

TEST_F(GroupEditingTest, AddCwGroupCopiesThePeriodsDefaultAndMovesPhoneDefaults) {
    ASSERT_TRUE(doc_.AddCwGroup("Sequenced copy"));  // Contest = 1: the Sequenced default
    EXPECT_EQ(Titles(), (std::vector<std::string>{"2M CW EME", "CW Contest", "Sequenced copy",
                                                  "SSB M Scatter", "SSB Contest"}));
    EXPECT_EQ(doc_.Groups[2]->Messages, doc_.Groups[0]->Messages);
    EXPECT_EQ(doc_.Groups[2]->DurNumber, 120);
    EXPECT_EQ(Defaults(), (std::vector<int>{1, 0, 4, 3}));

    doc_.Contest = 0;
    ASSERT_TRUE(doc_.AddCwGroup("Contest copy"));
    EXPECT_EQ(doc_.Groups[3]->DurNumber, 15);
    EXPECT_EQ(doc_.NCWTitles, 4);
    ExpectValidGroupList(doc_);
}

TEST_F(GroupEditingTest, AddPhoneGroupAppendsAndChangesNoDefault) {
    doc_.Contest = 0;
    ASSERT_TRUE(doc_.AddPhoneGroup("p"));
    EXPECT_EQ(doc_.Groups[4]->Messages[0], "{ContestVoiceCQ.wav}[I]");
    EXPECT_EQ(Defaults(), (std::vector<int>{1, 0, 3, 2}));
    EXPECT_EQ(doc_.NPhTitles, 3);
    ExpectValidGroupList(doc_);
}

TEST_F(GroupEditingTest, DeleteShiftsLaterDefaultsAndRefusesDefaults) {
    EXPECT_FALSE(doc_.DeleteGroup(0));  // the Sequenced CW default
    EXPECT_FALSE(doc_.DeleteGroup(3));
    EXPECT_FALSE(doc_.DeleteGroup(4));
    EXPECT_FALSE(doc_.DeleteGroup(-1));

    ASSERT_TRUE(doc_.SetDefault(0, 1, 1));  // CW defaults 1/1, phone 2/3
    ASSERT_TRUE(doc_.DeleteGroup(0));
    EXPECT_EQ(Defaults(), (std::vector<int>{0, 0, 2, 1}));
    EXPECT_EQ(doc_.NCWTitles, 1);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"CW Contest", "SSB M Scatter", "SSB Contest"}));
    ExpectValidGroupList(doc_);
}

TEST_F(GroupEditingTest, PhoneRowsAreAddressedAfterTheCwGroups) {
    ASSERT_TRUE(doc_.AddCwGroup("cw"));  // NCWTitles = 3, phone at 3 and 4
    ASSERT_TRUE(doc_.AddPhoneGroup("p"));
    ASSERT_TRUE(doc_.SetDefault(1, 0, 5));
    ASSERT_TRUE(doc_.SetDefault(1, 1, 4));
    ASSERT_TRUE(doc_.DeleteGroup(doc_.NCWTitles + 0));  // phone row 0
    EXPECT_EQ(Titles(),
              (std::vector<std::string>{"2M CW EME", "CW Contest", "cw", "SSB Contest", "p"}));
    EXPECT_EQ(Defaults(), (std::vector<int>{1, 0, 4, 3}));
    ExpectValidGroupList(doc_);
}

TEST_F(GroupEditingTest, SetDefaultAndRenameStayInsideTheirMode) {
    EXPECT_FALSE(doc_.SetDefault(0, 0, 2));  // a phone position
    EXPECT_FALSE(doc_.SetDefault(1, 1, 1));  // a CW position
    EXPECT_FALSE(doc_.SetDefault(1, 2, 3));  // no such period
    EXPECT_FALSE(doc_.SetDefault(2, 0, 0));  // no such mode
    EXPECT_TRUE(doc_.SetDefault(1, 0, 2));
    EXPECT_EQ(doc_.ActivPhContStr, 2);
    EXPECT_TRUE(doc_.Rename(3, "Renamed"));
    EXPECT_EQ(doc_.Groups[3]->Title, "Renamed");
    EXPECT_FALSE(doc_.Rename(4, "x"));
}

// The group menus' radio marks: each kind's default for the period, in either mode.
TEST_F(GroupEditingTest, ThePeriodsDefaultOfEachKindIsMarkedWhateverTheMode) {
    const auto marked = [this] {
        std::vector<int> out;
        for (int p = -1; p <= static_cast<int>(doc_.Groups.size()); ++p) {
            if (doc_.IsPeriodDefault(p)) {
                out.push_back(p);
            }
        }
        return out;
    };
    EXPECT_EQ(marked(), (std::vector<int>{0, 2}));  // Sequenced
    doc_.Mode = 1;
    doc_.Contest = 0;
    EXPECT_EQ(marked(), (std::vector<int>{1, 3}));
    ASSERT_TRUE(doc_.AddCwGroup("cw"));  // the phone groups move up with their defaults
    EXPECT_EQ(marked(), (std::vector<int>{1, 4}));
}

TEST_F(GroupEditingTest, AddingStopsAtTheMenuLimit) {
    while (doc_.AddCwGroup("c") && doc_.AddPhoneGroup("p")) {
    }
    EXPECT_EQ(doc_.Groups.size(), static_cast<size_t>(kMaxGroups));
    EXPECT_FALSE(doc_.AddCwGroup("one too many"));
    EXPECT_FALSE(doc_.AddPhoneGroup("one too many"));
    ExpectValidGroupList(doc_);
}

TEST_F(GroupEditingTest, CommitTakesOverAConsistentListOnly) {
    const auto list = [](int n) {
        std::vector<std::unique_ptr<MessageGroup>> groups;
        for (int i = 0; i < n; ++i) {
            groups.push_back(std::make_unique<MessageGroup>());
            groups.back()->Title = "g" + std::to_string(i);
        }
        return groups;
    };
    EXPECT_FALSE(doc_.CommitGroups(list(3), 2, 2, 0, 0, 2, 2));  // counts and list disagree
    EXPECT_FALSE(doc_.CommitGroups(list(2), 2, 0, 0, 0, 2, 2));  // no phone group
    EXPECT_FALSE(doc_.CommitGroups(list(102), 101, 1, 0, 0, 101, 101));
    auto withHole = list(3);
    withHole[1].reset();
    EXPECT_FALSE(doc_.CommitGroups(std::move(withHole), 1, 2, 0, 0, 1, 1));
    EXPECT_EQ(Titles()[0], "2M CW EME");
    ExpectValidGroupList(doc_);

    // Defaults outside their mode are brought to the mode's first group.
    ASSERT_TRUE(doc_.CommitGroups(list(3), 1, 2, 0, 5, 2, 0));
    EXPECT_EQ(Titles(), (std::vector<std::string>{"g0", "g1", "g2"}));
    EXPECT_EQ(Defaults(), (std::vector<int>{0, 0, 2, 1}));
    ExpectValidGroupList(doc_);
}

}  // namespace
}  // namespace tarnwick
