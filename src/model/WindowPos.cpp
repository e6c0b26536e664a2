#include "model/WindowPos.h"

#include <array>
#include <string>
#include <string_view>

#include "model/SettingsFormat.h"
#include "model/SettingsStore.h"

namespace tarnwick {
namespace {

constexpr char kWindowPosName[] = "WindowPos";
constexpr int kWindowPosFields = 12;

std::array<int*, kWindowPosFields> Fields(WindowPos& p) {
    return {&p.Flags,
            &p.ShowCmd,
            &p.MinX,
            &p.MinY,
            &p.MaxX,
            &p.MaxY,
            &p.Left,
            &p.Top,
            &p.Right,
            &p.Bottom,
            &p.TitleColumnWidth,
            &p.OtherColumnWidth};
}

}  // namespace

std::optional<WindowPos> ReadWindowPos(const SettingsStore& store) {
    const std::string text = store.GetString(kSettingsSection, kWindowPosName);
    std::string_view rest(text);
    WindowPos pos;
    bool first = true;
    // As scanf reads "%i:%i:...": each number may have leading white space, each colon must
    // follow its number directly, and anything after the twelfth number is ignored.
    for (int* field : Fields(pos)) {
        if (!first) {
            if (rest.empty() || rest.front() != ':') {
                return std::nullopt;
            }
            rest.remove_prefix(1);
        }
        first = false;
        size_t used = 0;
        const auto value = ParseInt(rest, &used);
        if (!value) {
            return std::nullopt;
        }
        *field = *value;
        rest.remove_prefix(used);
    }
    return pos;
}

void WriteWindowPos(SettingsStore& store, const WindowPos& pos) {
    WindowPos copy = pos;
    std::string text;
    for (int* field : Fields(copy)) {
        if (!text.empty()) {
            text += ':';
        }
        text += FormatInt(*field);
    }
    store.WriteString(kSettingsSection, kWindowPosName, text);
}

WindowPos WithMaximizedFlag(WindowPos pos, bool maximized) {
    if (maximized) {
        pos.Flags |= kRestoreToMaximized;
    }
    return pos;
}

bool RestoresMaximized(const WindowPos& pos) {
    return (pos.Flags & kRestoreToMaximized) != 0;
}

}  // namespace tarnwick
