#pragma once

#include <array>
#include <optional>
#include <string>

#include "keyer/Sequencer.h"

namespace tarnwick {

class CTarnwickDoc;

// The buffers and the box text the standard-message generator produces.
struct StandardMessages {
    std::array<std::string, kBufferCount> buffers;
    // The group's duration number: the sequence-duration box in the Sequenced period, the
    // Auto-pause box in the Contest period.
    std::string number;
};

// The default group of the document's mode and period with the station macros replaced, %T by
// `callText` (the call box as it reads now). Nothing when the document holds no groups yet.
std::optional<StandardMessages> GenerateStandardMessages(const CTarnwickDoc& doc,
                                                         const std::string& callText);

}  // namespace tarnwick
