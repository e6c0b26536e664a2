#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The station data the macros stand for.
struct StationData {
    std::string myCall;  // %M
    std::string report;  // %R
    std::string myGrid;  // %G whole, %S its first four characters
};

// Replaces %M, %R, %S, %G and %T (the call field as it reads now), in that order, each over the
// whole string, so text produced by an earlier replacement is subject to the later ones.
std::string ExpandMacros(std::string_view templ, const StationData& station,
                         std::string_view callField);

}  // namespace tarnwick
