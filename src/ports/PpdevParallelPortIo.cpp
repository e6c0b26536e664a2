#include "ports/PpdevParallelPortIo.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarnwick {

std::unique_ptr<ParallelPortIo> PpdevParallelPortIo::Open(const std::string& path,
                                                          std::string* why) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *why = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
        *why = "cannot claim " + path + ": " + std::strerror(errno);
        close(fd);
        return nullptr;
    }
    return std::make_unique<PpdevParallelPortIo>(Key{}, fd);
}

PpdevParallelPortIo::~PpdevParallelPortIo() {
    ioctl(fd_, PPRELEASE);
    close(fd_);
}

void PpdevParallelPortIo::WriteControl(uint16_t value) {
    unsigned char control = static_cast<unsigned char>(value & 0xFF);
    ioctl(fd_, PPWCONTROL, &control);
}

uint16_t PpdevParallelPortIo::ReadStatus() {
    unsigned char status = 0;
    if (ioctl(fd_, PPRSTATUS, &status) != 0) {
        return 0;
    }
    return status;
}

}  // namespace tarnwick
