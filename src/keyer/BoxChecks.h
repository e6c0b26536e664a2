#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// What the operating window does when one of its number boxes loses the focus: the text the
// box shows afterwards, the message to show (a plain box with OK), the value to store, and the
// text of the partner box where the filter width and -60 dB width boxes push each other.
// Limits and messages are the settings schema's; nothing here touches a window or the document.
struct BoxCheck {
    std::string boxText;
    std::optional<std::string> message;
    std::optional<int> stored;  // nothing: the box stores nothing
    std::optional<std::string> otherBoxText;
    bool filterChanged = false;  // the receive filter is to be designed anew
};

// A box's number: its leading decimal digits, 0 when there are none.
int BoxNumber(std::string_view text);

// CW speed: below the range the box shows the least speed, above it the greatest, each with
// its message; CWRate takes what the box then shows.
BoxCheck CheckWpmBox(std::string_view text);
// Sequence duration: corrected into 15..600 s like the speed; nothing is stored (the sequencer
// reads the box).
BoxCheck CheckDurationBox(std::string_view text);
// Filter centre: outside the range the old centre returns with the message.
BoxCheck CheckCentreBox(std::string_view text, int filterFreq);
// Filter width: below the range it becomes the least width with its message, above it the old
// width returns with its message; a width at or above the -60 dB width shows in that box too.
BoxCheck CheckWidthBox(std::string_view text, int filterWidth, int filterBottomWidth);
// -60 dB width: above the range the old one returns with the message; one at or below the
// width shows in the width box too.
BoxCheck CheckBottomWidthBox(std::string_view text, int filterWidth, int filterBottomWidth);

// A click on the spectrum display at `frequency` Hz: refused with a message outside the
// centre's range; otherwise it becomes the filter centre (the centre box shows it) and the FIR
// filter goes on.
struct DisplayClick {
    std::optional<std::string> message;
    std::optional<int> filterFreq;  // with it: centre box, FilterFreq, FIR filter on, redesign
};
DisplayClick CheckDisplayClick(int frequency);

}  // namespace tarnwick
