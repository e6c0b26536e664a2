#pragma once

#include <cstdint>
#include <string>

#include "send/MacroExpander.h"

namespace tarnwick {

class CTarnwickDoc;

// What sending a message depends on: the macros' station data and call, the CW speed and
// weights, the TX delay and the folder WAV inserts are read from.
struct MessageCheckContext {
    StationData station;
    std::string callField;
    unsigned cwRate = 15;
    double dotWgt = 1.0;
    double dashWgt = 3.0;
    double letterSp = 3.0;
    double txDelay = 0.2;
    std::string baseDir;
};

// The document's values, with `callField` for %T (the operating window's call box).
MessageCheckContext CheckContextFor(const CTarnwickDoc& doc, const std::string& callField);

struct MessageCheckResult {
    // Empty when the message would be sent to its end; else the message sending would end
    // with ("Error in message string.", or what playing a WAV insert would say).
    std::string problem;
    // How long sending takes up to its end or its problem: keying at the context's speed,
    // WAV inserts, pauses, repeat blocks and the TX delay after each PTT raise.
    uint64_t durationMs = 0;
    // False when the message repeats too often to be followed to its end; the duration is then
    // a lower bound and a problem after that point is not seen.
    bool complete = true;
};

// Walks the message as the transmit engine would, on a virtual clock and without any device,
// so that the result is exactly what sending it would do. Takes well under a millisecond for
// ordinary messages and is bounded for any text.
MessageCheckResult CheckMessage(const std::string& message, const MessageCheckContext& context);

// "42.5 s", "2:05" (minutes and seconds), "1:02:05" for an hour and more.
std::string FormatSendingTime(uint64_t ms);

}  // namespace tarnwick
