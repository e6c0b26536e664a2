#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The call-sign list the look-up reads: one station per line, the call, white space, the grid
// locator, anything after that ignored. It lives in the process's current directory.
inline constexpr const char* kCallsignFileName = "callsign.txt";
// The most of the list that is read; a longer file is searched in its whole lines up to here.
inline constexpr size_t kMaxCallsignFileBytes = size_t{32} << 20;

// The grid written for `call` in the list `text`: the second token of the first line whose
// first token is `call`, ignoring letter case (ASCII), taken as written. Lines end at LF, CR
// or CRLF and are taken whole, however long; tokens are separated by blanks, tabs, vertical
// tabs and form feeds and are compared whole, however long. A line with fewer than two tokens
// names no station and is passed over. Nothing when no line names the call.
std::optional<std::string> LookUpGrid(std::string_view text, std::string_view call);

// The same on the file at `path`: nothing when it cannot be opened, is not a plain file (a
// FIFO or a device would hold the caller), cannot be read or names no such call. At most
// `maxBytes` (never more than kMaxCallsignFileBytes) are read; of a longer file only the lines
// that end within them are searched, so that a grid cut short is never taken.
std::optional<std::string> LookUpGridInFile(const std::string& path, std::string_view call,
                                            size_t maxBytes = kMaxCallsignFileBytes);

}  // namespace tarnwick
