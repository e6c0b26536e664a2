#pragma once

namespace tarnwick {

// Sees what the keying port manager does, at the moment it does it (on the calling thread):
// for traces and measurements, never for control.
class KeyingObserver {
public:
    virtual ~KeyingObserver() = default;
    virtual void OnPtt(bool up) = 0;
    virtual void OnKey(bool down) = 0;
    virtual void OnCharacter(char c) = 0;
};

}  // namespace tarnwick
