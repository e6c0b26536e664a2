// Walks arbitrary bytes as a message against a fake engine on a virtual clock. The fake asks
// for a stop after a bounded number of actions, as an operator would, so huge repeat counts
// end; everything else must finish, never crash and never overrun.
#include <cstddef>
#include <cstdint>
#include <string>

#include "send/MessageWalker.h"
#include "support/FakeMessageActions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarnwick::test::FakeMessageActions fake;
    fake.stopAfterActions = 2000;
    fake.msPerChar = 50;
    std::string message(reinterpret_cast<const char*>(data), size);
    tarnwick::MessageWalker walker(fake);
    const tarnwick::WalkResult r = walker.RunMessage(message);
    if (r.status == tarnwick::WalkStatus::Failed && fake.errors > 1) {
        __builtin_trap();  // a malformed message shows its error once
    }
    return 0;
}
