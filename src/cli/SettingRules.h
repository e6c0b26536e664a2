#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::cli {

enum class SettingKind { String, Int, Unsigned, Double, WindowPos };

// What a stored value must look like when typed on the command line: its kind and, where the
// windows limit it, its range.
struct SettingRule {
    SettingKind kind = SettingKind::Int;
    std::optional<double> min;
    std::optional<double> max;
};

SettingRule RuleFor(std::string_view name);

// Checks a typed value strictly (the whole text must be the number); returns an explanation
// when it is refused.
std::optional<std::string> CheckValue(std::string_view name, std::string_view value);

}  // namespace tarnwick::cli
