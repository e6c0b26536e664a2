#include "model/WindowPos.h"

#include <array>
#include <limits>
#include <string>
#include <string_view>

#include "model/SettingsFormat.h"
#include "model/SettingsStore.h"

namespace tarnwick {
namespace {

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
    store.WriteString(kSettingsSection, kWindowPosName, FormatWindowPos(pos));
}

std::string FormatWindowPos(const WindowPos& pos) {
    WindowPos copy = pos;
    std::string text;
    for (int* field : Fields(copy)) {
        if (!text.empty()) {
            text += ':';
        }
        text += FormatInt(*field);
    }
    return text;
}

std::optional<WindowPos> ParseTypedWindowPos(std::string_view text) {
    WindowPos pos;
    for (int* field : Fields(pos)) {
        const size_t colon = text.find(':');
        const auto value = ParseWholeInteger(text.substr(0, colon));
        if (!value || *value < std::numeric_limits<int>::min() ||
            *value > std::numeric_limits<int>::max()) {
            return std::nullopt;
        }
        *field = static_cast<int>(*value);
        const bool last = field == &pos.OtherColumnWidth;
        if (last != (colon == std::string_view::npos)) {
            return std::nullopt;
        }
        text.remove_prefix(last ? text.size() : colon + 1);
    }
    return pos;
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
