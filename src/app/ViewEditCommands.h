#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

#include "editors/MessageFileChooser.h"
#include "keyer/MessageEditRules.h"
#include "keyer/Sequencer.h"

class QLineEdit;
class QPlainTextEdit;
class QPoint;
class QWidget;

namespace tarnwick {

class CMainFrame;
class CTarnwickDoc;

// The Edit menu (Undo, Cut, Copy, Paste, Replace File) on whichever edit box has the keyboard
// focus, in this window or any other, with the menu and toolbar enabled as that box allows;
// and, in Phone mode, the message buffers' file gestures: a double-click on a file name offers
// the file dialog, and the right button opens the window's own edit menu.
class ViewEditCommands : public QObject {
    Q_OBJECT

public:
    ViewEditCommands(CMainFrame& frame, const CTarnwickDoc& doc,
                     const std::array<QLineEdit*, kBufferCount>& buffers, QWidget& view);
    ~ViewEditCommands() override;

    // Replaces the file dialog (tests answer it without a window).
    void SetFileChooser(FileChooser chooser) { files_.SetChooser(std::move(chooser)); }

    bool IsEnabled(int commandId) const;
    void Run(int commandId);
    // Sets the enabled state of the frame's Edit commands from the focused box; the clipboard
    // is read only when asked (as a menu opens).
    void UpdateEnabling(bool askClipboard);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EditFocus Focus(bool askClipboard) const;
    void FollowFocus(QWidget* now);
    void ReplacePlainTextSelection(QPlainTextEdit* edit);
    void ShowBufferMenu(QLineEdit* edit, const QPoint& globalPos);

    CMainFrame& frame_;
    const CTarnwickDoc& doc_;
    std::array<QLineEdit*, kBufferCount> buffers_;
    QWidget& view_;
    MessageFileChooser files_;
    QPointer<QWidget> followed_;
    std::array<QMetaObject::Connection, 3> followConnections_;
};

}  // namespace tarnwick
