#include "keyer/GeneratedMessages.h"

#include "model/CTarnwickDoc.h"
#include "send/MacroExpander.h"

namespace tarnwick {

namespace {

// The document's Contest value for the Sequenced period; any other counts as the Contest
// period, as for the choice of the group.
constexpr int kSequenced = 1;

}  // namespace

std::optional<GeneratedMessages> GenerateStandardMessages(const CTarnwickDoc& doc,
                                                          std::string_view callText) {
    const int position = doc.ActiveGroupPosition();
    if (position < 0 || static_cast<size_t>(position) >= doc.Groups.size() ||
        doc.Groups[static_cast<size_t>(position)] == nullptr) {
        return std::nullopt;
    }
    const MessageGroup& group = *doc.Groups[static_cast<size_t>(position)];
    const StationData station{doc.MyCall, doc.Report, doc.MyGrid};
    GeneratedMessages out;
    for (size_t k = 0; k < out.buffers.size(); ++k) {
        out.buffers[k] = ExpandMacros(group.Messages[k], station, callText);
    }
    out.number = std::to_string(group.DurNumber);
    out.box = doc.Contest == kSequenced ? NumberBox::SequenceDuration : NumberBox::AutoPause;
    return out;
}

}  // namespace tarnwick
