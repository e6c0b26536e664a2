#include "editors/CGroupManagerDialog.h"

#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "editors/CGroupTitleDialog.h"
#include "editors/CMessageEditorDialog.h"
#include "keyer/MessageCheck.h"
#include "model/CTarnwickDoc.h"
#include "platform/Prompter.h"

namespace tarnwick {
namespace {

constexpr int kNewTitleId = 1091;
constexpr int kAddCwId = 1093;
constexpr int kAddPhoneId = 1092;
constexpr int kCwListId = 1097;
constexpr int kPhoneListId = 1098;
constexpr int kListColumns = 3;
constexpr int kVisibleRows = 8;

// The mark columns are clicked, never edited.
class NoEditDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        return nullptr;
    }
};

}  // namespace

CGroupManagerDialog::CGroupManagerDialog(CTarnwickDoc& doc, Prompter& prompter,
                                         const std::string& callField,
                                         const GroupColumnWidths& widths, QWidget* parent)
    : QDialog(parent),
      doc_(doc),
      prompter_(prompter),
      callField_(callField),
      editor_(doc),
      widths_(widths) {
    setWindowTitle("Modify Message Groups...");

    newTitle_ = new QLineEdit(this);
    newTitle_->setObjectName("newTitle");
    newTitle_->setProperty("controlId", kNewTitleId);
    auto* newRow = new QHBoxLayout;
    newRow->addWidget(new QLabel("New", this));
    newRow->addWidget(newTitle_, 1);

    auto* lists = new QHBoxLayout;
    const char* const headings[] = {"CW Mode", "Phone Mode"};
    const int addIds[] = {kAddCwId, kAddPhoneId};
    for (GroupKind kind : {GroupKind::Cw, GroupKind::Phone}) {
        const int k = static_cast<int>(kind);
        auto* add = new QPushButton("Add", this);
        add->setObjectName(kind == GroupKind::Cw ? "addCw" : "addPhone");
        add->setProperty("controlId", addIds[k]);
        add->setAutoDefault(false);
        connect(add, &QPushButton::clicked, this, [this, kind] { AddGroup(kind); });
        addButtons_[k] = add;
        auto* heading = new QHBoxLayout;
        heading->addWidget(new QLabel(headings[k], this));
        heading->addStretch(1);
        heading->addWidget(add);
        auto* column = new QVBoxLayout;
        column->addLayout(heading);
        lists_[k] = MakeList(kind);
        column->addWidget(lists_[k]);
        lists->addLayout(column);
    }

    auto* usage = new QGroupBox("Usage", this);
    auto* usageLines = new QVBoxLayout(usage);
    usageLines->addWidget(new QLabel(
        "To add a group, type its title in the New box and click the Add button above the "
        "wanted mode.",
        usage));
    usageLines->addWidget(
        new QLabel("To delete a group, click the entry and press the DELETE key.", usage));
    usageLines->addWidget(new QLabel(
        "To change the default, click the \" O\" in the column to turn it into \" X\".", usage));

    auto* done = new QPushButton("Done", this);
    done->setObjectName("done");
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(usage, 1);
    bottom->addWidget(done, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(newRow);
    layout->addLayout(lists);
    layout->addLayout(bottom);

    Fill(GroupKind::Cw);
    Fill(GroupKind::Phone);
}

QTreeWidget* CGroupManagerDialog::MakeList(GroupKind kind) {
    auto* list = new QTreeWidget(this);
    const bool cw = kind == GroupKind::Cw;
    list->setObjectName(cw ? "cwList" : "phoneList");
    list->setProperty("controlId", cw ? kCwListId : kPhoneListId);
    list->setColumnCount(kListColumns);
    list->setHeaderLabels({"Group Title...", "Seq...", "Contest"});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    list->header()->setSectionsClickable(false);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(QHeaderView::Interactive);
    auto* noEdit = new NoEditDelegate(list);
    list->setItemDelegateForColumn(kSequencedColumn, noEdit);
    list->setItemDelegateForColumn(kContestColumn, noEdit);
    list->setColumnWidth(kTitleColumn, widths_.title);
    list->setColumnWidth(kSequencedColumn, widths_.other);
    list->setColumnWidth(kContestColumn, widths_.other);
    list->setMinimumWidth(widths_.title + 2 * widths_.other + 2 * list->frameWidth() + 24);
    list->setMinimumHeight(list->header()->sizeHint().height() +
                           kVisibleRows * (fontMetrics().height() + 4));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    connect(list, &QTreeWidget::itemPressed, this,
            [this, kind](QTreeWidgetItem* item, int column) { CellPressed(kind, item, column); });
    connect(list, &QTreeWidget::itemChanged, this,
            [this, kind](QTreeWidgetItem* item, int column) { Renamed(kind, item, column); });
    connect(list, &QTreeWidget::customContextMenuRequested, this,
            [this, kind](const QPoint& pos) { ShowOptions(kind, pos); });
    return list;
}

// Rows are updated in place, never rebuilt: this runs from inside the list's own press and
// edit handling, which must not see its items deleted.
void CGroupManagerDialog::Fill(GroupKind kind) {
    QTreeWidget* list = List(kind);
    const QSignalBlocker block(list);
    const int rows = editor_.Rows(kind);
    while (list->topLevelItemCount() > rows) {
        delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
    }
    while (list->topLevelItemCount() < rows) {
        auto* item = new QTreeWidgetItem(list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    for (int row = 0; row < rows; ++row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        for (int column = 0; column < kListColumns; ++column) {
            item->setText(column, QString::fromStdString(editor_.CellText(kind, row, column)));
        }
    }
}

GroupKind CGroupManagerDialog::KindOf(const QObject* list) const {
    return list == lists_[static_cast<int>(GroupKind::Phone)] ? GroupKind::Phone : GroupKind::Cw;
}

void CGroupManagerDialog::AddGroup(GroupKind kind) {
    if (editor_.IsFull()) {
        prompter_.Show(kGroupListFullMessage);
        return;
    }
    MessageGroup group = editor_.NewGroup(kind, newTitle_->text().toStdString());
    MessageCheckContext context = CheckContextFor(doc_, callField_);
    context.baseDir = QDir::currentPath().toStdString();
    CMessageEditorDialog messageEditor(prompter_, context, this);
    messageEditor.LoadGroup(group);
    if (messageEditor.exec() != QDialog::Accepted) {
        return;
    }
    messageEditor.StoreGroup(group);
    const auto row = editor_.Add(kind, group);
    if (!row) {
        return;
    }
    Fill(GroupKind::Cw);
    Fill(GroupKind::Phone);
    List(kind)->setCurrentItem(List(kind)->topLevelItem(*row));
}

void CGroupManagerDialog::CellPressed(GroupKind kind, QTreeWidgetItem* item, int column) {
    if (pressedButton_ != Qt::LeftButton || item == nullptr) {
        return;
    }
    if (editor_.SetDefault(kind, List(kind)->indexOfTopLevelItem(item), column)) {
        Fill(kind);
    }
}

void CGroupManagerDialog::DeleteRow(GroupKind kind, int row) {
    switch (editor_.Delete(kind, row)) {
        case GroupListEditor::DeleteResult::IsDefault:
            prompter_.Show(kDeleteDefaultMessage);
            break;
        case GroupListEditor::DeleteResult::Deleted:
            Fill(GroupKind::Cw);
            Fill(GroupKind::Phone);
            break;
        case GroupListEditor::DeleteResult::NoRow:
            break;
    }
}

void CGroupManagerDialog::ChangeTitle(GroupKind kind, int row) {
    const MessageGroup* group = editor_.Group(kind, row);
    if (group == nullptr) {
        return;
    }
    CGroupTitleDialog titleDialog(QString::fromStdString(group->Title), this);
    if (titleDialog.exec() != QDialog::Accepted) {
        return;
    }
    editor_.Rename(kind, row, titleDialog.Title().toStdString());
    Fill(kind);
}

void CGroupManagerDialog::Renamed(GroupKind kind, QTreeWidgetItem* item, int column) {
    if (column == kTitleColumn) {
        editor_.Rename(kind, List(kind)->indexOfTopLevelItem(item),
                       item->text(column).toStdString());
    }
}

void CGroupManagerDialog::ShowOptions(GroupKind kind, const QPoint& pos) {
    QTreeWidget* list = List(kind);
    QMenu menu("Options", this);
    QAction* changeTitle = menu.addAction("Change Title...");
    changeTitle->setData(kCmdChangeTitle);
    QAction* remove = menu.addAction("Delete...\tDELETE");
    remove->setData(kCmdDeleteGroup);
    QAction* chosen = menu.exec(list->viewport()->mapToGlobal(pos));
    if (chosen == nullptr) {
        return;
    }
    const QModelIndex hit = list->indexAt(pos);
    if (!hit.isValid()) {
        return;
    }
    if (chosen->data().toInt() == kCmdDeleteGroup) {
        DeleteRow(kind, hit.row());
    } else {
        ChangeTitle(kind, hit.row());
    }
}

bool CGroupManagerDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        pressedButton_ = static_cast<QMouseEvent*>(event)->button();
    }
    const bool isList = watched == lists_[0] || watched == lists_[1];
    if (isList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        auto* list = static_cast<QTreeWidget*>(watched);
        if (list->currentItem() != nullptr && list->currentItem()->isSelected()) {
            DeleteRow(KindOf(list), list->indexOfTopLevelItem(list->currentItem()));
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CGroupManagerDialog::done(int result) {
    editor_.CommitTo(doc_);
    const QTreeWidget* cw = lists_[0];
    const QTreeWidget* phone = lists_[1];
    widths_ = MeanColumnWidths(
        {cw->columnWidth(kTitleColumn), phone->columnWidth(kTitleColumn)},
        {cw->columnWidth(kSequencedColumn), cw->columnWidth(kContestColumn),
         phone->columnWidth(kSequencedColumn), phone->columnWidth(kContestColumn)});
    QDialog::done(result);
}

}  // namespace tarnwick
