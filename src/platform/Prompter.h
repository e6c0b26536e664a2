#pragma once

#include <string>

namespace tarnwick {

class Event;

enum class PromptButtons { Ok, RetryCancel, YesNo };
enum class PromptAnswer { Ok, Retry, Cancel, Yes, No };

// Message boxes and questions with the system's own texts. Worker threads call it and wait for
// the answer; when `cancel` is signalled before the operator answers, the call returns the
// negative answer (Ok, Cancel or No) so that a stop is never held up by an open box.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer Ask(const std::string& text, PromptButtons buttons,
                             Event* cancel = nullptr) = 0;

    void Show(const std::string& text, Event* cancel = nullptr) {
        Ask(text, PromptButtons::Ok, cancel);
    }
};

// The answer a box gives when nobody can answer it.
PromptAnswer NegativeAnswer(PromptButtons buttons);

}  // namespace tarnwick
