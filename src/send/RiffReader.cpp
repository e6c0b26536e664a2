#include "send/RiffReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tarnwick {

namespace {

constexpr uint64_t kHeaderBytes = 8;

uint32_t LittleEndian32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Chunks start on even offsets; an odd-sized chunk is followed by one pad byte.
uint64_t NextChunk(uint64_t data, uint32_t size) {
    return data + size + (size & 1u);
}

}  // namespace

RiffReader::~RiffReader() {
    Close();
}

bool RiffReader::Open(const std::string& path) {
    // Non-blocking, so that a name that turns out to be a FIFO cannot hang the caller.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    return fd >= 0 && Attach(fd);
}

bool RiffReader::Attach(int fd) {
    Close();
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    fd_ = fd;
    fileSize_ = static_cast<uint64_t>(st.st_size);
    return true;
}

void RiffReader::Close() {
    if (fd_ >= 0) {
        close(fd_);
    }
    fd_ = -1;
    fileSize_ = formEnd_ = position_ = chunkData_ = 0;
    chunkSize_ = 0;
}

size_t RiffReader::ReadUpTo(uint64_t offset, void* dst, size_t size) {
    auto* out = static_cast<unsigned char*>(dst);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

bool RiffReader::ReadAt(uint64_t offset, void* dst, size_t size) {
    return ReadUpTo(offset, dst, size) == size;
}

bool RiffReader::FindChunk(uint64_t from, uint64_t end, uint32_t id, uint64_t* at, uint32_t* size) {
    for (uint64_t pos = from; pos + kHeaderBytes <= end;) {
        unsigned char header[kHeaderBytes];
        if (!ReadAt(pos, header, sizeof header)) {
            return false;
        }
        const uint32_t chunkSize = LittleEndian32(header + 4);
        if (LittleEndian32(header) == id) {
            *at = pos;
            *size = chunkSize;
            return true;
        }
        pos = NextChunk(pos + kHeaderBytes, chunkSize);
    }
    return false;
}

bool RiffReader::FindForm(uint32_t form) {
    if (fd_ < 0) {
        return false;
    }
    uint64_t from = 0;
    uint64_t at = 0;
    uint32_t size = 0;
    while (FindChunk(from, fileSize_, FourCc("RIFF"), &at, &size)) {
        const uint64_t data = at + kHeaderBytes;
        unsigned char type[4];
        if (size >= sizeof type && ReadAt(data, type, sizeof type) &&
            LittleEndian32(type) == form) {
            formEnd_ = std::min<uint64_t>(data + size, fileSize_);
            position_ = data + sizeof type;
            chunkData_ = position_;
            chunkSize_ = 0;
            return true;
        }
        from = NextChunk(data, size);
    }
    return false;
}

bool RiffReader::Descend(uint32_t id) {
    if (fd_ < 0 || formEnd_ == 0) {
        return false;
    }
    uint64_t at = 0;
    uint32_t size = 0;
    if (!FindChunk(position_, formEnd_, id, &at, &size)) {
        return false;
    }
    chunkData_ = at + kHeaderBytes;
    chunkSize_ = size;
    return true;
}

void RiffReader::Ascend() {
    position_ = NextChunk(chunkData_, chunkSize_);
}

uint64_t RiffReader::ChunkAvailable() const {
    if (chunkData_ >= formEnd_) {
        return 0;
    }
    return std::min<uint64_t>(chunkSize_, formEnd_ - chunkData_);
}

size_t RiffReader::ReadChunk(void* dst, size_t size) {
    if (fd_ < 0) {
        return 0;
    }
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size, ChunkAvailable()));
    return ReadUpTo(chunkData_, dst, wanted);
}

}  // namespace tarnwick
