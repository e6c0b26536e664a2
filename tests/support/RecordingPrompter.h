#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/Prompter.h"

namespace tarnwick::test {

// Records every box and answers with a fixed answer (the negative one by default).
class RecordingPrompter : public Prompter {
public:
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, Event* cancel) override;
    std::vector<std::string> Texts() const;

    bool answerPositive = false;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

}  // namespace tarnwick::test
