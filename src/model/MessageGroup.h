#pragma once

#include <array>
#include <string>

namespace tarnwick {

inline constexpr int kMessagesPerGroup = 7;

// A titled set of the seven transmit messages (TX 1..TX 7) and the duration number placed in
// the sequence-duration or Auto-pause box when the group's messages are generated.
class MessageGroup {
public:
    MessageGroup() = default;
    MessageGroup(const MessageGroup&) = default;
    MessageGroup& operator=(const MessageGroup&) = default;
    virtual ~MessageGroup() = default;

    std::array<std::string, kMessagesPerGroup> Messages;
    int DurNumber = 0;
    std::string Title;
};

}  // namespace tarnwick
