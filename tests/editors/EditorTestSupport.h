#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"

class QDialog;
class QLineEdit;
class QMenu;
class QWidget;

namespace tarnwick::test {

// A document on a settings file of its own, found as the program finds it (TARNWICK_CONFIG),
// and a prompter that records every box.
class DialogFixture {
public:
    DialogFixture();
    ~DialogFixture();

    // Saves the document through the store, as the program does after a dialog's OK.
    bool Save();
    // A value as the settings file on disk holds it (read afresh).
    std::string Stored(const std::string& name) const;

    ScratchDir dir;
    RecordingPrompter prompter;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CTarnwickDoc> doc;

private:
    ScopedEnvironment environment_;
};

// Runs `act` on the next modal dialog to open (from a timer, while the caller sits in exec()).
// A dialog that never opens fails the test; one that `act` leaves open is rejected.
void WhenModal(std::function<void(QDialog*)> act);
// The same for the next popup menu; `act` triggers an action or leaves it to be closed.
void WhenPopup(std::function<void(QMenu*)> act);

// Replaces the box's text the way an operator does: select all, type.
void Type(QLineEdit* edit, const QString& text);
// Clicks the dialog's button with this text.
void ClickButton(QWidget* dialog, const QString& text);

}  // namespace tarnwick::test
