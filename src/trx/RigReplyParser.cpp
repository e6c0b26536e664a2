#include "trx/RigReplyParser.h"

#include <charconv>
#include <cmath>

namespace tarnwick {

namespace {

constexpr std::string_view kReportTag = "RPRT";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// The daemon's long command names are lower case with underscores; value names are not.
bool IsCommandName(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (const char c : s) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) {
            return false;
        }
    }
    return true;
}

// "RPRT n" with n a whole number in int range; anything else after the tag is unreadable.
int ReportStatus(std::string_view rest) {
    rest = Trim(rest);
    int status = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), status);
    if (ec != std::errc() || end != rest.data() + rest.size()) {
        return kRigProtocolError;
    }
    return status;
}

}  // namespace

const std::string* RigReply::Find(std::string_view name) const {
    for (const RigField& f : fields) {
        if (f.name == name) {
            return &f.value;
        }
    }
    return nullptr;
}

std::optional<double> RigReply::Number(std::string_view name) const {
    const std::string* text = Find(name);
    if (text == nullptr) {
        return std::nullopt;
    }
    const std::string_view s = Trim(*text);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

void RigReplyParser::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n') {
            EndLine();
        } else if (line_.size() < kMaxLineBytes) {
            line_.push_back(c);
        } else {
            lineOverflow_ = true;
        }
    }
}

std::optional<RigReply> RigReplyParser::Next() {
    if (done_.empty()) {
        return std::nullopt;
    }
    RigReply reply = std::move(done_.front());
    done_.pop_front();
    return reply;
}

void RigReplyParser::Reset() {
    line_.clear();
    lineOverflow_ = false;
    block_ = RigReply{};
    blockStarted_ = false;
    done_.clear();
    dropped_ = 0;
}

void RigReplyParser::EndLine() {
    if (lineOverflow_) {
        block_.truncated = true;
        blockStarted_ = true;
    }
    AddLine(line_);
    line_.clear();
    lineOverflow_ = false;
}

void RigReplyParser::AddLine(std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.empty()) {
        return;
    }
    if (line.substr(0, kReportTag.size()) == kReportTag &&
        (line.size() == kReportTag.size() || line[kReportTag.size()] == ' ')) {
        EndBlock(ReportStatus(line.substr(kReportTag.size())));
        return;
    }
    const size_t colon = line.find(':');
    const std::string_view name = colon == std::string_view::npos ? "" : line.substr(0, colon);
    const std::string_view value =
        colon == std::string_view::npos ? line : Trim(line.substr(colon + 1));
    if (!blockStarted_ && IsCommandName(name)) {
        block_.command = name;
        block_.echoArgs = value;
    } else if (block_.fields.size() < kMaxFields) {
        block_.fields.push_back(RigField{std::string(Trim(name)), std::string(value)});
    } else {
        block_.truncated = true;
    }
    blockStarted_ = true;
}

void RigReplyParser::EndBlock(int status) {
    block_.status = status;
    if (done_.size() < kMaxQueuedReplies) {
        done_.push_back(std::move(block_));
    } else {
        ++dropped_;
    }
    block_ = RigReply{};
    blockStarted_ = false;
}

}  // namespace tarnwick
