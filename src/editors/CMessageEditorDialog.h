#pragma once

#include <QDialog>
#include <QPalette>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "editors/MessageFileChooser.h"
#include "keyer/MessageCheck.h"
#include "model/MessageGroup.h"

class QLabel;
class QLineEdit;
class QMenu;

namespace tarnwick {

class Prompter;

// "Text Messages": the seven messages of one group and its duration number. Each message is
// checked as it is typed, as sending it would go: one that would end with "Error in message
// string." or with a WAV file playback cannot use is marked, and the time sending takes at the
// current speed is shown beside it. A double-click on a file name or Replace Selected File puts
// a chosen WAV file's name into a message. The caller runs LoadGroup, exec() and, on Accepted,
// StoreGroup; the title is never changed here.
class CMessageEditorDialog : public QDialog {
    Q_OBJECT

public:
    // `context.baseDir` is both where chosen file names are made relative to and where the
    // check looks for WAV files.
    CMessageEditorDialog(Prompter& prompter, const MessageCheckContext& context,
                         QWidget* parent = nullptr);
    ~CMessageEditorDialog() override;

    void LoadGroup(const MessageGroup& group);
    // The messages and the duration as accepted; the title stays as it is.
    void StoreGroup(MessageGroup& group) const;

    // Replaces the file dialog (tests answer it without a window).
    void SetFileChooser(FileChooser chooser) { files_.SetChooser(std::move(chooser)); }

    // The edit commands on the focused edit box (Undo, Cut, Copy, Paste, Replace Selected File,
    // by their command ids) and their enabling.
    bool IsCommandEnabled(int commandId) const;
    void RunCommand(int commandId);

    QLineEdit* MessageEdit(int index) const { return edits_[index]; }
    QLineEdit* DurationEdit() const { return duration_; }
    QLabel* CheckLabel(int index) const { return checks_[index]; }
    QLabel* CaptionLabel() const { return caption_; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    int IndexOf(const QObject* object) const;
    QLineEdit* FocusedEdit() const;
    void Recheck(int index);
    void RunCommandOn(QLineEdit* edit, int commandId);

    Prompter& prompter_;
    const MessageCheckContext context_;
    MessageFileChooser files_;
    std::array<QLineEdit*, kMessagesPerGroup> edits_{};
    std::array<QLabel*, kMessagesPerGroup> checks_{};
    std::array<QString, kMessagesPerGroup> messages_;
    QLineEdit* duration_ = nullptr;
    QLabel* caption_ = nullptr;
    QPalette editPalette_;
    int durNumber_ = 0;
};

}  // namespace tarnwick
