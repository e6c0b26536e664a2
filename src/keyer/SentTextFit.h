#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace tarnwick {

// Width of a text in the status pane's units (pixels), as the window's font measures it.
using TextWidth = std::function<int(std::string_view text)>;

// How many leading characters of the transmitted-CW text must go so that the rest fits a pane
// `paneWidth` wide: the pane shows the newest characters, and the text itself is cut by as
// many so it never grows much beyond one pane. Widths are taken to grow with the text (a
// longer tail is never narrower), which lets the cut be found with a few measurements instead
// of one per character. Characters of several bytes (UTF-8) are never split.
size_t SentTextCharsToDrop(std::string_view text, int paneWidth, const TextWidth& width);

}  // namespace tarnwick
