#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick::test {

// Sets environment variables of this process and puts the old values back when it goes. Use it
// only while no other thread reads the environment.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    explicit ScopedEnvironment(const std::vector<std::pair<std::string, std::string>>& values);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value);
    void Restore();

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Keeps the sound-server client library that ALSA's plugins load from leaving state under the
// user's home and in /tmp when a test opens or lists devices without a test server.
class ScopedSoundClientState : public ScopedEnvironment {
public:
    explicit ScopedSoundClientState(const std::string& dir);
};

}  // namespace tarnwick::test
