#pragma once

#include <string>

class QWidget;

namespace tarnwick {

class CTarnwickDoc;
class Prompter;

// Open the message editor on CW group i (list position i) or phone group j (list position
// NCWTitles + j), with the document's working directory as the base for WAV file names. OK
// writes the seven messages and the duration back (never the title) and returns true; Cancel
// leaves the group as it was. The caller saves the settings file and regenerates the buffers.
// `callField` is what %T stands for in the editor's check (the operating window's call box).
bool EditCwGroup(CTarnwickDoc& doc, int i, Prompter& prompter, const std::string& callField,
                 QWidget* parent = nullptr);
bool EditPhoneGroup(CTarnwickDoc& doc, int j, Prompter& prompter, const std::string& callField,
                    QWidget* parent = nullptr);

}  // namespace tarnwick
