#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trx/RigStatus.h"

namespace tarnwick {

// One "name: value" line of a reply; a line without a colon is a bare value with an empty name
// (the daemon answers a level read that way).
struct RigField {
    std::string name;
    std::string value;
};

// One reply block of the daemon's extended protocol: the echo of the command's long name, the
// value lines, and the status of the closing "RPRT n" line.
struct RigReply {
    std::string command;  // "get_freq"; empty when the block began without an echo
    std::string echoArgs;
    std::vector<RigField> fields;
    int status = kRigOk;
    bool truncated = false;  // lines or fields beyond the limits were dropped

    // The first field called `name` ("" finds the first bare value), or null.
    const std::string* Find(std::string_view name) const;
    // That field read as a finite number, or nothing.
    std::optional<double> Number(std::string_view name) const;
};

// Turns the daemon's byte stream into reply blocks. Everything read from the socket is
// untrusted: lines, fields and queued replies are bounded, so a peer that floods or never ends
// a block costs a fixed amount of memory and nothing else.
class RigReplyParser {
public:
    static constexpr size_t kMaxLineBytes = 512;
    static constexpr size_t kMaxFields = 32;
    static constexpr size_t kMaxQueuedReplies = 8;

    void Feed(std::string_view bytes);
    // The oldest completed block, if any.
    std::optional<RigReply> Next();
    // Part of a line or of a block has arrived but not its end.
    bool HasPartial() const { return !line_.empty() || lineOverflow_ || blockStarted_; }
    // Completed blocks dropped because nobody took them.
    size_t Dropped() const { return dropped_; }
    void Reset();

private:
    void EndLine();
    void AddLine(std::string_view line);
    void EndBlock(int status);

    std::string line_;
    bool lineOverflow_ = false;
    RigReply block_;
    bool blockStarted_ = false;
    std::deque<RigReply> done_;
    size_t dropped_ = 0;
};

}  // namespace tarnwick
