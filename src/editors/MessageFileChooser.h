#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <string>

#include "keyer/MessageEditRules.h"

class QLineEdit;
class QPoint;
class QWidget;

namespace tarnwick {

// Where the file chooser starts and what it offers.
struct FileChoice {
    QString directory;
    QString fileName;
    QStringList nameFilters;
    QString defaultSuffix;
};
// Returns the chosen full path, or an empty string when the operator cancelled.
using FileChooser = std::function<QString(QWidget* parent, const FileChoice& choice)>;

// The file gestures of a box holding a message, shared by the message editor and the operating
// window's buffers: a double-click on a file name offers the file dialog and puts the chosen
// name in its place; Replace Selected File does so for the selection, through the clipboard so
// that the box's undo takes it back. Names are made relative to `baseDir` where they can be.
class MessageFileChooser {
public:
    // The file dialog, for a file that exists or is still to be recorded.
    MessageFileChooser();

    // Replaces the file dialog (tests answer it without a window).
    void SetChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    // The chosen file's name as it goes into a message, or empty when cancelled.
    QString Choose(QWidget* parent, const QString& selected, const std::string& baseDir) const;
    void ChooseAtDoubleClick(QLineEdit* edit, const QPoint& pos, QWidget* parent,
                             const std::string& baseDir) const;
    void ReplaceSelection(QLineEdit* edit, QWidget* parent, const std::string& baseDir) const;

private:
    FileChooser chooser_;
};

// Puts `text` on the clipboard; false when the clipboard did not take it (nothing is replaced
// then).
bool PutOnClipboard(const QString& text);

// The state of a line edit that decides which edit commands it allows (nothing for none). The
// clipboard is read only when `askClipboard` (it may hang on its owner): otherwise Paste counts
// as possible.
EditFocus LineEditFocus(const QLineEdit* edit, bool askClipboard);

// Runs Undo, Cut, Copy or Paste on `edit`; false for any other command.
bool RunLineEditCommand(QLineEdit* edit, int commandId);

// An entry of an edit box's own menu; no text for a separator.
struct EditMenuEntry {
    const char* text;
    int id;
};
// Shows the menu at `globalPos`, its entries enabled as `focus` allows; the chosen command's
// id, or 0 when none was chosen.
int ExecEditMenu(QWidget* parent, const QString& title,
                 std::initializer_list<EditMenuEntry> entries, const EditFocus& focus,
                 const QPoint& globalPos);

}  // namespace tarnwick
