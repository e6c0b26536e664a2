#include "ports/RawParallelPortIo.h"

#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TARNWICK_HAVE_PORT_IO 1
#endif

namespace tarnwick {

namespace {

constexpr uint16_t kStatusOffset = 1;
constexpr uint16_t kControlOffset = 2;
// Status and control: base + 1 and base + 2.
constexpr unsigned long kPortCount = 2;

#ifdef TARNWICK_HAVE_PORT_IO
// Port permissions belong to each thread (a thread inherits them only from its creator), and
// an access without them kills the process. So every thread that touches the port asks for
// them itself first, and skips the access when it may not have them.
thread_local uint16_t grantedBase = 0;

bool MayAccess(uint16_t base) {
    if (grantedBase == base) {
        return true;
    }
    if (ioperm(static_cast<unsigned long>(base) + kStatusOffset, kPortCount, 1) != 0) {
        return false;
    }
    grantedBase = base;
    return true;
}
#endif

}  // namespace

std::unique_ptr<ParallelPortIo> RawParallelPortIo::Open(uint16_t baseAddress, std::string* why) {
#ifdef TARNWICK_HAVE_PORT_IO
    if (baseAddress == 0 || baseAddress > 0xFFFF - kControlOffset) {
        *why = "the address is outside the port range";
        return nullptr;
    }
    grantedBase = 0;
    if (!MayAccess(baseAddress)) {
        *why = std::string("direct port access refused: ") + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<RawParallelPortIo>(Key{}, baseAddress);
#else
    (void)baseAddress;
    *why = "direct port access is not supported on this processor";
    return nullptr;
#endif
}

RawParallelPortIo::~RawParallelPortIo() {
#ifdef TARNWICK_HAVE_PORT_IO
    if (grantedBase == base_) {
        ioperm(static_cast<unsigned long>(base_) + kStatusOffset, kPortCount, 0);
        grantedBase = 0;
    }
#endif
}

// Byte accesses only: a 16-bit write would also reach base + 3, which on a port set to EPP
// mode starts an address cycle that moves pins 14 and 17.
void RawParallelPortIo::WriteControl(uint16_t value) {
#ifdef TARNWICK_HAVE_PORT_IO
    if (MayAccess(base_)) {
        outb(static_cast<unsigned char>(value & 0xFF), base_ + kControlOffset);
    }
#else
    (void)value;
#endif
}

uint16_t RawParallelPortIo::ReadStatus() {
#ifdef TARNWICK_HAVE_PORT_IO
    if (MayAccess(base_)) {
        return inb(base_ + kStatusOffset);
    }
#endif
    return 0;
}

}  // namespace tarnwick
