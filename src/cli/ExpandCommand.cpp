#include <cstdio>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/StoredDocument.h"
#include "send/MacroExpander.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kHelp =
    "usage: tarnwick-cli expand TEMPLATE [--call CALL]\n"
    "\n"
    "Prints TEMPLATE with %M (own call), %R (report), %S (4-character grid), %G (grid) and\n"
    "%T (the other station's call) replaced by the stored station data. --call gives the\n"
    "other station's call; without it the stored HisCall is used.\n";

}  // namespace

int RunExpand(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    std::string templ;
    std::string call;
    bool haveTemplate = false;
    bool haveCall = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--call") {
            if (i + 1 >= args.size()) {
                std::fputs("tarnwick-cli expand: --call needs a call sign\n", stderr);
                return kExitUsage;
            }
            call = args[++i];
            haveCall = true;
        } else if (!haveTemplate) {
            templ = args[i];
            haveTemplate = true;
        } else {
            std::fprintf(stderr, "tarnwick-cli expand: unexpected argument '%s'\n%s",
                         args[i].c_str(), kHelp);
            return kExitUsage;
        }
    }
    if (!haveTemplate) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    StoredDocument stored;
    const CTarnwickDoc& doc = stored.Doc();
    const StationData station{doc.MyCall, doc.Report, doc.MyGrid};
    std::printf("%s\n", ExpandMacros(templ, station, haveCall ? call : doc.HisCall).c_str());
    return kExitOk;
}

bool WantsHelp(const Args& args) {
    for (const auto& a : args) {
        if (a == "--") {
            return false;
        }
        if (a == "-h" || a == "--help") {
            return true;
        }
    }
    return false;
}

}  // namespace tarnwick::cli
