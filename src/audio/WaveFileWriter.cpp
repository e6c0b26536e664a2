#include "audio/WaveFileWriter.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace tarnwick {
namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kMono = 1;
constexpr uint16_t kBits = 16;
constexpr uint16_t kBlockAlign = kMono * kBits / 8;
constexpr uint32_t kFormatBytes = 16;
constexpr uint32_t kHeaderBytes = 44;

void Put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xffff));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

std::string FileBytes(const std::vector<int16_t>& samples, uint32_t rate) {
    const auto dataBytes = static_cast<uint32_t>(samples.size() * kBlockAlign);
    std::string out;
    out.reserve(kHeaderBytes + dataBytes + 1);
    out += "RIFF";
    // The form holds "WAVE", both chunk headers, the format and the data with its pad byte.
    Put32(out, 4 + 8 + kFormatBytes + 8 + dataBytes + (dataBytes & 1));
    out += "WAVEfmt ";
    Put32(out, kFormatBytes);
    Put16(out, kPcm);
    Put16(out, kMono);
    Put32(out, rate);
    Put32(out, rate * kBlockAlign);
    Put16(out, kBlockAlign);
    Put16(out, kBits);
    out += "data";
    Put32(out, dataBytes);
    for (const int16_t s : samples) {
        Put16(out, static_cast<uint16_t>(s));
    }
    if (dataBytes & 1) {
        out += '\0';
    }
    return out;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Puts the finished temporary file in place; without `replace` only where nothing is.
WaveWriteResult Publish(const std::string& temp, const std::string& path, bool replace) {
    if (replace) {
        return rename(temp.c_str(), path.c_str()) == 0 ? WaveWriteResult::Written
                                                       : WaveWriteResult::Failed;
    }
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
        return WaveWriteResult::Written;
    }
    if (errno == EEXIST) {
        return WaveWriteResult::Exists;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return WaveWriteResult::Failed;
    }
    // A file system without the no-replace rename: a hard link fails just the same way when
    // the name is taken.
    if (link(temp.c_str(), path.c_str()) != 0) {
        return errno == EEXIST ? WaveWriteResult::Exists : WaveWriteResult::Failed;
    }
    unlink(temp.c_str());
    return WaveWriteResult::Written;
}

}  // namespace

WaveWriteResult WriteWaveFile(const std::string& path, const std::vector<int16_t>& samples,
                              uint32_t sampleRate, bool replace, int* error) {
    *error = 0;
    // The RIFF sizes are 32-bit.
    if (samples.size() * kBlockAlign > 0xFFFFFFFFu - kHeaderBytes) {
        *error = EFBIG;
        return WaveWriteResult::Failed;
    }
    if (!replace && access(path.c_str(), F_OK) == 0) {
        return WaveWriteResult::Exists;
    }
    const std::string directory = DirectoryOf(path);
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return WaveWriteResult::Failed;
    }
    // Readable like the operator's other sound files (mkostemp makes it private).
    fchmod(fd, 0644);
    const bool written = WriteAll(fd, FileBytes(samples, sampleRate)) && fsync(fd) == 0;
    const int writeError = errno;
    if (close(fd) != 0 || !written) {
        *error = written ? errno : writeError;
        unlink(temp.c_str());
        return WaveWriteResult::Failed;
    }
    const WaveWriteResult result = Publish(temp, path, replace);
    if (result != WaveWriteResult::Written) {
        *error = result == WaveWriteResult::Failed ? errno : 0;
        unlink(temp.c_str());
        return result;
    }
    if (const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return WaveWriteResult::Written;
}

}  // namespace tarnwick
