#include "keyer/SentTextFit.h"

namespace tarnwick {
namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The next cut at or after `at` that does not fall inside a character.
size_t CharStart(std::string_view text, size_t at) {
    while (at < text.size() && IsContinuationByte(text[at])) {
        ++at;
    }
    return at;
}

}  // namespace

size_t SentTextCharsToDrop(std::string_view text, int paneWidth, const TextWidth& width) {
    if (text.empty() || width(text) <= paneWidth) {
        return 0;
    }
    // Invariant: dropping `tooFew` leaves too wide a text, dropping `enough` fits (all of it
    // always does: an empty pane text).
    size_t tooFew = 0;
    size_t enough = text.size();
    while (true) {
        const size_t lowest = CharStart(text, tooFew + 1);
        if (lowest >= enough) {
            break;
        }
        size_t middle = CharStart(text, tooFew + (enough - tooFew) / 2);
        if (middle <= tooFew || middle >= enough) {
            middle = lowest;
        }
        if (width(text.substr(middle)) <= paneWidth) {
            enough = middle;
        } else {
            tooFew = middle;
        }
    }
    return enough;
}

}  // namespace tarnwick
