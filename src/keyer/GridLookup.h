#pragma once

#include <optional>
#include <string>

#include "platform/BackgroundJob.h"

namespace tarnwick {

// The Lookup button's search of the call-sign list, off the window's thread: the list may be
// large or on a slow disk, and the window must never wait while a message is keyed. A grid
// found belongs to the call it was looked up for: when the call box says another call by the
// time the answer comes, the answer is dropped rather than put beside the wrong station.
class GridLookup {
public:
    // Searches `path` for `call`; false (nothing started) while a search still runs.
    bool Start(const std::string& path, const std::string& call);
    bool Running() const { return job_.Running(); }
    // Once the search ended: the grid to show when the call box still holds `currentCall`.
    std::optional<std::string> Take(const std::string& currentCall);

private:
    struct Answer {
        std::string call;
        std::optional<std::string> grid;
    };
    BackgroundJob<Answer> job_;
};

}  // namespace tarnwick
