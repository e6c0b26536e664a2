#pragma once

#include "keyer/SessionListener.h"

namespace tarnwick::cli {

// A keyer session's listener without a window: every box goes to stderr and gets its negative
// answer (nobody is there to press Retry). Commands add what they print of the events.
class ConsoleListener : public SessionListener {
public:
    PromptAnswer ShowBox(const std::string& text, PromptButtons buttons, Event* abandoned) override;
};

}  // namespace tarnwick::cli
