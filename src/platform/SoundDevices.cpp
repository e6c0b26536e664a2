#include "platform/SoundDevices.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace tarnwick {

namespace {

struct FreeString {
    void operator()(char* s) const { free(s); }
};
using HintString = std::unique_ptr<char, FreeString>;

std::string HintText(const void* hint, const char* id) {
    HintString value(snd_device_name_get_hint(hint, id));
    return value ? std::string(value.get()) : std::string();
}

bool ServesDirection(const std::string& ioid, PcmDirection direction) {
    // ALSA leaves the field out for PCMs that work both ways.
    if (ioid.empty()) {
        return true;
    }
    return ioid == (direction == PcmDirection::Playback ? "Output" : "Input");
}

std::string LabelFor(const std::string& name, const std::string& description) {
    const std::string firstLine = description.substr(0, description.find('\n'));
    return firstLine.empty() ? name : firstLine + " (" + name + ")";
}

bool Opens(const std::string& name, PcmDirection direction) {
    AlsaPcm pcm;
    return pcm.Open(name, direction, true) == 0;
}

}  // namespace

std::vector<SoundDevice> SoundDevices::List(PcmDirection direction) {
    std::vector<SoundDevice> devices;
    AlsaPcm::SilenceLibrary();
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) {
        return devices;
    }
    for (void** hint = hints; *hint != nullptr; ++hint) {
        const std::string name = HintText(*hint, "NAME");
        // "default" is device -1 already.
        if (name.empty() || name == "default" ||
            !ServesDirection(HintText(*hint, "IOID"), direction)) {
            continue;
        }
        const bool seen = std::any_of(devices.begin(), devices.end(),
                                      [&](const SoundDevice& d) { return d.name == name; });
        if (!seen && Opens(name, direction)) {
            devices.push_back({name, LabelFor(name, HintText(*hint, "DESC"))});
        }
    }
    snd_device_name_free_hint(hints);
    return devices;
}

std::vector<std::string> SoundDevices::Labels(PcmDirection direction) {
    std::vector<std::string> labels{kDefaultLabel};
    for (const SoundDevice& d : List(direction)) {
        labels.push_back(d.label);
    }
    return labels;
}

std::string SoundDevices::NameFor(int device, PcmDirection direction) {
    if (device == -1) {
        return DefaultName();
    }
    if (device < 0) {
        return {};
    }
    const std::vector<SoundDevice> devices = List(direction);
    return static_cast<size_t>(device) < devices.size() ? devices[static_cast<size_t>(device)].name
                                                        : std::string();
}

std::string SoundDevices::DefaultName() {
    const char* chosen = std::getenv(kDefaultOverride);
    return chosen != nullptr && chosen[0] != '\0' ? std::string(chosen) : std::string("default");
}

}  // namespace tarnwick
