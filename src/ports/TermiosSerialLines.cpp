#include "ports/TermiosSerialLines.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace tarnwick {

namespace {

SerialOpenError ErrorFor(int err) {
    return err == ENOENT || err == ENODEV || err == ENXIO ? SerialOpenError::NotAvailable
                                                          : SerialOpenError::CannotOpen;
}

// A serial node with no UART behind it opens, but refuses every modem-line call with EIO.
bool NoHardwareBehind(int fd) {
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) == 0) {
        return false;
    }
    return errno == EIO || errno == ENODEV || errno == ENXIO;
}

void DropLines(int fd) {
    int bits = TIOCM_RTS | TIOCM_DTR;
    ioctl(fd, TIOCMBIC, &bits);
}

// With HUPCL the kernel drops RTS and DTR at the last close, so the lines also drop when the
// program is killed and never gets to drop them itself. Only the flag changes: the speed stays,
// and with it the lines.
void HangUpOnClose(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) == 0 && (t.c_cflag & HUPCL) == 0) {
        t.c_cflag |= HUPCL;
        tcsetattr(fd, TCSANOW, &t);
    }
}

}  // namespace

SerialOpenResult TermiosSerialLines::Open(const std::string& path) {
    // Only a character device can be a serial port; anything else is refused before it is
    // opened, so a mistyped path cannot block on a FIFO or write to a file.
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        return {nullptr, path.empty() ? SerialOpenError::NotAvailable : ErrorFor(errno)};
    }
    if (!S_ISCHR(st.st_mode)) {
        return {nullptr, SerialOpenError::CannotOpen};
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {nullptr, ErrorFor(errno)};
    }
    DropLines(fd);
    if (NoHardwareBehind(fd)) {
        close(fd);
        return {nullptr, SerialOpenError::NotAvailable};
    }
    // TIOCEXCL keeps other programs out; the lock also keeps out a second keyer running as
    // root, which TIOCEXCL does not stop.
    if (!isatty(fd) || ioctl(fd, TIOCEXCL) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return {nullptr, SerialOpenError::CannotOpen};
    }
    HangUpOnClose(fd);
    return {std::make_shared<TermiosSerialLines>(Key{}, fd), SerialOpenError::None};
}

TermiosSerialLines::~TermiosSerialLines() {
    DropLines(fd_);
    ioctl(fd_, TIOCNXCL);
    close(fd_);
}

bool TermiosSerialLines::Change(unsigned long request, int bits) {
    return ioctl(fd_, request, &bits) == 0;
}

bool TermiosSerialLines::SetRts() {
    return Change(TIOCMBIS, TIOCM_RTS);
}

bool TermiosSerialLines::ClearRts() {
    return Change(TIOCMBIC, TIOCM_RTS);
}

bool TermiosSerialLines::SetDtr() {
    return Change(TIOCMBIS, TIOCM_DTR);
}

bool TermiosSerialLines::ClearDtr() {
    return Change(TIOCMBIC, TIOCM_DTR);
}

std::optional<uint32_t> TermiosSerialLines::ModemStatus() {
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0) {
        return std::nullopt;
    }
    uint32_t status = 0;
    if ((bits & TIOCM_CTS) != 0) {
        status |= kModemCtsOn;
    }
    if ((bits & TIOCM_DSR) != 0) {
        status |= kModemDsrOn;
    }
    return status;
}

}  // namespace tarnwick
