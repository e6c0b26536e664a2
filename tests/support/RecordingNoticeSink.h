#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/NoticeSink.h"

namespace tarnwick::test {

// Records every notice. A sent notice is handed to `onSend` (on the sender's thread) when one
// is set, then acknowledged; without a handler it is acknowledged at once.
class RecordingNoticeSink : public NoticeSink {
public:
    std::vector<Notice> Notices() const;
    std::function<void(const Notice&)> onSend;

protected:
    void Deliver(Notice notice) override;

private:
    mutable std::mutex mutex_;
    std::vector<Notice> notices_;
};

}  // namespace tarnwick::test
