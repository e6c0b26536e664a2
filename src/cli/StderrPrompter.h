#pragma once

#include "platform/Prompter.h"

namespace tarnwick::cli {

// Message boxes of a program without windows: the text goes to stderr and every question gets
// its negative answer (nobody is there to press Retry).
class StderrPrompter : public Prompter {
public:
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, Event* cancel) override;
};

}  // namespace tarnwick::cli
