#pragma once

#include <QDialog>
#include <QPoint>
#include <array>
#include <string>

#include "keyer/GroupListEditor.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarnwick {

class CTarnwickDoc;
class Prompter;

// Command ids of the lists' "Options" context menu.
inline constexpr int kCmdChangeTitle = 32786;
inline constexpr int kCmdDeleteGroup = 32785;

// "Modify Message Groups...": both group lists with their Sequenced and Contest defaults
// (" X"/" O"); add (through the message editor, on a copy of the period's default), delete
// (not a default), rename and re-default groups. All of it works on a copy that is handed to
// the document however the dialog closes ("Done", Escape, the close box). The caller then
// rebuilds its group menus, keeps ColumnWidths() for the next opening and for "WindowPos", and
// saves the settings file.
class CGroupManagerDialog : public QDialog {
    Q_OBJECT

public:
    // `callField` is what %T stands for in the message editor's check of a new group.
    CGroupManagerDialog(CTarnwickDoc& doc, Prompter& prompter, const std::string& callField,
                        const GroupColumnWidths& widths, QWidget* parent = nullptr);

    // The widths to remember: as given until the dialog closes, then the means of its columns.
    GroupColumnWidths ColumnWidths() const { return widths_; }

    QTreeWidget* List(GroupKind kind) const { return lists_[static_cast<int>(kind)]; }
    QLineEdit* NewTitleEdit() const { return newTitle_; }
    QPushButton* AddButton(GroupKind kind) const { return addButtons_[static_cast<int>(kind)]; }

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* MakeList(GroupKind kind);
    void Fill(GroupKind kind);
    GroupKind KindOf(const QObject* list) const;
    void AddGroup(GroupKind kind);
    void CellPressed(GroupKind kind, QTreeWidgetItem* item, int column);
    void DeleteRow(GroupKind kind, int row);
    void ChangeTitle(GroupKind kind, int row);
    void Renamed(GroupKind kind, QTreeWidgetItem* item, int column);
    void ShowOptions(GroupKind kind, const QPoint& pos);

    CTarnwickDoc& doc_;
    Prompter& prompter_;
    const std::string callField_;
    GroupListEditor editor_;
    GroupColumnWidths widths_;
    std::array<QTreeWidget*, 2> lists_{};
    std::array<QPushButton*, 2> addButtons_{};
    QLineEdit* newTitle_ = nullptr;
    // The button of the last press in a list: only the left one changes a default.
    Qt::MouseButton pressedButton_ = Qt::NoButton;
};

}  // namespace tarnwick
