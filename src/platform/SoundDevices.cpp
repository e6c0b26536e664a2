#include "platform/SoundDevices.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>

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

// The card id of a PCM bound to a card ("plughw:CARD=PCH,DEV=0" gives "PCH"); empty otherwise.
std::string CardOf(const std::string& name) {
    const size_t at = name.find("CARD=");
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = at + 5;
    return name.substr(start, name.find(',', start) - start);
}

bool IsConvertingCardPcm(const std::string& name) {
    return name.rfind("plughw:", 0) == 0;
}

const SoundDevice* Find(const SoundDeviceChoice& choice, const std::vector<SoundDevice>& devices) {
    if (!choice.name.empty()) {
        const auto it = std::find_if(devices.begin(), devices.end(),
                                     [&](const SoundDevice& d) { return d.name == choice.name; });
        return it == devices.end() ? nullptr : &*it;
    }
    if (choice.number >= 0 && static_cast<size_t>(choice.number) < devices.size()) {
        return &devices[static_cast<size_t>(choice.number)];
    }
    return nullptr;
}

}  // namespace

std::string SoundDevice::Label() const {
    return description.empty() ? name : description + " (" + name + ")";
}

std::vector<SoundDevice> SoundDevices::FromHints(const std::vector<SoundHint>& hints) {
    // A card offers the same device under a dozen PCMs (hw, plughw, front, surround, dmix...);
    // the operator knows it once. "plughw" takes any rate and format the keyer asks for.
    std::set<std::string> convertingCards;
    for (const SoundHint& h : hints) {
        if (IsConvertingCardPcm(h.name)) {
            convertingCards.insert(CardOf(h.name));
        }
    }
    std::vector<SoundDevice> devices;
    std::set<std::string> names;
    std::set<std::string> cardsListed;
    for (const SoundHint& h : hints) {
        if (h.name.empty() || h.name == "default" || names.count(h.name) != 0) {
            continue;
        }
        const std::string card = CardOf(h.name);
        if (!card.empty()) {
            const bool converting = convertingCards.count(card) != 0;
            if (converting ? !IsConvertingCardPcm(h.name) : cardsListed.count(card) != 0) {
                continue;
            }
            cardsListed.insert(card);
        }
        names.insert(h.name);
        SoundDevice d;
        d.number = static_cast<int>(devices.size());
        d.name = h.name;
        // The first line names the device; ALSA's further lines explain the PCM type.
        d.description = h.description.substr(0, h.description.find('\n'));
        d.playback = h.ioid != "Input";
        d.capture = h.ioid != "Output";
        devices.push_back(std::move(d));
    }
    return devices;
}

std::vector<SoundDevice> SoundDevices::List() {
    AlsaPcm::SilenceLibrary();
    std::vector<SoundHint> hints;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0 || list == nullptr) {
        return {};
    }
    for (void** hint = list; *hint != nullptr; ++hint) {
        hints.push_back(
            {HintText(*hint, "NAME"), HintText(*hint, "DESC"), HintText(*hint, "IOID")});
    }
    snd_device_name_free_hint(list);
    return FromHints(hints);
}

std::vector<std::string> SoundDevices::Labels(const std::vector<SoundDevice>& devices) {
    std::vector<std::string> labels{kDefaultLabel};
    for (const SoundDevice& d : devices) {
        labels.push_back(d.Label());
    }
    return labels;
}

SoundDeviceChoice SoundDevices::Choose(int number, const std::vector<SoundDevice>& devices) {
    if (number >= 0 && static_cast<size_t>(number) < devices.size()) {
        return {number, devices[static_cast<size_t>(number)].name};
    }
    return {number};
}

std::optional<int> SoundDevices::NumberOf(const SoundDeviceChoice& choice,
                                          const std::vector<SoundDevice>& devices) {
    if (choice.number == -1) {
        return -1;
    }
    const SoundDevice* d = Find(choice, devices);
    return d == nullptr ? std::nullopt : std::optional<int>(d->number);
}

std::string SoundDevices::NameFor(const SoundDeviceChoice& choice, PcmDirection direction) {
    if (choice.number == -1) {
        return DefaultName();
    }
    const std::vector<SoundDevice> devices = List();
    if (const SoundDevice* d = Find(choice, devices)) {
        return d->Serves(direction) ? d->name : std::string();
    }
    return choice.name;
}

std::string SoundDevices::DefaultName() {
    const char* chosen = std::getenv(kDefaultOverride);
    return chosen != nullptr && chosen[0] != '\0' ? std::string(chosen) : std::string("default");
}

}  // namespace tarnwick
