#pragma once

#include <cstdint>
#include <string>

#include "send/MessageActions.h"

namespace tarnwick {

// Repeat and pause lengths are timed on the 32-bit millisecond clock; anything longer than it
// can compare safely (about 24.8 days) is refused as a malformed message.
inline constexpr int kMaxTagSeconds = 2'147'483;
// Deeper nesting than this is refused as malformed instead of exhausting the stack.
inline constexpr int kMaxNesting = 64;

struct WalkResult {
    WalkStatus status = WalkStatus::Done;
    uint32_t elapsedMs = 0;
};

// Walks a message left to right into text runs, repeat blocks, pauses with PTT released and
// WAV inserts, calling the engine's actions. Holds no state beyond one walk.
class MessageWalker {
public:
    explicit MessageWalker(MessageActions& actions) : actions_(actions) {}

    // Walks (and consumes) `message`; returns how it ended and how long it took.
    WalkResult RunMessage(std::string& message);

private:
    WalkResult Walk(std::string& message, int depth);
    WalkStatus Block(std::string& message, int depth);
    WalkStatus Pause(std::string& message);
    WalkStatus RepeatFor(const std::string& body, int seconds, int depth);
    WalkStatus RepeatTimes(const std::string& body, int count, int depth);
    WalkStatus WaitTimer(uint32_t delayMs, uint32_t timeoutMs);
    WalkStatus Malformed();

    MessageActions& actions_;
    // Counts actions taken, to tell a repetition that does nothing from one that does.
    uint64_t actionCount_ = 0;
};

}  // namespace tarnwick
