#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/StoredDocument.h"
#include "keyer/SettingEditor.h"
#include "model/SettingsFormat.h"
#include "model/SettingsSchema.h"
#include "model/WindowPos.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kHelp =
    "usage: tarnwick-cli settings list\n"
    "       tarnwick-cli settings get NAME\n"
    "       tarnwick-cli settings set NAME VALUE\n"
    "\n"
    "Reads and writes the stored settings under their stored names (MyCall, CWRate,\n"
    "PortMatrix[0][1], ComDevice5, Title00, Message00-03, ...; any case). 'list' and 'get'\n"
    "show every setting as the keyer uses it: the stored value, or the default where none is\n"
    "stored, or the value keying takes where the stored one lies outside what it keys\n"
    "(CWRate=0 keys at 1 WPM). Values are shown, and VALUE is read, with \\\\ for a backslash,\n"
    "\\n, \\r and \\xHH for control characters. 'set' refuses unknown names and the values the\n"
    "keyer's windows refuse, with their messages (port values also by the port settings'\n"
    "rules), and writes the file once, atomically.\n";

bool IsWindowPos(const std::string& name) {
    return FoldCase(name) == FoldCase(kWindowPosName);
}

// The placement as the window would apply it; nothing when it would not be applied.
std::optional<std::string> WindowPosText(const SettingsStore& store) {
    if (const auto pos = ReadWindowPos(store)) {
        return FormatWindowPos(*pos);
    }
    return std::nullopt;
}

int Refuse(const std::string& name, const std::string& value, const std::string& why) {
    std::fprintf(stderr, "tarnwick-cli settings: %s '%s': %s\n", name.c_str(),
                 EscapeText(value).c_str(), why.c_str());
    return kExitUsage;
}

int Set(StoredDocument& stored, const std::string& name, const std::string& typed) {
    const std::string value = UnescapeText(typed);
    if (IsWindowPos(name)) {
        const auto pos = ParseTypedWindowPos(value);
        if (!pos) {
            return Refuse(kWindowPosName, value,
                          "Please enter twelve integers separated by colons.");
        }
        WriteWindowPos(stored.Store(), *pos);
        return stored.Save() ? kExitOk : kExitFailed;
    }
    const SettingChange change = ChangeSetting(stored.Doc(), name, value);
    switch (change.result) {
        case SettingChange::Result::Unknown:
            std::fprintf(stderr,
                         "tarnwick-cli settings: unknown setting '%s' (see 'tarnwick-cli "
                         "settings list')\n",
                         name.c_str());
            return kExitUsage;
        case SettingChange::Result::Refused:
            return Refuse(change.name, value, change.message);
        case SettingChange::Result::Changed:
            break;
    }
    return stored.Save() ? kExitOk : kExitFailed;
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
    if (verb == "set") {
        return Set(stored, args[1], args[2]);
    }
    const std::optional<std::string> pos = WindowPosText(stored.Store());
    if (verb == "list") {
        for (const SettingEntry& entry : AllSettings(stored.Doc())) {
            std::printf("%s=%s\n", entry.name.c_str(), EscapeText(KeyedText(entry)).c_str());
        }
        if (pos) {
            std::printf("%s=%s\n", kWindowPosName, pos->c_str());
        }
        return kExitOk;
    }
    const std::string& name = args[1];
    if (IsWindowPos(name)) {
        std::printf("%s\n", pos.value_or("").c_str());
        return kExitOk;
    }
    const auto entry = FindSetting(stored.Doc(), name);
    if (!entry) {
        std::fprintf(stderr,
                     "tarnwick-cli settings: unknown setting '%s' (see 'tarnwick-cli settings "
                     "list')\n",
                     name.c_str());
        return kExitUsage;
    }
    std::printf("%s\n", EscapeText(KeyedText(*entry)).c_str());
    return kExitOk;
}

}  // namespace tarnwick::cli
