#include "keyer/ProgramSettingsForm.h"

#include <charconv>

#include "model/CTarnwickDoc.h"
#include "model/SettingsFormat.h"
#include "model/SettingsSchema.h"
#include "platform/ThreadPriority.h"

namespace tarnwick {
namespace {

using Form = ProgramSettingsForm;

constexpr int kPriorityEntries = 6;

// A number as an edit box shows it: the shortest text that reads back as the same number,
// with a decimal point so that a weight of 3 reads as the 3.0 the tooltip speaks of.
std::string EditText(double value) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    std::string shown(text, error == std::errc() ? end : text);
    if (shown.find_first_of(".en") == std::string::npos) {
        shown += ".0";
    }
    return shown;
}

Form::Texts TextsOf(const CTarnwickDoc& doc) {
    Form::Texts texts;
    texts[Form::kMyCall] = doc.MyCall;
    texts[Form::kTxDelay] = EditText(doc.TXDelay);
    texts[Form::kMyGrid] = doc.MyGrid;
    const bool listed = doc.CWPriority >= 0 && doc.CWPriority < kPriorityEntries;
    texts[Form::kPriority] = listed ? FormatInt(doc.CWPriority) : std::string();
    texts[Form::kDotWgt] = EditText(doc.DotWgt);
    texts[Form::kDashWgt] = EditText(doc.DashWgt);
    texts[Form::kLetterSp] = EditText(doc.LetterSp);
    texts[Form::kUseTrx] = doc.UseTRX != 0 ? "1" : "0";
    texts[Form::kTrxHost] = doc.TrxHost;
    texts[Form::kTrxPort] = FormatInt(doc.TrxPort);
    return texts;
}

}  // namespace

ProgramSettingsForm::ProgramSettingsForm(const CTarnwickDoc& doc, std::vector<SoundDevice> devices)
    : original_(TextsOf(doc)), copies_(original_), devices_(std::move(devices)) {
    soundEntries_ = SoundDevices::Labels(devices_);
    const SoundDeviceChoice chosen{doc.WaveOut, doc.WaveOutName};
    if (const auto number = SoundDevices::NumberOf(chosen, devices_)) {
        soundSelection_ = *number + 1;
    } else {
        const std::string name =
            doc.WaveOutName.empty() ? "Device " + FormatInt(doc.WaveOut) : doc.WaveOutName;
        missingEntry_ = static_cast<int>(soundEntries_.size());
        soundEntries_.push_back(name + " (not present)");
        soundSelection_ = missingEntry_;
    }
}

const char* ProgramSettingsForm::SettingName(Control control) {
    static const char* const names[kControlCount] = {
        "MyCall",  "TXDelay",  "MyGrid", "CWPriority", "DotWgt",
        "DashWgt", "LetterSp", "UseTRX", "TrxHost",    "TrxPort",
    };
    return names[control];
}

std::optional<ProgramSettingsForm::Refusal> ProgramSettingsForm::Read(const Texts& shown) {
    for (int i = 0; i < kControlCount; ++i) {
        const auto control = static_cast<Control>(i);
        // No selection in the priority list: nothing to store, as before.
        if (control != kPriority || !shown[i].empty()) {
            if (auto message = CheckTypedText(*FindStationDef(SettingName(control)), shown[i])) {
                return Refusal{control, std::move(*message)};
            }
        }
        copies_[i] = shown[i];
    }
    return std::nullopt;
}

void ProgramSettingsForm::RestoreDefaultWeights() {
    for (const Control weight : {kDotWgt, kDashWgt, kLetterSp}) {
        copies_[weight] = FindStationDef(SettingName(weight))->fallback;
    }
}

bool ProgramSettingsForm::AddressChanged() const {
    return copies_[kTrxHost] != original_[kTrxHost] ||
           ParseWholeInteger(copies_[kTrxPort]) != ParseWholeInteger(original_[kTrxPort]);
}

bool ProgramSettingsForm::RigLinkChanges() const {
    return copies_[kUseTrx] != original_[kUseTrx] || (copies_[kUseTrx] == "1" && AddressChanged());
}

std::vector<std::pair<std::string, std::string>> ProgramSettingsForm::Changes() const {
    std::vector<std::pair<std::string, std::string>> changes;
    auto add = [&changes](Control control, const std::string& text) {
        changes.emplace_back(SettingName(control), text);
    };
    add(kMyCall, copies_[kMyCall]);
    add(kMyGrid, copies_[kMyGrid]);
    if (!copies_[kPriority].empty()) {
        add(kPriority, copies_[kPriority]);
    }
    for (const Control control : {kTxDelay, kDotWgt, kDashWgt, kLetterSp}) {
        add(control, copies_[control]);
    }
    if (soundSelection_ >= 0 && soundSelection_ != missingEntry_) {
        const int number = soundSelection_ - 1;
        const SoundDeviceChoice choice = SoundDevices::Choose(number, devices_);
        // The name too, taken from the list the operator chose from: the list may have
        // changed since, and the name is what holds the choice.
        changes.emplace_back("WaveOut", FormatInt(choice.number));
        changes.emplace_back("WaveOutName", choice.name);
    }
    add(kTrxHost, copies_[kTrxHost]);
    add(kTrxPort, copies_[kTrxPort]);
    if (original_[kUseTrx] == "1" && copies_[kUseTrx] == "1" && AddressChanged()) {
        add(kUseTrx, "0");
    }
    add(kUseTrx, copies_[kUseTrx]);
    return changes;
}

std::string ProgramSettingsForm::RealtimeNote(const SchedulingReport& report) {
    if (report.method != SchedulingMethod::Nice) {
        return {};
    }
    const std::string why = report.reason.empty() ? std::string() : " (" + report.reason + ")";
    return "Real-time keying is not available to this user" + why +
           ". High and above key at a raised nice value, which a busy machine can make uneven. "
           "To allow it, install the real-time broker (Debian package rtkit), or give your user "
           "a real-time priority limit (for example \"@audio - rtprio 80\" in "
           "/etc/security/limits.d/ with your user in group audio) and log in again.";
}

}  // namespace tarnwick
