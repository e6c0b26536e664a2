#include "editors/MessageFileChooser.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>

namespace tarnwick {

MessageFileChooser::MessageFileChooser() {
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
}

QString MessageFileChooser::Choose(QWidget* parent, const QString& selected,
                                   const std::string& baseDir) const {
    const FileDialogStart start =
        FileDialogStartFor(selected.toStdString(), QDir::currentPath().toStdString());
    FileChoice choice;
    choice.directory = QString::fromStdString(start.directory);
    choice.fileName = QString::fromStdString(start.fileName);
    choice.nameFilters = {"Voice Wav Files (*.wav)", "Text Files (*.txt)", "All Files (*)"};
    choice.defaultSuffix = "wav";
    const QString chosen = chooser_ ? chooser_(parent, choice) : QString();
    if (chosen.isEmpty()) {
        return QString();
    }
    return QString::fromStdString(ShortenFileName(chosen.toStdString(), baseDir));
}

void MessageFileChooser::ChooseAtDoubleClick(QLineEdit* edit, const QPoint& pos, QWidget* parent,
                                             const std::string& baseDir) const {
    const std::u16string text = edit->text().toStdU16String();
    const TextRange word = WordAt(text, edit->cursorPositionAt(pos));
    if (word.start == word.end) {
        return;
    }
    const TextRange run = NarrowToFileName(text, word);
    edit->setSelection(run.start, run.end - run.start);
    const QString name = Choose(parent, edit->text().mid(run.start, run.end - run.start), baseDir);
    if (name.isEmpty()) {
        return;
    }
    // Put in directly: the box's undo does not take this replacement back.
    const QString current = edit->text();
    edit->setText(current.left(run.start) + name + current.mid(run.end));
    edit->setCursorPosition(run.start + static_cast<int>(name.size()));
}

void MessageFileChooser::ReplaceSelection(QLineEdit* edit, QWidget* parent,
                                          const std::string& baseDir) const {
    if (!edit->hasSelectedText()) {
        return;
    }
    const int start = edit->selectionStart();
    const int length = static_cast<int>(edit->selectedText().size());
    const QString name = Choose(parent, edit->selectedText(), baseDir);
    if (name.isEmpty() || !PutOnClipboard(name)) {
        return;
    }
    edit->setSelection(start, length);
    edit->paste();
}

bool PutOnClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    return clipboard->text() == text;
}

EditFocus LineEditFocus(const QLineEdit* edit, bool askClipboard) {
    EditFocus focus;
    if (edit == nullptr) {
        return focus;
    }
    focus.isEdit = true;
    focus.canUndo = edit->isUndoAvailable();
    focus.hasSelection = edit->hasSelectedText();
    focus.readOnly = edit->isReadOnly();
    focus.clipboardHasText = !askClipboard || !QGuiApplication::clipboard()->text().isEmpty();
    return focus;
}

bool RunLineEditCommand(QLineEdit* edit, int commandId) {
    switch (commandId) {
        case kCmdUndo:
            edit->undo();
            return true;
        case kCmdCut:
            edit->cut();
            return true;
        case kCmdCopy:
            edit->copy();
            return true;
        case kCmdPaste:
            edit->paste();
            return true;
        default:
            return false;
    }
}

int ExecEditMenu(QWidget* parent, const QString& title,
                 std::initializer_list<EditMenuEntry> entries, const EditFocus& focus,
                 const QPoint& globalPos) {
    QMenu menu(title, parent);
    for (const EditMenuEntry& entry : entries) {
        if (entry.text == nullptr) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(entry.text));
        action->setData(entry.id);
        action->setEnabled(ContextCommandEnabled(entry.id, focus));
    }
    QAction* chosen = menu.exec(globalPos);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

}  // namespace tarnwick
