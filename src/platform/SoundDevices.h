#pragma once

#include <string>
#include <vector>

#include "platform/AlsaPcm.h"

namespace tarnwick {

struct SoundDevice {
    std::string name;   // the PCM name ALSA opens
    std::string label;  // what the operator is shown
};

// The sound devices the operator chooses from, numbered as the settings keep them: -1 is the
// system's default, 0 and up are the PCMs ALSA names that can be opened now, in ALSA's order.
// The list is taken afresh at every call, so a device plugged in later is found by number.
class SoundDevices {
public:
    static constexpr const char* kDefaultLabel = "Best Matching/Default Card";
    // Names the PCM behind device -1 instead of "default", for a machine whose default PCM is
    // not the one to transmit on and for test rigs.
    static constexpr const char* kDefaultOverride = "TARNWICK_SOUND_DEFAULT";

    static std::vector<SoundDevice> List(PcmDirection direction);
    // The settings dialog's list: kDefaultLabel, then every device's label; entry i is device
    // number i - 1.
    static std::vector<std::string> Labels(PcmDirection direction);
    // The PCM name of `device`; empty when there is no such device.
    static std::string NameFor(int device, PcmDirection direction);
    static std::string DefaultName();
};

}  // namespace tarnwick
