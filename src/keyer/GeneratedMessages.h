#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/MessageGroup.h"

namespace tarnwick {

class CTarnwickDoc;

// Which box of the operating window takes the group's duration number.
enum class NumberBox {
    SequenceDuration,  // the Sequenced period
    AutoPause,         // the Contest period
};

// What the standard-message generator puts into the operating window.
struct GeneratedMessages {
    std::array<std::string, kMessagesPerGroup> buffers;  // TX 1..TX 7
    std::string number;                                  // the group's DurNumber, "%d"
    NumberBox box = NumberBox::SequenceDuration;         // the other box keeps its text
};

// The default group of the document's mode and period (ActiveGroupPosition) with the station
// macros replaced: MyCall, Report and MyGrid from the document, %T by `callText` (the call box
// as it reads now). The number is not range-checked here. Nothing when the document has no
// such group (it was never set up).
std::optional<GeneratedMessages> GenerateStandardMessages(const CTarnwickDoc& doc,
                                                          std::string_view callText);

}  // namespace tarnwick
