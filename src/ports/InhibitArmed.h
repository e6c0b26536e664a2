#pragma once

#include <atomic>

namespace tarnwick {

// 1 once PTT has been raised in this process since the last device that does not watch an
// inhibit input was built; inhibit watchers act only while it is 1, so an inhibit line that is
// already on before anything was sent does not stop the first message. Process-wide because
// the devices of one message are built anew for every message.
extern std::atomic<int> InhibitArmed;

}  // namespace tarnwick
