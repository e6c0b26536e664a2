#pragma once

#include <QPointer>
#include <functional>
#include <string>

#include "platform/Prompter.h"

class QMessageBox;
class QWidget;

namespace tarnwick {

// Shows one of the keyer's boxes, titled "Tarnwick", modal over `parent` (or the application),
// and returns the operator's answer. When `abandoned` is given it is asked ten times a second
// whether the asker still waits; once it says no, the box closes with the negative answer.
// `open` (optional) points at the box while it is shown.
PromptAnswer ShowKeyerBox(QWidget* parent, const std::string& text, PromptButtons buttons,
                          const std::function<bool()>& abandoned = {},
                          QPointer<QMessageBox>* open = nullptr);

}  // namespace tarnwick
