#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/AlsaPcm.h"

namespace tarnwick {

// One entry of ALSA's device hints.
struct SoundHint {
    std::string name;
    std::string description;
    std::string ioid;  // "Output" or "Input" for a one-way PCM, empty for both ways
};

// A sound device the operator chooses from.
struct SoundDevice {
    int number = 0;           // what "WaveOut" stores
    std::string name;         // the PCM ALSA opens; what "WaveOutName" stores
    std::string description;  // how the operator knows it: the card's or plugin's own words
    bool playback = true;
    bool capture = true;

    bool Serves(PcmDirection direction) const {
        return direction == PcmDirection::Playback ? playback : capture;
    }
    // The settings dialog's entry: the description, and the name so that twin cards differ.
    std::string Label() const;
};

// The operator's choice as the settings keep it: the device number ("WaveOut", -1 = the
// system's default) and the name of the device that number meant when it was chosen
// ("WaveOutName"). The name wins, so a list that has moved since does not change the choice.
struct SoundDeviceChoice {
    // A bare number is a choice by number alone: the default device, or settings kept before
    // names were.
    SoundDeviceChoice(int n = -1, std::string pcm = {}) : number(n), name(std::move(pcm)) {}

    int number;
    std::string name;
};

// The sound devices, numbered as the settings keep them: -1 is the system's default, 0 and up
// the PCMs ALSA names, in ALSA's order, one list for playback and capture alike. The list is
// read from ALSA's hints without opening any device, so it does not change with what is busy
// or failing at the moment; opening the chosen device tells that.
class SoundDevices {
public:
    static constexpr const char* kDefaultLabel = "Best Matching/Default Card";
    // Names the PCM behind device -1 instead of "default", for a machine whose default PCM is
    // not the one to transmit on and for test rigs.
    static constexpr const char* kDefaultOverride = "TARNWICK_SOUND_DEFAULT";

    static std::vector<SoundDevice> List();
    // The list for `hints` in their order: "default" (device -1) left out, each name once, and
    // of the many PCMs ALSA offers per card only its converting "plughw" device(s), or the
    // card's first PCM when it offers none.
    static std::vector<SoundDevice> FromHints(const std::vector<SoundHint>& hints);

    // The settings dialog's list: kDefaultLabel, then every device's label; entry i is device
    // number i - 1.
    static std::vector<std::string> Labels(const std::vector<SoundDevice>& devices);
    // What the settings keep when the operator picks `number` from `devices`.
    static SoundDeviceChoice Choose(int number, const std::vector<SoundDevice>& devices);
    // Where `choice` stands in `devices` now (-1 for the default device); nothing when the
    // chosen device is not in the list.
    static std::optional<int> NumberOf(const SoundDeviceChoice& choice,
                                       const std::vector<SoundDevice>& devices);

    // The PCM to open for `choice` in `direction`; empty when there is no such device. A named
    // device that is no longer listed is opened by its name, so that its absence is reported
    // by the open rather than another device taking its place.
    static std::string NameFor(const SoundDeviceChoice& choice, PcmDirection direction);
    static std::string DefaultName();
};

}  // namespace tarnwick
