#pragma once

#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnwick {

class CTarnwickDoc;

// Limits that code acting on the values shares with the schema.
inline constexpr unsigned kMinCwRate = 1;
inline constexpr unsigned kMaxCwRate = 50;
inline constexpr double kMaxTxDelaySeconds = 60.0;
inline constexpr int kMaxComNumber = 8;
// The sidetone's pitch, in Hz.
inline constexpr int kMinSidetoneFreq = 200;
inline constexpr int kMaxSidetoneFreq = 2000;
// The longest TX watchdog limit: a day.
inline constexpr int kMaxTxWatchdogMinutes = 1440;
// The standard range message of a number field.
inline constexpr const char* kComNumberRangeMessage = "Please enter an integer between 0 and 8.";

enum class SettingType { Int, Unsigned, Double, Text };

// The document field that holds a setting.
using SettingField = std::variant<int*, unsigned*, double*, std::string*>;

// What the windows accept, with the exact message each side of the range is answered with.
// For a text the range bounds its number of characters.
struct SettingRange {
    double min = -std::numeric_limits<double>::infinity();
    double max = std::numeric_limits<double>::infinity();
    std::string below;
    std::string above;
};

// Checks that need more than the value itself; they are made where the whole document is at
// hand (see keyer/SettingEditor).
enum class SettingRule {
    None,
    PortSettings,   // a COM number or a port matrix cell: the port settings' rules
    HexAddress,     // the parallel port's base address: hexadecimal, up to FFFF
    GroupCount,     // a group count: the list is resized as when the file is read
    CwPosition,     // the list position of a CW group
    PhonePosition,  // the list position of a phone group
};

// What keying makes of a stored value the windows never produce (a hand-edited file): the
// nearest limit, or `outside` when given; NaN gives min.
struct KeyedRange {
    double min;
    double max;
    std::optional<double> outside;
};

// One stored value.
struct SettingDef {
    std::string name;
    SettingType type;
    std::string fallback;  // the default, as stored text
    SettingRange range = {};
    SettingRule rule = SettingRule::None;
    std::optional<KeyedRange> keyed = {};
};

// A stored value of one document: its name, its definition and the field that holds it.
struct SettingEntry {
    std::string name;
    const SettingDef* def;
    SettingField field;
};

// Every stored value of the document in the stored order: the station settings with the group
// counts and default positions (a fixed list), then each group's duration, title and seven
// messages ("DurNumber%02d", "Title%02d", "Message%02d-%02d").
std::vector<SettingEntry> StationSettings(CTarnwickDoc& doc);
std::vector<SettingEntry> GroupSettings(CTarnwickDoc& doc);
std::vector<SettingEntry> AllSettings(CTarnwickDoc& doc);
// For reading only: the fields stay unchanged.
std::vector<SettingEntry> AllSettings(const CTarnwickDoc& doc);
// A stored value by name, without regard to case.
std::optional<SettingEntry> FindSetting(CTarnwickDoc& doc, std::string_view name);
// The definition of a station setting, without regard to case; null for any other name.
const SettingDef* FindStationDef(std::string_view name);

// Sets every station setting to its default (the groups are the document's).
void ApplyDefaults(CTarnwickDoc& doc);

// Reads stored text over the field as the file is read: a missing, empty or unparsable text
// keeps the field; characters after a number are ignored.
void ReadStoredText(const SettingEntry& entry, std::string_view text);
// The field as it is written to the file.
std::string StoredText(const SettingEntry& entry);
// The field as keying acts on it: the stored value, moved into the keyed range where the row
// has one.
std::string KeyedText(const SettingEntry& entry);

// A typed value checked as the windows check it: the whole text must be a value of the type
// within the range. Returns the message when it is refused.
std::optional<std::string> CheckTypedText(const SettingDef& def, std::string_view text);
// Puts a text that passed CheckTypedText into the field.
void AssignTypedText(const SettingEntry& entry, std::string_view text);

}  // namespace tarnwick
