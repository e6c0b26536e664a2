#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/SettingRules.h"
#include "cli/StoredDocument.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kSection = "Settings";
constexpr const char* kWindowPos = "WindowPos";

constexpr const char* kHelp =
    "usage: tarnwick-cli settings list\n"
    "       tarnwick-cli settings get NAME\n"
    "       tarnwick-cli settings set NAME VALUE\n"
    "\n"
    "Reads and writes the stored settings under their stored names (MyCall, CWRate,\n"
    "PortMatrix[0][1], Title00, Message00-03, ...). 'list' shows every setting as the keyer\n"
    "uses it: the stored value, or the default where none is stored. 'set' refuses unknown\n"
    "names and values that do not parse or lie outside what the keyer accepts, and writes\n"
    "the file atomically.\n";

// The names and values the document would write now, in their stored order.
std::vector<std::pair<std::string, std::string>> CurrentValues(StoredDocument& stored) {
    SettingsStore scratch("");
    stored.Doc().SaveSettings(scratch);
    std::vector<std::pair<std::string, std::string>> values;
    for (const auto& name : scratch.Names(kSection)) {
        values.emplace_back(name, scratch.GetString(kSection, name));
    }
    const std::string pos = stored.Store().GetString(kSection, kWindowPos);
    if (!pos.empty()) {
        values.emplace_back(kWindowPos, pos);
    }
    return values;
}

bool IsKnown(const std::vector<std::pair<std::string, std::string>>& values,
             const std::string& name) {
    if (name == kWindowPos) {
        return true;
    }
    for (const auto& [n, v] : values) {
        if (n == name) {
            return true;
        }
    }
    return false;
}

int UnknownName(const std::string& name) {
    std::fprintf(stderr,
                 "tarnwick-cli settings: unknown setting '%s' (see 'tarnwick-cli settings "
                 "list')\n",
                 name.c_str());
    return kExitUsage;
}

}  // namespace

int RunSettings(const Args& args) {
    if (WantsHelp(args) || args.empty()) {
        std::fputs(kHelp, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string& verb = args[0];
    const size_t expected = verb == "list" ? 1 : verb == "get" ? 2 : verb == "set" ? 3 : 0;
    if (expected == 0 || args.size() != expected) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    StoredDocument stored;
    const auto values = CurrentValues(stored);
    if (verb == "list") {
        for (const auto& [name, value] : values) {
            std::printf("%s=%s\n", name.c_str(), value.c_str());
        }
        return kExitOk;
    }
    const std::string& name = args[1];
    if (!IsKnown(values, name)) {
        return UnknownName(name);
    }
    if (verb == "get") {
        for (const auto& [n, value] : values) {
            if (n == name) {
                std::printf("%s\n", value.c_str());
                return kExitOk;
            }
        }
        std::printf("\n");  // WindowPos not stored yet
        return kExitOk;
    }
    const std::string& value = args[2];
    if (const auto problem = CheckValue(name, value)) {
        std::fprintf(stderr, "tarnwick-cli settings: %s %s: '%s'\n", name.c_str(), problem->c_str(),
                     value.c_str());
        return kExitUsage;
    }
    // Read the new value through the document, so that what is written is what the keyer
    // will use (group counts resize the list, defaults move into range).
    // Every value is written first, so a new file comes out in the keyer's own order.
    stored.Doc().SaveSettings(stored.Store());
    stored.Store().WriteString(kSection, name, value);
    if (name != kWindowPos) {
        stored.Reload();
    }
    return stored.Save() ? kExitOk : kExitFailed;
}

}  // namespace tarnwick::cli
