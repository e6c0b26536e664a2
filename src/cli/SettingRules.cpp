#include "cli/SettingRules.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>

namespace tarnwick::cli {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

const std::map<std::string_view, SettingRule>& Rules() {
    using K = SettingKind;
    static const std::map<std::string_view, SettingRule> rules = {
        {"MyCall", {K::String, {}, {}}},
        {"MyGrid", {K::String, {}, {}}},
        {"HisCall", {K::String, {}, {}}},
        {"LptPort1", {K::String, {}, {}}},
        {"Report", {K::String, {}, {}}},
        {"CWRate", {K::Unsigned, 1, 50}},
        {"TXDelay", {K::Double, 0, {}}},
        {"DotWgt", {K::Double, 0, {}}},
        {"DashWgt", {K::Double, 0, {}}},
        {"LetterSp", {K::Double, 0, {}}},
        {"WindowPos", {K::WindowPos, {}, {}}},
        {"Mode", {K::Int, 0, 1}},
        {"Contest", {K::Int, 0, 1}},
        {"CWPriority", {K::Int, 0, 5}},
        {"TXFirst", {K::Int, 0, 1}},
        {"CWInd", {K::Int, 0, 1}},
        {"UseTRX", {K::Int, 0, 1}},
        {"SO2R", {K::Int, 0, 1}},
        {"ManualSend", {K::Int, 0, 1}},
        {"FilterFreq", {K::Int, 201, 2755}},
        {"FilterWidth", {K::Int, 10, 2000}},
        {"FilterBottomWidth", {K::Int, {}, 3000}},
        {"DisplayGain", {K::Int, 10, 100}},
        {"DisplayCont", {K::Int, -400, 400}},
        {"DisplayAvg", {K::Int, 0, 30}},
        {"WaveOut", {K::Int, -1, {}}},
        {"WaveOutName", {K::String, {}, {}}},
        {"NCWTitles", {K::Int, 1, 100}},
        {"NPhTitles", {K::Int, 1, 100}},
    };
    return rules;
}

// The whole text must be one number in C's "%i" notation (0x hexadecimal, leading 0 octal).
std::optional<long long> WholeInt(std::string_view s, int base) {
    if (s.empty()) {
        return std::nullopt;
    }
    const std::string text(s);
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, base);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < -2147483648LL ||
        v > 4294967295LL) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> WholeDouble(std::string_view s) {
    const std::string text(s);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0' || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

}  // namespace

SettingRule RuleFor(std::string_view name) {
    const auto& rules = Rules();
    if (const auto it = rules.find(name); it != rules.end()) {
        return it->second;
    }
    if (StartsWith(name, "Title") || StartsWith(name, "Message")) {
        return {SettingKind::String, {}, {}};
    }
    return {SettingKind::Int, {}, {}};
}

std::optional<std::string> CheckValue(std::string_view name, std::string_view value) {
    const SettingRule rule = RuleFor(name);
    std::optional<double> number;
    switch (rule.kind) {
        case SettingKind::String:
            return std::nullopt;
        case SettingKind::WindowPos: {
            int count = 0;
            size_t from = 0;
            for (;;) {
                const size_t colon = value.find(':', from);
                if (!WholeInt(value.substr(from, colon - from), 0)) {
                    return "must be twelve whole numbers separated by ':'";
                }
                ++count;
                if (colon == std::string_view::npos) {
                    break;
                }
                from = colon + 1;
            }
            if (count != 12) {
                return "must be twelve whole numbers separated by ':'";
            }
            return std::nullopt;
        }
        case SettingKind::Int:
            if (const auto v = WholeInt(value, 0); v && *v <= 2147483647LL) {
                number = static_cast<double>(*v);
            } else {
                return "must be a whole number";
            }
            break;
        case SettingKind::Unsigned:
            if (const auto v = WholeInt(value, 10); v && *v >= 0) {
                number = static_cast<double>(*v);
            } else {
                return "must be a whole number of 0 or more";
            }
            break;
        case SettingKind::Double:
            number = WholeDouble(value);
            if (!number) {
                return "must be a number";
            }
            break;
    }
    if ((rule.min && *number < *rule.min) || (rule.max && *number > *rule.max)) {
        std::string range = " (allowed: ";
        auto fmt = [](double d) {
            std::string s = std::to_string(d);
            s.erase(s.find_last_not_of('0') + 1);
            if (!s.empty() && s.back() == '.') {
                s.pop_back();
            }
            return s;
        };
        range += rule.min ? fmt(*rule.min) : std::string("any");
        range += rule.max ? " to " + fmt(*rule.max) : std::string(" or more");
        return "is out of range" + range + ")";
    }
    return std::nullopt;
}

}  // namespace tarnwick::cli
