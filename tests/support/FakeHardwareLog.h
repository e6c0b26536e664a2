#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace tarnwick::test {

// The ordered record of everything done to fake keying hardware, shared by the fake ports.
class FakeHardwareLog {
public:
    void Add(std::string entry);
    std::vector<std::string> Entries() const;
    // The entries that begin with `prefix`, in order.
    std::vector<std::string> EntriesStartingWith(const std::string& prefix) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

}  // namespace tarnwick::test
