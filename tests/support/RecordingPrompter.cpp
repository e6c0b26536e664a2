#include "support/RecordingPrompter.h"

namespace tarnwick::test {

PromptAnswer RecordingPrompter::Ask(const std::string& text, PromptButtons buttons,
                                    Event* /*cancel*/) {
    std::lock_guard lock(mutex_);
    texts_.push_back(text);
    if (!answerPositive) {
        return NegativeAnswer(buttons);
    }
    switch (buttons) {
        case PromptButtons::Ok:
            return PromptAnswer::Ok;
        case PromptButtons::RetryCancel:
            return PromptAnswer::Retry;
        case PromptButtons::YesNo:
            return PromptAnswer::Yes;
    }
    return PromptAnswer::Ok;
}

std::vector<std::string> RecordingPrompter::Texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
}

}  // namespace tarnwick::test
