#include "model/SettingsSchema.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <type_traits>

#include "model/CTarnwickDoc.h"
#include "model/SettingsFormat.h"

namespace tarnwick {
namespace {

using Doc = CTarnwickDoc;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

template <class T>
constexpr SettingType TypeOf() {
    if constexpr (std::is_same_v<T, int>) {
        return SettingType::Int;
    } else if constexpr (std::is_same_v<T, unsigned>) {
        return SettingType::Unsigned;
    } else if constexpr (std::is_same_v<T, double>) {
        return SettingType::Double;
    } else {
        static_assert(std::is_same_v<T, std::string>);
        return SettingType::Text;
    }
}

// How a row reaches its fields: their type, how many there are and the field of each.
struct Access {
    SettingType type;
    int count;
    std::function<SettingField(Doc&, int)> field;
};

template <class T>
Access Field(T Doc::*member) {
    return {TypeOf<T>(), 1, [member](Doc& d, int) -> SettingField { return &(d.*member); }};
}

template <class T, size_t N>
Access Fields(std::array<T, N> Doc::*member) {
    return {TypeOf<T>(), static_cast<int>(N),
            [member](Doc& d, int i) -> SettingField { return &(d.*member)[i]; }};
}

Access MatrixCells() {
    return {SettingType::Int, kPortRows * kPortColumns, [](Doc& d, int i) -> SettingField {
                return &d.PortMatrix[i / kPortColumns][i % kPortColumns];
            }};
}

SettingRange Between(double min, double max) {
    return {min, max, {}, {}};
}

// One line per stored value, or per family of numbered values.
struct Row {
    const char* name;  // "%d" is the value's number from 1; "[%d][%d]" its row and column
    Access access;
    std::vector<std::string> fallback;  // one default for every value, or one per value
    SettingRange range = {};            // empty messages: the standard range message
    SettingRule rule = SettingRule::None;
    std::optional<KeyedRange> keyed = {};
};

// The longest name the resolver takes.
constexpr int kMaxHostNameLength = 253;

constexpr const char* kCentreMessage =
    "You must enter a filter center frequency between 200 and 2756";

// The station settings in their stored order. Adding a setting is adding its row (and its
// field to CTarnwickDoc).
std::vector<Row> Rows() {
    using R = SettingRule;
    const SettingRange onOff = Between(0, 1);
    const KeyedRange weight{0, kInfinity, {}};
    return {
        {"Mode", Field(&Doc::Mode), {"0"}, onOff},
        {"Contest", Field(&Doc::Contest), {"1"}, onOff},
        {"MyCall", Field(&Doc::MyCall), {"MYCALL"}},
        {"MyGrid", Field(&Doc::MyGrid), {"EM00mm"}, Between(0, 6)},
        {"HisCall", Field(&Doc::HisCall), {"HISCALL"}},
        {"ComPort%d",
         Fields(&Doc::ComPort),
         {"0"},
         {0, kMaxComNumber, kComNumberRangeMessage, kComNumberRangeMessage},
         R::PortSettings},
        {"LptPort%d", Fields(&Doc::LptPort), {"0"}, {}, R::HexAddress},
        {"PortMatrix[%d][%d]", MatrixCells(), {"0"}, {}, R::PortSettings},
        {"CWPriority", Field(&Doc::CWPriority), {"3"}, Between(0, 5), {}, KeyedRange{0, 5, 2}},
        {"TXDelay", Field(&Doc::TXDelay), {"0.2"}, {}, {}, KeyedRange{0, kMaxTxDelaySeconds, {}}},
        {"TXFirst", Field(&Doc::TXFirst), {"1"}, onOff},
        {"CWInd", Field(&Doc::CWInd), {"1"}, onOff},
        {"CWRate",
         Field(&Doc::CWRate),
         {"15"},
         {kMinCwRate, kMaxCwRate, "Tarnwick does not support less than 1 WPM CW",
          "Tarnwick does not support greater than 50 WPM CW"},
         {},
         KeyedRange{kMinCwRate, kMaxCwRate, {}}},
        {"Report", Field(&Doc::Report), {"O"}},
        {"FilterFreq",
         Field(&Doc::FilterFreq),
         {"1000"},
         {201, 2755, kCentreMessage, kCentreMessage}},
        {"FilterWidth",
         Field(&Doc::FilterWidth),
         {"100"},
         {10, 2000, "You must enter a filter width greater than 10 Hz",
          "You must enter a filter width less than 2000 Hz"}},
        {"FilterBottomWidth",
         Field(&Doc::FilterBottomWidth),
         {"200"},
         {0, 3000, {}, "You must enter a -60 dB filter width less than 3000 Hz"}},
        {"DisplayGain", Field(&Doc::DisplayGain), {"20"}, Between(10, 100)},
        {"DisplayCont", Field(&Doc::DisplayCont), {"0"}, Between(-400, 400)},
        {"DisplayAvg", Field(&Doc::DisplayAvg), {"0"}, Between(0, 30)},
        {"DotWgt", Field(&Doc::DotWgt), {"1.0"}, {}, {}, weight},
        {"DashWgt", Field(&Doc::DashWgt), {"3.0"}, {}, {}, weight},
        {"LetterSp", Field(&Doc::LetterSp), {"3.0"}, {}, {}, weight},
        {"WaveOut",
         Field(&Doc::WaveOut),
         {"-1"},
         {-1, kInfinity, "Please enter a device number, or -1 for the default device.", {}}},
        {"UseTRX", Field(&Doc::UseTRX), {"0"}, onOff},
        {"SO2R", Field(&Doc::SO2R), {"0"}, onOff},
        {"ManualSend", Field(&Doc::ManualSend), {"0"}, onOff},
        // Linux additions: the device behind each COM number, where the rig-control daemon
        // listens, and the name of the chosen sound device.
        {"ComDevice%d",
         Fields(&Doc::ComDevice),
         {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3", "/dev/ttyUSB0", "/dev/ttyUSB1",
          "/dev/ttyUSB2", "/dev/ttyUSB3"}},
        {"TrxHost",
         Field(&Doc::TrxHost),
         {"127.0.0.1"},
         {1,
          kMaxHostNameLength,
          "Please enter the host name or address of the rig-control daemon.",
          {}}},
        {"TrxPort", Field(&Doc::TrxPort), {"4532"}, Between(1, 65535)},
        // The chosen sound device's name, so the choice survives a re-ordered device list.
        {"WaveOutName", Field(&Doc::WaveOutName), {""}},
        {"Sidetone", Field(&Doc::Sidetone), {"0"}, onOff},
        {"SidetoneFreq",
         Field(&Doc::SidetoneFreq),
         {"600"},
         {kMinSidetoneFreq, kMaxSidetoneFreq, {}, {}},
         {},
         KeyedRange{kMinSidetoneFreq, kMaxSidetoneFreq, {}}},
        // Minutes without the operator after which Auto goes off; 0: never (keyer/TxWatchdog).
        {"TxWatchdog", Field(&Doc::TxWatchdog), {"0"}, Between(0, kMaxTxWatchdogMinutes)},
        {"NCWTitles", Field(&Doc::NCWTitles), {"2"}, Between(1, kMaxGroups - 1), R::GroupCount},
        {"NPhTitles", Field(&Doc::NPhTitles), {"2"}, Between(1, kMaxGroups - 1), R::GroupCount},
        {"ActivCWContStr", Field(&Doc::ActivCWContStr), {"1"}, {}, R::CwPosition},
        {"ActivCWSeqStr", Field(&Doc::ActivCWSeqStr), {"0"}, {}, R::CwPosition},
        {"ActivPhContStr", Field(&Doc::ActivPhContStr), {"3"}, {}, R::PhonePosition},
        {"ActivPhSeqStr", Field(&Doc::ActivPhSeqStr), {"2"}, {}, R::PhonePosition},
    };
}

// The values of each group; their defaults are the document's default groups.
const SettingDef kDurationDef{"DurNumber%02d", SettingType::Int, "0", Between(0, kInfinity)};
const SettingDef kTitleDef{"Title%02d", SettingType::Text, "", {}};
const SettingDef kMessageDef{"Message%02d-%02d", SettingType::Text, "", {}};

std::string NumberedName(std::string_view pattern, std::initializer_list<int> numbers) {
    std::string name;
    auto number = numbers.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.substr(i, 2) == "%d" && number != numbers.end()) {
            name += std::to_string(*number++);
            ++i;
        } else {
            name += pattern[i];
        }
    }
    return name;
}

std::string GroupValueName(const char* stem, int n) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%02d", stem, n);
    return name;
}

std::string MessageValueName(int n, int m) {
    char name[64];
    std::snprintf(name, sizeof name, "Message%02d-%02d", n, m);
    return name;
}

// A row expanded into its values, each with its definition and field.
struct Expanded {
    SettingDef def;
    std::function<SettingField(Doc&, int)> field;
    int index;
};

const std::vector<Expanded>& Table() {
    static const std::vector<Expanded> table = [] {
        std::vector<Expanded> out;
        for (const Row& row : Rows()) {
            const bool matrix = std::string_view(row.name).find("][") != std::string_view::npos;
            for (int i = 0; i < row.access.count; ++i) {
                const std::string name =
                    matrix ? NumberedName(row.name, {i / kPortColumns, i % kPortColumns})
                           : NumberedName(row.name, {i + 1});
                const std::string& fallback =
                    row.fallback.size() == 1 ? row.fallback[0] : row.fallback.at(i);
                out.push_back({{name, row.access.type, fallback, row.range, row.rule, row.keyed},
                               row.access.field,
                               i});
            }
        }
        return out;
    }();
    return table;
}

double NumberIn(const SettingField& field) {
    return std::visit(
        [](auto* p) -> double {
            if constexpr (std::is_same_v<decltype(p), std::string*>) {
                return 0;
            } else {
                return static_cast<double>(*p);
            }
        },
        field);
}

std::string Formatted(const SettingField& field, double number) {
    switch (field.index()) {
        case 0:
            return FormatInt(static_cast<int>(number));
        case 1:
            return FormatUnsigned(static_cast<unsigned>(number));
        default:
            return FormatDouble(number);
    }
}

double Keyed(const KeyedRange& keyed, double value) {
    if (std::isnan(value)) {
        return keyed.min;
    }
    if (keyed.outside && (value < keyed.min || value > keyed.max)) {
        return *keyed.outside;
    }
    return std::clamp(value, keyed.min, keyed.max);
}

std::string Number(double v) {
    return std::to_string(static_cast<long long>(v));
}

// The standard message for a value outside [min, max].
std::string RangeMessage(SettingType type, double min, double max) {
    if (type == SettingType::Text) {
        return "Please enter no more than " + Number(max) + " characters.";
    }
    const std::string what = type == SettingType::Double ? "a number" : "an integer";
    if (std::isinf(max)) {
        return "Please enter " + what + " of " + Number(min) + " or more.";
    }
    if (std::isinf(min)) {
        return "Please enter " + what + " of " + Number(max) + " or less.";
    }
    return "Please enter " + what + " between " + Number(min) + " and " + Number(max) + ".";
}

size_t Characters(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool IsHexAddress(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    return !text.empty() && text.size() <= 4 &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(c) != 0; });
}

}  // namespace

std::vector<SettingEntry> StationSettings(CTarnwickDoc& doc) {
    std::vector<SettingEntry> entries;
    entries.reserve(Table().size());
    for (const Expanded& e : Table()) {
        entries.push_back({e.def.name, &e.def, e.field(doc, e.index)});
    }
    return entries;
}

std::vector<SettingEntry> GroupSettings(CTarnwickDoc& doc) {
    std::vector<SettingEntry> entries;
    for (int n = 0; n < static_cast<int>(doc.Groups.size()); ++n) {
        MessageGroup* group = doc.Groups[n].get();
        if (group == nullptr) {
            continue;
        }
        entries.push_back({GroupValueName("DurNumber", n), &kDurationDef, &group->DurNumber});
        entries.push_back({GroupValueName("Title", n), &kTitleDef, &group->Title});
        for (int m = 0; m < kMessagesPerGroup; ++m) {
            entries.push_back({MessageValueName(n, m), &kMessageDef, &group->Messages[m]});
        }
    }
    return entries;
}

std::vector<SettingEntry> AllSettings(CTarnwickDoc& doc) {
    std::vector<SettingEntry> entries = StationSettings(doc);
    std::vector<SettingEntry> groups = GroupSettings(doc);
    entries.insert(entries.end(), std::make_move_iterator(groups.begin()),
                   std::make_move_iterator(groups.end()));
    return entries;
}

std::vector<SettingEntry> AllSettings(const CTarnwickDoc& doc) {
    // The entries point at the fields; callers of this overload only read through them.
    return AllSettings(const_cast<CTarnwickDoc&>(doc));
}

std::optional<SettingEntry> FindSetting(CTarnwickDoc& doc, std::string_view name) {
    const std::string folded = FoldCase(name);
    for (SettingEntry& entry : AllSettings(doc)) {
        if (FoldCase(entry.name) == folded) {
            return std::move(entry);
        }
    }
    return std::nullopt;
}

const SettingDef* FindStationDef(std::string_view name) {
    const std::string folded = FoldCase(name);
    for (const Expanded& e : Table()) {
        if (FoldCase(e.def.name) == folded) {
            return &e.def;
        }
    }
    return nullptr;
}

void ApplyDefaults(CTarnwickDoc& doc) {
    for (const SettingEntry& entry : StationSettings(doc)) {
        if (auto* text = std::get_if<std::string*>(&entry.field)) {
            **text = entry.def->fallback;
        } else {
            ReadStoredText(entry, entry.def->fallback);
        }
    }
}

void ReadStoredText(const SettingEntry& entry, std::string_view text) {
    if (text.empty()) {
        return;
    }
    std::visit(
        [text](auto* field) {
            using T = std::remove_pointer_t<decltype(field)>;
            if constexpr (std::is_same_v<T, int>) {
                if (const auto v = ParseInt(text)) {
                    *field = *v;
                }
            } else if constexpr (std::is_same_v<T, unsigned>) {
                if (const auto v = ParseUnsigned(text)) {
                    *field = *v;
                }
            } else if constexpr (std::is_same_v<T, double>) {
                if (const auto v = ParseDouble(text)) {
                    *field = *v;
                }
            } else {
                *field = std::string(text);
            }
        },
        entry.field);
}

std::string StoredText(const SettingEntry& entry) {
    if (const auto* text = std::get_if<std::string*>(&entry.field)) {
        return **text;
    }
    return Formatted(entry.field, NumberIn(entry.field));
}

std::string KeyedText(const SettingEntry& entry) {
    if (!entry.def->keyed) {
        return StoredText(entry);
    }
    return Formatted(entry.field, Keyed(*entry.def->keyed, NumberIn(entry.field)));
}

std::optional<std::string> CheckTypedText(const SettingDef& def, std::string_view text) {
    double value = 0;
    double typeMin = -kInfinity;
    double typeMax = kInfinity;
    switch (def.type) {
        case SettingType::Int:
        case SettingType::Unsigned: {
            const bool isInt = def.type == SettingType::Int;
            const auto v = ParseWholeInteger(text, !isInt);
            if (!v) {
                return "Please enter an integer.";
            }
            value = static_cast<double>(*v);
            typeMin = isInt ? std::numeric_limits<int>::min() : 0;
            typeMax =
                isInt ? std::numeric_limits<int>::max() : std::numeric_limits<unsigned>::max();
            break;
        }
        case SettingType::Double: {
            const auto v = ParseWholeDouble(text);
            if (!v) {
                return "Please enter a number.";
            }
            value = *v;
            break;
        }
        case SettingType::Text:
            if (def.rule == SettingRule::HexAddress && !IsHexAddress(text)) {
                return "Please enter the base address in hexadecimal, from 0 to FFFF.";
            }
            value = static_cast<double>(Characters(text));
            break;
    }
    const SettingRange& r = def.range;
    if (value < r.min) {
        return r.below.empty() ? RangeMessage(def.type, r.min, r.max) : r.below;
    }
    if (value > r.max) {
        return r.above.empty() ? RangeMessage(def.type, r.min, r.max) : r.above;
    }
    if (value < typeMin || value > typeMax) {
        return RangeMessage(def.type, std::max(r.min, typeMin), std::min(r.max, typeMax));
    }
    return std::nullopt;
}

void AssignTypedText(const SettingEntry& entry, std::string_view text) {
    std::visit(
        [text](auto* field) {
            using T = std::remove_pointer_t<decltype(field)>;
            if constexpr (std::is_same_v<T, double>) {
                if (const auto v = ParseWholeDouble(text)) {
                    *field = *v;
                }
            } else if constexpr (std::is_same_v<T, std::string>) {
                *field = std::string(text);
            } else {
                if (const auto v = ParseWholeInteger(text, std::is_same_v<T, unsigned>)) {
                    *field = static_cast<T>(*v);
                }
            }
        },
        entry.field);
}

}  // namespace tarnwick
