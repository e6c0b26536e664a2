#include "keyer/GridLookup.h"

#include "keyer/CallsignLookup.h"

namespace tarnwick {

bool GridLookup::Start(const std::string& path, const std::string& call) {
    return job_.Start([path, call] { return Answer{call, LookUpGridInFile(path, call)}; });
}

std::optional<std::string> GridLookup::Take(const std::string& currentCall) {
    auto answer = job_.Take();
    if (!answer || answer->call != currentCall) {
        return std::nullopt;
    }
    return answer->grid;
}

}  // namespace tarnwick
