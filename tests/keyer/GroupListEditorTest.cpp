#include <gtest/gtest.h>

#include "keyer/GroupListEditor.h"
#include "model/CTarnwickDoc.h"
#include "model/WindowPos.h"

namespace tarnwick {
namespace {

class GroupListEditorTest : public ::testing::Test {
protected:
    GroupListEditorTest() { doc_.SetDefaults(); }

    std::vector<std::string> Column(const GroupListEditor& e, GroupKind kind, int column) const {
        std::vector<std::string> cells;
        for (int row = 0; row < e.Rows(kind); ++row) {
            cells.push_back(e.CellText(kind, row, column));
        }
        return cells;
    }

    CTarnwickDoc doc_;
};

TEST_F(GroupListEditorTest, AddedGroupsCopyThePeriodsDefaultAndGoToTheEndOfTheirList) {
    GroupListEditor e(doc_);  // Sequenced period
    MessageGroup cw = e.NewGroup(GroupKind::Cw, "Meteor");
    EXPECT_EQ(cw.Title, "Meteor");
    EXPECT_EQ(cw.Messages, doc_.Groups[0]->Messages);
    EXPECT_EQ(e.Add(GroupKind::Cw, cw), 2);
    EXPECT_EQ(Column(e, GroupKind::Cw, kTitleColumn),
              (std::vector<std::string>{"2M CW EME", "CW Contest", "Meteor"}));
    EXPECT_EQ(Column(e, GroupKind::Cw, kSequencedColumn),
              (std::vector<std::string>{" X", " O", " O"}));
    // The phone defaults moved with their groups.
    EXPECT_EQ(e.Position(GroupKind::Phone, 0), 3);
    EXPECT_EQ(Column(e, GroupKind::Phone, kContestColumn), (std::vector<std::string>{" O", " X"}));

    doc_.Contest = 0;
    GroupListEditor contest(doc_);
    EXPECT_EQ(contest.NewGroup(GroupKind::Phone, "").DurNumber, 15);
    EXPECT_EQ(contest.Add(GroupKind::Phone, contest.NewGroup(GroupKind::Phone, "")), 2);
    EXPECT_EQ(contest.Position(GroupKind::Phone, 2), 4);
}

TEST_F(GroupListEditorTest, DefaultsCannotBeDeletedOthersShiftTheDefaults) {
    GroupListEditor e(doc_);
    e.Add(GroupKind::Cw, e.NewGroup(GroupKind::Cw, "third"));
    e.Add(GroupKind::Phone, e.NewGroup(GroupKind::Phone, "phone three"));
    EXPECT_EQ(e.Delete(GroupKind::Cw, 0), GroupListEditor::DeleteResult::IsDefault);
    EXPECT_EQ(e.Delete(GroupKind::Phone, 1), GroupListEditor::DeleteResult::IsDefault);
    EXPECT_EQ(e.Delete(GroupKind::Phone, 3), GroupListEditor::DeleteResult::NoRow);

    // Make phone row 0 a non-default, then delete it: list position 3, the CW groups stay.
    ASSERT_TRUE(e.SetDefault(GroupKind::Phone, 2, kSequencedColumn));
    EXPECT_EQ(e.Delete(GroupKind::Phone, 0), GroupListEditor::DeleteResult::Deleted);
    EXPECT_EQ(Column(e, GroupKind::Cw, kTitleColumn),
              (std::vector<std::string>{"2M CW EME", "CW Contest", "third"}));
    EXPECT_EQ(Column(e, GroupKind::Phone, kTitleColumn),
              (std::vector<std::string>{"SSB Contest", "phone three"}));
    EXPECT_EQ(Column(e, GroupKind::Phone, kSequencedColumn),
              (std::vector<std::string>{" O", " X"}));

    // Re-default, rename and commit: the document takes the list, counts and defaults.
    ASSERT_TRUE(e.SetDefault(GroupKind::Cw, 2, kContestColumn));
    ASSERT_TRUE(e.Delete(GroupKind::Cw, 1) == GroupListEditor::DeleteResult::Deleted);
    ASSERT_TRUE(e.Rename(GroupKind::Cw, 1, "Third"));
    EXPECT_FALSE(e.SetDefault(GroupKind::Cw, 1, kTitleColumn));
    ASSERT_TRUE(e.CommitTo(doc_));
    EXPECT_EQ(doc_.NCWTitles, 2);
    EXPECT_EQ(doc_.NPhTitles, 2);
    EXPECT_EQ(doc_.Groups.size(), 4u);
    EXPECT_EQ(doc_.Groups[1]->Title, "Third");
    EXPECT_EQ(doc_.ActivCWSeqStr, 0);
    EXPECT_EQ(doc_.ActivCWContStr, 1);
    EXPECT_EQ(doc_.ActivPhContStr, 2);
    EXPECT_EQ(doc_.ActivPhSeqStr, 3);
}

TEST_F(GroupListEditorTest, AFullListTakesNoMoreGroups) {
    GroupListEditor e(doc_);
    while (!e.IsFull()) {
        ASSERT_TRUE(e.Add(GroupKind::Phone, MessageGroup()).has_value());
    }
    EXPECT_EQ(e.Rows(GroupKind::Cw) + e.Rows(GroupKind::Phone), kMaxGroups);
    EXPECT_FALSE(e.Add(GroupKind::Cw, MessageGroup()).has_value());
    EXPECT_TRUE(e.CommitTo(doc_));
}

TEST(GroupColumnWidths, StoredAndRemembered) {
    EXPECT_EQ(ColumnWidthsFrom(std::nullopt), (GroupColumnWidths{108, 50}));
    WindowPos stored;
    stored.TitleColumnWidth = 140;
    stored.OtherColumnWidth = 61;
    EXPECT_EQ(ColumnWidthsFrom(stored), (GroupColumnWidths{140, 61}));
    // A hand-edited file cannot hide a column or make it absurdly wide.
    stored.TitleColumnWidth = 0;
    stored.OtherColumnWidth = 1'000'000;
    EXPECT_EQ(ColumnWidthsFrom(stored), (GroupColumnWidths{108, 50}));
    EXPECT_EQ(MeanColumnWidths({100, 121}, {50, 51, 52, 54}), (GroupColumnWidths{110, 51}));
}

}  // namespace
}  // namespace tarnwick
