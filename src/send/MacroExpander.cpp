#include "send/MacroExpander.h"

namespace tarnwick {

namespace {

// Replaces left to right without rescanning what was inserted, so a value that contains its
// own macro cannot make the expansion endless.
void ReplaceAll(std::string& s, std::string_view macro, std::string_view value) {
    std::string out;
    size_t from = 0;
    for (size_t at = s.find(macro); at != std::string::npos; at = s.find(macro, from)) {
        out.append(s, from, at - from);
        out.append(value);
        from = at + macro.size();
    }
    if (from == 0) {
        return;
    }
    out.append(s, from, std::string::npos);
    s = std::move(out);
}

}  // namespace

std::string ExpandMacros(std::string_view templ, const StationData& station,
                         std::string_view callField) {
    std::string s(templ);
    ReplaceAll(s, "%M", station.myCall);
    ReplaceAll(s, "%R", station.report);
    ReplaceAll(s, "%S", std::string_view(station.myGrid).substr(0, 4));
    ReplaceAll(s, "%G", station.myGrid);
    ReplaceAll(s, "%T", callField);
    return s;
}

}  // namespace tarnwick
