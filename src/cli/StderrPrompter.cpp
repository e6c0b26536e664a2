#include "cli/StderrPrompter.h"

#include <cstdio>

namespace tarnwick::cli {

PromptAnswer StderrPrompter::Ask(const std::string& text, PromptButtons buttons,
                                 Event* /*cancel*/) {
    std::fprintf(stderr, "tarnwick-cli: %s\n", text.c_str());
    return NegativeAnswer(buttons);
}

}  // namespace tarnwick::cli
