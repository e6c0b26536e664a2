#include "cli/ConsoleListener.h"

#include <cstdio>

namespace tarnwick::cli {

PromptAnswer ConsoleListener::ShowBox(const std::string& text, PromptButtons buttons,
                                      Event* /*abandoned*/) {
    std::fprintf(stderr, "tarnwick-cli: %s\n", text.c_str());
    return NegativeAnswer(buttons);
}

}  // namespace tarnwick::cli
