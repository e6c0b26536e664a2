// Feeds arbitrary bytes to the daemon-reply parser, byte by byte and cut into pieces where the
// input says. Nothing may crash, every limit must hold, and how the stream was cut must not change
// the replies.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "trx/RigReplyParser.h"

namespace {

using tarnwick::RigReply;
using tarnwick::RigReplyParser;

void CheckLimits(const RigReply& r) {
    if (r.fields.size() > RigReplyParser::kMaxFields ||
        r.command.size() > RigReplyParser::kMaxLineBytes ||
        r.echoArgs.size() > RigReplyParser::kMaxLineBytes) {
        abort();
    }
    for (const auto& f : r.fields) {
        if (f.name.size() + f.value.size() > RigReplyParser::kMaxLineBytes) {
            abort();
        }
        if (auto n = r.Number(f.name); n && !(*n == *n)) {
            abort();  // a number read from a reply is never NaN
        }
    }
}

// Takes every reply as soon as it is complete, as the link does.
std::vector<RigReply> Drain(RigReplyParser& parser) {
    std::vector<RigReply> out;
    while (auto r = parser.Next()) {
        CheckLimits(*r);
        out.push_back(std::move(*r));
    }
    return out;
}

bool Same(const RigReply& a, const RigReply& b) {
    if (a.command != b.command || a.echoArgs != b.echoArgs || a.status != b.status ||
        a.truncated != b.truncated || a.fields.size() != b.fields.size()) {
        return false;
    }
    for (size_t i = 0; i < a.fields.size(); ++i) {
        if (a.fields[i].name != b.fields[i].name || a.fields[i].value != b.fields[i].value) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the cut length; the rest is the stream.
    const size_t step = 1 + data[0] % 17;
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

    // Byte by byte and in the chosen cuts, taking replies as they complete.
    RigReplyParser bytewise;
    std::vector<RigReply> expected;
    for (const char c : stream) {
        bytewise.Feed(std::string_view(&c, 1));
        for (RigReply& r : Drain(bytewise)) {
            expected.push_back(std::move(r));
        }
    }

    RigReplyParser cut;
    std::vector<RigReply> got;
    for (size_t pos = 0; pos < stream.size(); pos += step) {
        cut.Feed(stream.substr(pos, step));
        for (RigReply& r : Drain(cut)) {
            got.push_back(std::move(r));
        }
    }
    if (got.size() != expected.size() || bytewise.HasPartial() != cut.HasPartial() ||
        bytewise.Dropped() != 0 || cut.Dropped() != 0) {
        abort();
    }
    for (size_t i = 0; i < got.size(); ++i) {
        if (!Same(got[i], expected[i])) {
            abort();
        }
    }

    // Left unread, completed replies are capped, not piled up.
    RigReplyParser unread;
    unread.Feed(stream);
    unread.Feed(stream);
    size_t queued = 0;
    while (unread.Next()) {
        ++queued;
    }
    if (queued > RigReplyParser::kMaxQueuedReplies) {
        abort();
    }
    return 0;
}
