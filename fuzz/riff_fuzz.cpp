// Feeds arbitrary bytes to the RIFF reader as a WAV file and walks it the way the WAV player
// does ("WAVE" form, "fmt ", then "data" after it), then once more over other chunk kinds.
// Nothing may crash, and whatever the sizes in the file claim, every read stays within the file:
// a chunk never reports more bytes than the file holds, and what is read is the file's own.
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "send/RiffReader.h"

namespace {

using tarnwick::FourCc;
using tarnwick::RiffReader;

// A chunk of a file this small is read whole; larger claims are capped like the player caps
// its format block.
constexpr size_t kReadCap = 1 << 20;

void Require(bool condition) {
    if (!condition) {
        abort();
    }
}

int FileOf(const uint8_t* data, size_t size) {
    const int fd = memfd_create("riff-fuzz", MFD_CLOEXEC);
    Require(fd >= 0);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        Require(n > 0);
        done += static_cast<size_t>(n);
    }
    return fd;
}

void CheckChunk(RiffReader& riff, const uint8_t* data, size_t size) {
    const uint64_t available = riff.ChunkAvailable();
    Require(available <= riff.ChunkSize());
    Require(available <= size);
    std::vector<uint8_t> buffer(std::min<size_t>(riff.ChunkSize(), kReadCap));
    const size_t n = riff.ReadChunk(buffer.data(), buffer.size());
    Require(n == std::min<uint64_t>(available, buffer.size()));
    Require(n == 0 || memmem(data, size, buffer.data(), n) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = FileOf(data, size);
    const int second = dup(fd);
    Require(second >= 0);

    RiffReader riff;
    Require(riff.Attach(fd));
    if (riff.FindForm(FourCc("WAVE")) && riff.Descend(FourCc("fmt "))) {
        CheckChunk(riff, data, size);
        riff.Ascend();
        if (riff.Descend(FourCc("data"))) {
            CheckChunk(riff, data, size);
        }
    }

    RiffReader other;
    Require(other.Attach(second));
    if (other.FindForm(FourCc("WAVE"))) {
        for (const uint32_t id : {FourCc("LIST"), FourCc("fact"), FourCc("data"), FourCc("fmt ")}) {
            if (other.Descend(id)) {
                CheckChunk(other, data, size);
                other.Ascend();
            }
        }
    }
    return 0;
}
