#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"

namespace {

constexpr const char* kUsage =
    "usage: tarnwick-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  expand TEMPLATE [--call CALL]     print the template with the station macros replaced\n"
    "  settings list|get NAME|set NAME VALUE\n"
    "                                     read or change the stored settings\n"
    "  key [--wpm N] --trace TEXT        key TEXT as Morse onto a trace that prints every edge\n"
    "  send [--expand] [--trace] MESSAGE send one message with the stored ports and settings\n"
    "  sequence --duration S [--tx-first] [--start HH:MM:SS] MESSAGE\n"
    "                                     send MESSAGE in every transmit sequence of the EME\n"
    "                                     period until stopped\n"
    "\n"
    "Run 'tarnwick-cli COMMAND --help' for the details of one command.\n"
    "The settings file is $TARNWICK_CONFIG, or\n"
    "$XDG_CONFIG_HOME/Tarnwick EME/Contest Software/Tarnwick.conf (~/.config by default).\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace tarnwick::cli;
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    const Args args(argv + 2, argv + argc);
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "expand") {
        return RunExpand(args);
    }
    if (command == "settings") {
        return RunSettings(args);
    }
    if (command == "key") {
        return RunKey(args);
    }
    if (command == "send") {
        return RunSend(args);
    }
    if (command == "sequence") {
        return RunSequence(args);
    }
    std::fprintf(stderr, "tarnwick-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return kExitUsage;
}
