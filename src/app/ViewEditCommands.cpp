#include "app/ViewEditCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include "app/CMainFrame.h"
#include "app/FrameCommands.h"
#include "model/CTarnwickDoc.h"

namespace tarnwick {
namespace {

constexpr int kEditCommands[] = {kCmdUndo, kCmdCut, kCmdCopy, kCmdPaste, kCmdReplaceFile};

// Reading the clipboard can mean a round trip to the program that owns it, which may hang for
// seconds: it is read only when the operator opens a menu. Otherwise Paste counts as possible
// (pasting nothing changes nothing).
bool ClipboardHasText(bool ask) {
    return !ask || !QGuiApplication::clipboard()->text().isEmpty();
}

EditFocus FocusOf(const QPlainTextEdit* edit, bool askClipboard) {
    EditFocus focus;
    focus.isEdit = true;
    focus.canUndo = !edit->isReadOnly() && edit->document()->isUndoAvailable();
    focus.hasSelection = edit->textCursor().hasSelection();
    focus.readOnly = edit->isReadOnly();
    focus.clipboardHasText = ClipboardHasText(askClipboard);
    return focus;
}

}  // namespace

ViewEditCommands::ViewEditCommands(CMainFrame& frame, const CTarnwickDoc& doc,
                                   const std::array<QLineEdit*, kBufferCount>& buffers,
                                   QWidget& view)
    : QObject(&view), frame_(frame), doc_(doc), buffers_(buffers), view_(view) {
    QList<QMenu*> menus;
    for (const int id : kEditCommands) {
        QAction* action = frame_.Action(id);
        connect(action, &QAction::triggered, this, [this, id] { Run(id); });
        for (QObject* owner : action->associatedObjects()) {
            auto* menu = qobject_cast<QMenu*>(owner);
            if (menu != nullptr && !menus.contains(menu)) {
                menus << menu;
                connect(menu, &QMenu::aboutToShow, this, [this] { UpdateEnabling(true); });
            }
        }
    }
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { FollowFocus(now); });
    for (QLineEdit* buffer : buffers_) {
        buffer->installEventFilter(this);
    }
    UpdateEnabling(false);
}

ViewEditCommands::~ViewEditCommands() {
    for (QLineEdit* buffer : buffers_) {
        buffer->removeEventFilter(this);
    }
}

EditFocus ViewEditCommands::Focus(bool askClipboard) const {
    QWidget* focused = QApplication::focusWidget();
    if (const auto* line = qobject_cast<const QLineEdit*>(focused)) {
        return LineEditFocus(line, askClipboard);
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(focused)) {
        return FocusOf(plain, askClipboard);
    }
    return {};
}

bool ViewEditCommands::IsEnabled(int commandId) const {
    return EditCommandEnabled(commandId, Focus(false));
}

void ViewEditCommands::UpdateEnabling(bool askClipboard) {
    const EditFocus focus = Focus(askClipboard);
    for (const int id : kEditCommands) {
        frame_.Action(id)->setEnabled(EditCommandEnabled(id, focus));
    }
}

void ViewEditCommands::FollowFocus(QWidget* now) {
    for (QMetaObject::Connection& c : followConnections_) {
        disconnect(c);
    }
    followed_ = now;
    const auto update = [this] { UpdateEnabling(false); };
    if (auto* line = qobject_cast<QLineEdit*>(now)) {
        followConnections_ = {connect(line, &QLineEdit::selectionChanged, this, update),
                              connect(line, &QLineEdit::textChanged, this, update),
                              connect(line, &QLineEdit::cursorPositionChanged, this, update)};
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(now)) {
        followConnections_ = {connect(plain, &QPlainTextEdit::selectionChanged, this, update),
                              connect(plain, &QPlainTextEdit::undoAvailable, this, update),
                              connect(plain, &QPlainTextEdit::textChanged, this, update)};
    }
    UpdateEnabling(false);
}

void ViewEditCommands::Run(int commandId) {
    if (!IsEnabled(commandId)) {
        return;
    }
    QWidget* focused = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
        if (commandId == kCmdReplaceFile) {
            files_.ReplaceSelection(line, &view_, doc_.WorkingDir);
        } else {
            RunLineEditCommand(line, commandId);
        }
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
        switch (commandId) {
            case kCmdUndo:
                plain->undo();
                break;
            case kCmdCut:
                plain->cut();
                break;
            case kCmdCopy:
                plain->copy();
                break;
            case kCmdPaste:
                plain->paste();
                break;
            case kCmdReplaceFile:
                ReplacePlainTextSelection(plain);
                break;
            default:
                break;
        }
    }
    UpdateEnabling(false);
}

void ViewEditCommands::ReplacePlainTextSelection(QPlainTextEdit* edit) {
    QTextCursor cursor = edit->textCursor();
    if (!cursor.hasSelection() || edit->isReadOnly()) {
        return;
    }
    const QString name = files_.Choose(&view_, cursor.selectedText(), doc_.WorkingDir);
    if (name.isEmpty() || !PutOnClipboard(name)) {
        return;
    }
    edit->setTextCursor(cursor);
    edit->paste();
}

bool ViewEditCommands::eventFilter(QObject* watched, QEvent* event) {
    auto* buffer = qobject_cast<QLineEdit*>(watched);
    const bool gesture =
        event->type() == QEvent::ContextMenu || event->type() == QEvent::MouseButtonDblClick;
    // In CW mode, or away from the focused buffer, the box's own handling.
    if (buffer == nullptr || !gesture || doc_.Mode != 1 || QApplication::focusWidget() != buffer) {
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::ContextMenu) {
        ShowBufferMenu(buffer, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return QObject::eventFilter(watched, event);
    }
    files_.ChooseAtDoubleClick(buffer, mouse->position().toPoint(), &view_, doc_.WorkingDir);
    return true;
}

void ViewEditCommands::ShowBufferMenu(QLineEdit* edit, const QPoint& globalPos) {
    // The buffers' own menu in Phone mode.
    const int chosen = ExecEditMenu(&view_, QString(),
                                    {{"&Undo\tCtrl+Z", kCmdUndo},
                                     {nullptr, 0},
                                     {"Cu&t\tCtrl+X", kCmdCut},
                                     {"&Copy\tCtrl+C", kCmdCopy},
                                     {"&Paste\tCtrl+V", kCmdPaste},
                                     {nullptr, 0},
                                     {"Replace Selected File", kCmdReplaceFile}},
                                    LineEditFocus(edit, true), globalPos);
    if (chosen != 0) {
        Run(chosen);
    }
}

}  // namespace tarnwick
