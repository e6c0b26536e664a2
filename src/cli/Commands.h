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

// True when args hold -h or --help.
bool WantsHelp(const Args& args);

}  // namespace tarnwick::cli
