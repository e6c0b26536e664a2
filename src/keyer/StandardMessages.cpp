#include "keyer/StandardMessages.h"

#include "model/CTarnwickDoc.h"
#include "send/MacroExpander.h"

namespace tarnwick {

std::optional<StandardMessages> GenerateStandardMessages(const CTarnwickDoc& doc,
                                                         const std::string& callText) {
    const int position = doc.ActiveGroupPosition();
    if (position < 0 || static_cast<size_t>(position) >= doc.Groups.size() ||
        !doc.Groups[position]) {
        return std::nullopt;
    }
    const MessageGroup& group = *doc.Groups[position];
    const StationData station{doc.MyCall, doc.Report, doc.MyGrid};
    StandardMessages out;
    for (int k = 0; k < kBufferCount; ++k) {
        out.buffers[k] = ExpandMacros(group.Messages[k], station, callText);
    }
    out.number = std::to_string(group.DurNumber);
    return out;
}

}  // namespace tarnwick
