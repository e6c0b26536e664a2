#include "editors/GroupEditing.h"

#include "editors/CMessageEditorDialog.h"
#include "keyer/MessageCheck.h"
#include "model/CTarnwickDoc.h"

namespace tarnwick {
namespace {

bool EditGroupAt(CTarnwickDoc& doc, int position, Prompter& prompter, const std::string& callField,
                 QWidget* parent) {
    if (position < 0 || static_cast<size_t>(position) >= doc.Groups.size() ||
        !doc.Groups[position]) {
        return false;
    }
    CMessageEditorDialog editor(prompter, CheckContextFor(doc, callField), parent);
    editor.LoadGroup(*doc.Groups[position]);
    if (editor.exec() != QDialog::Accepted) {
        return false;
    }
    // The list cannot change while the editor is modal; the position still names the group.
    editor.StoreGroup(*doc.Groups[position]);
    return true;
}

}  // namespace

bool EditCwGroup(CTarnwickDoc& doc, int i, Prompter& prompter, const std::string& callField,
                 QWidget* parent) {
    return doc.IsCwPosition(i) && EditGroupAt(doc, i, prompter, callField, parent);
}

bool EditPhoneGroup(CTarnwickDoc& doc, int j, Prompter& prompter, const std::string& callField,
                    QWidget* parent) {
    const int position = doc.NCWTitles + j;
    return j >= 0 && doc.IsPhonePosition(position) &&
           EditGroupAt(doc, position, prompter, callField, parent);
}

}  // namespace tarnwick
