#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Command ids of the message editor's context menu, also used by the frame's Edit menu.
inline constexpr int kCmdUndo = 57643;
inline constexpr int kCmdCut = 57635;
inline constexpr int kCmdCopy = 57634;
inline constexpr int kCmdPaste = 57637;
inline constexpr int kCmdReplaceFile = 32780;

// The standard message of a number box that does not hold a whole number.
inline constexpr const char* kWholeNumberMessage = "Please enter an integer.";

// A selection in an edit box, in UTF-16 code units as the box counts them; end is exclusive.
struct TextRange {
    int start = 0;
    int end = 0;
    bool operator==(const TextRange&) const = default;
};

// What a double-click selects in an edit box: the run of non-blank characters around
// `position` (blanks and tabs end a word; brackets and dots do not).
TextRange WordAt(std::u16string_view text, int position);

// Narrows a selection to the file name inside it: from the middle of the selection outwards to
// the nearest brackets ("{", "}", "[", "]") or the selection's ends. Empty when the middle is a
// bracket; an empty selection stays as it is.
TextRange NarrowToFileName(std::u16string_view text, TextRange selection);

// Where the file dialog starts for a selected name: in `currentDir`, or in the name's own
// folder when it has one (a relative folder is taken from `currentDir`); the name keeps only its
// file part.
struct FileDialogStart {
    std::string directory;
    std::string fileName;
};
FileDialogStart FileDialogStartFor(const std::string& selected, const std::string& currentDir);

// The name put into a message for a chosen file: relative to `baseDir` when the file lies under
// it (the base folder and the separators after it removed), else the full path as it is, since
// a path made relative by mistake would name another file.
std::string ShortenFileName(const std::string& chosenPath, const std::string& baseDir);

// What the command enabling needs to know about the focused window.
struct EditFocus {
    bool isEdit = false;  // the focused window is an edit box
    bool canUndo = false;
    bool hasSelection = false;
    bool readOnly = false;
    bool clipboardHasText = false;
};

// Enabling wherever commands are queried (the frame's Edit menu, the toolbar).
bool EditCommandEnabled(int commandId, const EditFocus& focus);
// Enabling in the context menu over a message box: Cut and Copy need a selection, Undo needs
// something to undo, Paste and Replace Selected File stay enabled.
bool ContextCommandEnabled(int commandId, const EditFocus& focus);

// A duration box's text as a whole number (blanks around it allowed), else nothing.
std::optional<int> ParseWholeNumber(std::string_view text);

// The caption above the messages: "Current Macros for Menu <title>:".
std::string MessageMenuCaption(const std::string& title);

}  // namespace tarnwick
