#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/MessageGroup.h"

namespace tarnwick {

class CTarnwickDoc;
struct WindowPos;

enum class GroupKind { Cw = 0, Phone = 1 };

// Columns of the group manager's lists: the title, then the Sequenced and the Contest default.
inline constexpr int kTitleColumn = 0;
inline constexpr int kSequencedColumn = 1;
inline constexpr int kContestColumn = 2;

inline constexpr const char* kDefaultMark = " X";
inline constexpr const char* kNotDefaultMark = " O";
inline constexpr const char* kDeleteDefaultMessage =
    "Error, cannot delete the current default value.";
inline constexpr const char* kGroupListFullMessage =
    "Error: There is no room for another message group (101 at most).";

// The group manager's working copy of the document's group list: every group copied, both
// counts, the four defaults and the period at opening. Rows count within a kind's own list
// (phone row 0 is list position NCWTitles). The document is untouched until CommitTo.
class GroupListEditor {
public:
    explicit GroupListEditor(const CTarnwickDoc& doc);

    int Rows(GroupKind kind) const;
    // Nothing for a row outside the kind's list.
    std::optional<int> Position(GroupKind kind, int row) const;
    const MessageGroup* Group(GroupKind kind, int row) const;
    // " X" when the row is the default of the column's period, else " O"; the title column
    // gives the title.
    std::string CellText(GroupKind kind, int row, int column) const;

    bool IsFull() const;
    // A copy of the kind's default for the period at opening, with the given title: what a new
    // group starts as.
    MessageGroup NewGroup(GroupKind kind, const std::string& title) const;
    // Appends the group to the kind's list (CW groups go before the phone groups, which move up
    // one place with their defaults). Returns its row, or nothing when the list is full.
    std::optional<int> Add(GroupKind kind, const MessageGroup& group);

    // The row becomes the default of the column's period; false for a title column or no row.
    bool SetDefault(GroupKind kind, int row, int column);

    enum class DeleteResult { Deleted, IsDefault, NoRow };
    // A default of its kind (for either period) is refused.
    DeleteResult Delete(GroupKind kind, int row);

    bool Rename(GroupKind kind, int row, const std::string& title);

    // Hands the working list to the document (its CommitGroups). False when the document
    // refused it, which a list kept by these operations never gives.
    bool CommitTo(CTarnwickDoc& doc);

private:
    int FirstPosition(GroupKind kind) const;
    int& DefaultFor(GroupKind kind, int column);
    int DefaultFor(GroupKind kind, int column) const;

    std::vector<std::unique_ptr<MessageGroup>> groups_;
    int nCw_ = 0;
    int nPh_ = 0;
    int cwSeq_ = 0;
    int cwCont_ = 0;
    int phSeq_ = 0;
    int phCont_ = 0;
    bool sequenced_ = true;
};

// The widths of the group manager's title column and of its other columns, kept for the run
// and stored in "WindowPos".
struct GroupColumnWidths {
    static constexpr int kDefaultTitle = 108;
    static constexpr int kDefaultOther = 50;
    // Widths outside 1..kMaxWidth (a hand-edited file) give the defaults.
    static constexpr int kMaxWidth = 4000;

    int title = kDefaultTitle;
    int other = kDefaultOther;

    bool operator==(const GroupColumnWidths&) const = default;
};

// The widths a stored placement gives, or the defaults when there is none.
GroupColumnWidths ColumnWidthsFrom(const std::optional<WindowPos>& stored);
// The widths remembered when the manager closes: the mean of the two title columns and the mean
// of the four others.
GroupColumnWidths MeanColumnWidths(const std::array<int, 2>& titles,
                                   const std::array<int, 4>& others);

}  // namespace tarnwick
