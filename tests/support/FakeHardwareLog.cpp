#include "support/FakeHardwareLog.h"

namespace tarnwick::test {

void FakeHardwareLog::Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> FakeHardwareLog::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> FakeHardwareLog::EntriesStartingWith(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& e : entries_) {
        if (e.rfind(prefix, 0) == 0) {
            out.push_back(e);
        }
    }
    return out;
}

void FakeHardwareLog::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

}  // namespace tarnwick::test
