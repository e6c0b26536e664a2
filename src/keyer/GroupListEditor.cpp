#include "keyer/GroupListEditor.h"

#include "model/CTarnwickDoc.h"
#include "model/WindowPos.h"

namespace tarnwick {
namespace {

int SaneWidth(int width, int fallback) {
    return width >= 1 && width <= GroupColumnWidths::kMaxWidth ? width : fallback;
}

}  // namespace

GroupListEditor::GroupListEditor(const CTarnwickDoc& doc)
    : nCw_(doc.NCWTitles),
      nPh_(doc.NPhTitles),
      cwSeq_(doc.ActivCWSeqStr),
      cwCont_(doc.ActivCWContStr),
      phSeq_(doc.ActivPhSeqStr),
      phCont_(doc.ActivPhContStr),
      sequenced_(doc.Contest == 1) {
    for (const auto& group : doc.Groups) {
        groups_.push_back(std::make_unique<MessageGroup>(group ? *group : MessageGroup()));
    }
}

int GroupListEditor::Rows(GroupKind kind) const {
    return kind == GroupKind::Cw ? nCw_ : nPh_;
}

int GroupListEditor::FirstPosition(GroupKind kind) const {
    return kind == GroupKind::Cw ? 0 : nCw_;
}

std::optional<int> GroupListEditor::Position(GroupKind kind, int row) const {
    if (row < 0 || row >= Rows(kind)) {
        return std::nullopt;
    }
    return FirstPosition(kind) + row;
}

const MessageGroup* GroupListEditor::Group(GroupKind kind, int row) const {
    const auto position = Position(kind, row);
    return position ? groups_[*position].get() : nullptr;
}

int& GroupListEditor::DefaultFor(GroupKind kind, int column) {
    if (kind == GroupKind::Cw) {
        return column == kSequencedColumn ? cwSeq_ : cwCont_;
    }
    return column == kSequencedColumn ? phSeq_ : phCont_;
}

int GroupListEditor::DefaultFor(GroupKind kind, int column) const {
    if (kind == GroupKind::Cw) {
        return column == kSequencedColumn ? cwSeq_ : cwCont_;
    }
    return column == kSequencedColumn ? phSeq_ : phCont_;
}

std::string GroupListEditor::CellText(GroupKind kind, int row, int column) const {
    const auto position = Position(kind, row);
    if (!position) {
        return std::string();
    }
    if (column == kTitleColumn) {
        return groups_[*position]->Title;
    }
    return DefaultFor(kind, column) == *position ? kDefaultMark : kNotDefaultMark;
}

bool GroupListEditor::IsFull() const {
    return groups_.size() >= static_cast<size_t>(kMaxGroups);
}

MessageGroup GroupListEditor::NewGroup(GroupKind kind, const std::string& title) const {
    const int source = DefaultFor(kind, sequenced_ ? kSequencedColumn : kContestColumn);
    const auto first = Position(kind, 0);
    const bool valid = source >= FirstPosition(kind) && source < FirstPosition(kind) + Rows(kind);
    MessageGroup group;
    if (valid) {
        group = *groups_[source];
    } else if (first) {
        group = *groups_[*first];
    }
    group.Title = title;
    return group;
}

std::optional<int> GroupListEditor::Add(GroupKind kind, const MessageGroup& group) {
    if (IsFull()) {
        return std::nullopt;
    }
    const int row = Rows(kind);
    const int at = FirstPosition(kind) + row;
    groups_.insert(groups_.begin() + at, std::make_unique<MessageGroup>(group));
    for (int* position : {&cwSeq_, &cwCont_, &phSeq_, &phCont_}) {
        if (*position >= at) {
            ++*position;
        }
    }
    ++(kind == GroupKind::Cw ? nCw_ : nPh_);
    return row;
}

bool GroupListEditor::SetDefault(GroupKind kind, int row, int column) {
    const auto position = Position(kind, row);
    if (!position || (column != kSequencedColumn && column != kContestColumn)) {
        return false;
    }
    DefaultFor(kind, column) = *position;
    return true;
}

GroupListEditor::DeleteResult GroupListEditor::Delete(GroupKind kind, int row) {
    const auto position = Position(kind, row);
    if (!position) {
        return DeleteResult::NoRow;
    }
    if (*position == DefaultFor(kind, kSequencedColumn) ||
        *position == DefaultFor(kind, kContestColumn)) {
        return DeleteResult::IsDefault;
    }
    groups_.erase(groups_.begin() + *position);
    for (int* p : {&cwSeq_, &cwCont_, &phSeq_, &phCont_}) {
        if (*p > *position) {
            --*p;
        }
    }
    --(kind == GroupKind::Cw ? nCw_ : nPh_);
    return DeleteResult::Deleted;
}

bool GroupListEditor::Rename(GroupKind kind, int row, const std::string& title) {
    const auto position = Position(kind, row);
    if (!position) {
        return false;
    }
    groups_[*position]->Title = title;
    return true;
}

bool GroupListEditor::CommitTo(CTarnwickDoc& doc) {
    std::vector<std::unique_ptr<MessageGroup>> copy;
    copy.reserve(groups_.size());
    for (const auto& group : groups_) {
        copy.push_back(std::make_unique<MessageGroup>(*group));
    }
    return doc.CommitGroups(std::move(copy), nCw_, nPh_, cwCont_, cwSeq_, phCont_, phSeq_);
}

GroupColumnWidths ColumnWidthsFrom(const std::optional<WindowPos>& stored) {
    GroupColumnWidths widths;
    if (stored) {
        widths.title = SaneWidth(stored->TitleColumnWidth, GroupColumnWidths::kDefaultTitle);
        widths.other = SaneWidth(stored->OtherColumnWidth, GroupColumnWidths::kDefaultOther);
    }
    return widths;
}

GroupColumnWidths MeanColumnWidths(const std::array<int, 2>& titles,
                                   const std::array<int, 4>& others) {
    GroupColumnWidths widths;
    widths.title = SaneWidth((titles[0] + titles[1]) / 2, GroupColumnWidths::kDefaultTitle);
    widths.other = SaneWidth((others[0] + others[1] + others[2] + others[3]) / 4,
                             GroupColumnWidths::kDefaultOther);
    return widths;
}

}  // namespace tarnwick
