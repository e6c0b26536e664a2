#include "support/RaisedNice.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace tarnwick::test {

RaisedNice::RaisedNice(int nice) {
    // On Linux the nice value belongs to the thread: PRIO_PROCESS with a thread's id.
    const id_t self = static_cast<id_t>(gettid());
    errno = 0;
    before_ = getpriority(PRIO_PROCESS, self);
    raised_ = errno == 0 && nice < before_ && setpriority(PRIO_PROCESS, self, nice) == 0;
}

RaisedNice::~RaisedNice() {
    if (raised_) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), before_);
    }
}

}  // namespace tarnwick::test
