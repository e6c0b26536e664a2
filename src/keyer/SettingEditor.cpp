#include "keyer/SettingEditor.h"

#include <optional>

#include "model/CTarnwickDoc.h"
#include "model/SettingsFormat.h"
#include "model/SettingsSchema.h"
#include "platform/SoundDevices.h"
#include "ports/PortSettings.h"

namespace tarnwick {
namespace {

// A matrix cell must hold a value of its dialog list; the rig link's unused inhibit cell, which
// has no list, keeps whatever it holds.
std::optional<std::string> CheckCell(int row, int column, int value) {
    const int size = ListSize(row, column);
    if (size == 0) {
        return std::nullopt;
    }
    std::string choices;
    for (int position = 0; position < size; ++position) {
        const int stored = StoredFromListPosition(row, column, position);
        if (stored == value) {
            return std::nullopt;
        }
        choices += position == 0 ? "" : position + 1 == size ? " or " : ", ";
        choices +=
            std::to_string(stored) + " (" + std::string(ListEntryText(row, column, position)) + ")";
    }
    return "Please enter " + choices + ".";
}

std::optional<std::string> CheckPortChange(const CTarnwickDoc& doc, const int* field, int value) {
    const PortSettings before = PortSettingsFromDocument(doc);
    PortSettings after = before;
    for (int line = 0; line < kSerialLines; ++line) {
        if (field == &doc.ComPort[line]) {
            after.comPort[line] = value;
        }
    }
    for (int row = 0; row < kPortRows; ++row) {
        for (int column = 0; column < kPortColumns; ++column) {
            if (field == &doc.PortMatrix[row][column]) {
                if (auto problem = CheckCell(row, column, value)) {
                    return problem;
                }
                after.matrix[row][column] = value;
            }
        }
    }
    const auto broken = ValidatePortSettings(after);
    if (broken && broken != ValidatePortSettings(before)) {
        return broken;
    }
    return std::nullopt;
}

std::optional<std::string> CheckPosition(const CTarnwickDoc& doc, bool cw, int value) {
    const int first = cw ? 0 : doc.NCWTitles;
    const int last = cw ? doc.NCWTitles - 1 : doc.NCWTitles + doc.NPhTitles - 1;
    if (value >= first && value <= last) {
        return std::nullopt;
    }
    return std::string("Please enter the list position of a ") + (cw ? "CW" : "phone") +
           " group, from " + std::to_string(first) + " to " + std::to_string(last) + ".";
}

std::optional<std::string> CheckRule(const CTarnwickDoc& doc, const SettingEntry& entry,
                                     std::string_view text) {
    const auto* field = std::get_if<int*>(&entry.field);
    if (field == nullptr) {
        return std::nullopt;
    }
    const int value = static_cast<int>(ParseWholeInteger(text).value_or(0));
    switch (entry.def->rule) {
        case SettingRule::PortSettings:
            return CheckPortChange(doc, *field, value);
        case SettingRule::CwPosition:
        case SettingRule::PhonePosition:
            return CheckPosition(doc, entry.def->rule == SettingRule::CwPosition, value);
        case SettingRule::GroupCount: {
            const int other = *field == &doc.NCWTitles ? doc.NPhTitles : doc.NCWTitles;
            if (value + other > kMaxGroups) {
                return "The group list holds at most " + std::to_string(kMaxGroups) + " groups.";
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

SettingChange ChangeSetting(CTarnwickDoc& doc, std::string_view name, std::string_view text) {
    SettingChange change;
    const auto entry = FindSetting(doc, name);
    if (!entry) {
        return change;
    }
    change.name = entry->name;
    auto problem = CheckTypedText(*entry->def, text);
    if (!problem) {
        problem = CheckRule(doc, *entry, text);
    }
    if (problem) {
        change.result = SettingChange::Result::Refused;
        change.message = std::move(*problem);
        return change;
    }
    AssignTypedText(*entry, text);
    if (entry->def->rule == SettingRule::GroupCount) {
        doc.SetGroupCounts(doc.NCWTitles, doc.NPhTitles);
    } else if (entry->def->rule == SettingRule::HexAddress) {
        doc.LptAddress = ParseHex16(doc.LptPort[0]).value_or(doc.LptAddress);
    } else if (entry->name == "WaveOut") {
        // The stored name wins over the number, so a device chosen by number takes the name
        // that number has in today's list.
        doc.WaveOutName = SoundDevices::Choose(doc.WaveOut, SoundDevices::List()).name;
    }
    change.result = SettingChange::Result::Changed;
    return change;
}

}  // namespace tarnwick
