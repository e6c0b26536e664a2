#include "support/ScopedEnvironment.h"

#include <cstdlib>

namespace tarnwick::test {

ScopedEnvironment::ScopedEnvironment(
    const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) {
        Set(name, value);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    Restore();
}

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::Restore() {
    // Newest first, so a name set twice gets its original value back.
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second) {
            setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            unsetenv(it->first.c_str());
        }
    }
    saved_.clear();
}

ScopedSoundClientState::ScopedSoundClientState(const std::string& dir)
    : ScopedEnvironment({{"PULSE_RUNTIME_PATH", dir},
                         {"PULSE_STATE_PATH", dir},
                         {"PULSE_CLIENTCONFIG", dir + "/client.conf"}}) {}

}  // namespace tarnwick::test
