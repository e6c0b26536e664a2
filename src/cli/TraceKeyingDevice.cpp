#include "cli/TraceKeyingDevice.h"

#include "platform/TimeBase.h"

namespace tarnwick::cli {

TraceLog::TraceLog(TimeBase& time, std::FILE* out)
    : time_(time), out_(out), startNs_(time.NowNs()) {
    pending_.reserve(4096);
    printing_.reserve(4096);
}

void TraceLog::Add(const char* what, char c) {
    const int64_t now = time_.NowNs();
    std::lock_guard lock(mutex_);
    pending_.push_back({now, what, c});
}

void TraceLog::Flush() {
    {
        std::lock_guard lock(mutex_);
        printing_.swap(pending_);
    }
    for (const Entry& e : printing_) {
        const int64_t us = (e.atNs - startNs_) / 1000;
        if (e.c != 0) {
            std::fprintf(out_, "%lld.%06lld %s %c\n", static_cast<long long>(us / 1000000),
                         static_cast<long long>(us % 1000000), e.what, e.c);
        } else {
            std::fprintf(out_, "%lld.%06lld %s\n", static_cast<long long>(us / 1000000),
                         static_cast<long long>(us % 1000000), e.what);
        }
    }
    printing_.clear();
    std::fflush(out_);
}

}  // namespace tarnwick::cli
