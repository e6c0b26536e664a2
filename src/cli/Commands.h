#pragma once

#include <string>
#include <vector>

namespace tarnwick::cli {

using Args = std::vector<std::string>;

// Each takes the arguments after its own name and returns the exit status.
int RunExpand(const Args& args);
int RunSettings(const Args& args);
int RunKey(const Args& args);
int RunSend(const Args& args);
int RunSequence(const Args& args);

// True when args hold -h or --help before a "--".
bool WantsHelp(const Args& args);

// True for an argument that names an option ("-x", "--xyz"); a lone "-" is text. Text that
// starts with '-' goes after "--".
inline bool IsOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

}  // namespace tarnwick::cli
