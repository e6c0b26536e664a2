#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

class CTarnwickDoc;

// The outcome of a typed setting.
struct SettingChange {
    enum class Result { Changed, Unknown, Refused };
    Result result = Result::Unknown;
    std::string name;     // the setting's own spelling, once it is known
    std::string message;  // why the value was refused
};

// Checks a typed value of a stored setting as the windows check it (the settings schema's type,
// range and message) and, when it passes, puts it into the document with what follows from it:
// the group list follows its counts, the parallel port's address its text. A port value must
// leave the port settings within their rules; settings that broke a rule already (a
// hand-edited file) may still be repaired one value at a time, so only a change that breaks
// another rule is refused. A default position must name a group of its mode.
SettingChange ChangeSetting(CTarnwickDoc& doc, std::string_view name, std::string_view text);

}  // namespace tarnwick
