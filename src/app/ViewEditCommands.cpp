#include "app/ViewEditCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
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

struct MenuEntry {
    const char* text;
    int id;
};
// The buffers' own menu in Phone mode.
constexpr MenuEntry kBufferMenu[] = {
    {"&Undo\tCtrl+Z", kCmdUndo},
    {nullptr, 0},
    {"Cu&t\tCtrl+X", kCmdCut},
    {"&Copy\tCtrl+C", kCmdCopy},
    {"&Paste\tCtrl+V", kCmdPaste},
    {nullptr, 0},
    {"Replace Selected File", kCmdReplaceFile},
};

// Reading the clipboard can mean a round trip to the program that owns it, which may hang for
// seconds: it is read only when the operator opens a menu. Otherwise Paste counts as possible
// (pasting nothing changes nothing).
bool ClipboardHasText(bool ask) {
    return !ask || !QGuiApplication::clipboard()->text().isEmpty();
}

EditFocus FocusOf(const QLineEdit* edit, bool askClipboard) {
    EditFocus focus;
    focus.isEdit = true;
    focus.canUndo = edit->isUndoAvailable();
    focus.hasSelection = edit->hasSelectedText();
    focus.readOnly = edit->isReadOnly();
    focus.clipboardHasText = ClipboardHasText(askClipboard);
    return focus;
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
    chooser_ = [](QWidget* owner, const FileChoice& choice) {
        QFileDialog dialog(owner);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // A file that does not exist yet may be named: it can be recorded later.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDirectory(choice.directory);
        dialog.setNameFilters(choice.nameFilters);
        dialog.setDefaultSuffix(choice.defaultSuffix);
        dialog.selectFile(choice.fileName);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
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
        return FocusOf(line, askClipboard);
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
        switch (commandId) {
            case kCmdUndo:
                line->undo();
                break;
            case kCmdCut:
                line->cut();
                break;
            case kCmdCopy:
                line->copy();
                break;
            case kCmdPaste:
                line->paste();
                break;
            case kCmdReplaceFile:
                ReplaceSelectedFile(line);
                break;
            default:
                break;
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

bool ViewEditCommands::PutOnClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    // A clipboard that did not take the name replaces nothing.
    return clipboard->text() == text;
}

void ViewEditCommands::ReplaceSelectedFile(QLineEdit* edit) {
    if (!edit->hasSelectedText()) {
        return;
    }
    const int start = edit->selectionStart();
    const int length = static_cast<int>(edit->selectedText().size());
    const QString name = ChooseFile(edit->selectedText());
    if (name.isEmpty() || !PutOnClipboard(name)) {
        return;
    }
    edit->setSelection(start, length);
    edit->paste();
}

void ViewEditCommands::ReplacePlainTextSelection(QPlainTextEdit* edit) {
    QTextCursor cursor = edit->textCursor();
    if (!cursor.hasSelection() || edit->isReadOnly()) {
        return;
    }
    const QString name = ChooseFile(cursor.selectedText());
    if (name.isEmpty() || !PutOnClipboard(name)) {
        return;
    }
    edit->setTextCursor(cursor);
    edit->paste();
}

QString ViewEditCommands::ChooseFile(const QString& selected) {
    const FileDialogStart start =
        FileDialogStartFor(selected.toStdString(), QDir::currentPath().toStdString());
    FileChoice choice;
    choice.directory = QString::fromStdString(start.directory);
    choice.fileName = QString::fromStdString(start.fileName);
    choice.nameFilters = {"Voice Wav Files (*.wav)", "Text Files (*.txt)", "All Files (*)"};
    choice.defaultSuffix = "wav";
    const QString chosen = chooser_ ? chooser_(&view_, choice) : QString();
    if (chosen.isEmpty()) {
        return QString();
    }
    return QString::fromStdString(ShortenFileName(chosen.toStdString(), doc_.WorkingDir));
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
    ChooseFileAtDoubleClick(buffer, mouse->position().toPoint());
    return true;
}

void ViewEditCommands::ShowBufferMenu(QLineEdit* edit, const QPoint& globalPos) {
    QMenu menu(&view_);
    const EditFocus focus = FocusOf(edit, true);
    for (const MenuEntry& entry : kBufferMenu) {
        if (entry.text == nullptr) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(entry.text));
        action->setData(entry.id);
        action->setEnabled(ContextCommandEnabled(entry.id, focus));
    }
    if (QAction* chosen = menu.exec(globalPos)) {
        Run(chosen->data().toInt());
    }
}

void ViewEditCommands::ChooseFileAtDoubleClick(QLineEdit* edit, const QPoint& pos) {
    const std::u16string text = edit->text().toStdU16String();
    const TextRange word = WordAt(text, edit->cursorPositionAt(pos));
    if (word.start == word.end) {
        return;
    }
    const TextRange run = NarrowToFileName(text, word);
    edit->setSelection(run.start, run.end - run.start);
    const QString name = ChooseFile(edit->text().mid(run.start, run.end - run.start));
    if (name.isEmpty()) {
        return;
    }
    // Put in directly: the box's undo does not take this replacement back.
    const QString current = edit->text();
    edit->setText(current.left(run.start) + name + current.mid(run.end));
    edit->setCursorPosition(run.start + static_cast<int>(name.size()));
}

}  // namespace tarnwick
