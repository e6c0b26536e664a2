#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/SoundDevices.h"

namespace tarnwick {

class CTarnwickDoc;
struct SchedulingReport;

// The program settings dialog without its window: the dialog's copies of the settings, how
// its controls are read into them, and the stored settings OK writes. Every value is checked
// by the settings schema, with the schema's messages.
class ProgramSettingsForm {
public:
    // The controls that are read into the copies, in the order they are read: a failed check
    // leaves the copies of the controls after it unread. The priority list gives its index as
    // text ("" for no selection), the check box "0" or "1".
    enum Control {
        kMyCall,
        kTxDelay,
        kMyGrid,
        kPriority,
        kDotWgt,
        kDashWgt,
        kLetterSp,
        kUseTrx,
        kTrxHost,
        kTrxPort,
        kControlCount
    };
    using Texts = std::array<std::string, kControlCount>;

    struct Refusal {
        Control control;
        std::string message;
    };

    // `devices`: the sound devices present, as SoundDevices::List gives them.
    ProgramSettingsForm(const CTarnwickDoc& doc, std::vector<SoundDevice> devices);

    // The stored setting a control edits ("MyCall", "TXDelay", ...).
    static const char* SettingName(Control control);

    // What each control shows: its copy. A priority stored outside the list (a hand-edited
    // file) shows no selection and is left as stored.
    const Texts& Copies() const { return copies_; }

    // Reads the controls' texts into the copies in order, stopping at the first the schema
    // refuses: the controls before it are taken, it and those after keep their copies.
    std::optional<Refusal> Read(const Texts& shown);
    // The Defaults button's part: the three weights back to their defaults.
    void RestoreDefaultWeights();

    // The sound card list: the default card, then every device present (entry i is device
    // i - 1); when the chosen device is not present, one more entry at the end stands for it,
    // so that the choice survives a card that is unplugged for the moment.
    const std::vector<std::string>& SoundEntries() const { return soundEntries_; }
    int SoundSelection() const { return soundSelection_; }
    void SelectSound(int entry) { soundSelection_ = entry; }

    // The stored settings OK writes, in order, as name and text. The rig link's use comes
    // after its address; a changed address while the link is in use switches the use off and
    // on again, so that whoever keeps the link connects it afresh to the new address.
    std::vector<std::pair<std::string, std::string>> Changes() const;
    // Whether OK changes the rig link: its use, or its address while it is in use.
    bool RigLinkChanges() const;

    // For the priority list: empty when keying at High and above gets real-time scheduling
    // (`report` is how a thread asking for it was scheduled), else why not and how the
    // operator allows it.
    static std::string RealtimeNote(const SchedulingReport& report);

private:
    bool AddressChanged() const;

    const Texts original_;
    Texts copies_;
    std::vector<SoundDevice> devices_;
    std::vector<std::string> soundEntries_;
    int soundSelection_ = 0;
    int missingEntry_ = -1;  // the entry of a chosen device that is not present
};

}  // namespace tarnwick
