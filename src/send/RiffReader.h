#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick {

// A chunk or form identifier: four characters, the first one lowest, as they lie in the file.
constexpr uint32_t FourCc(const char (&id)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(id[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(id[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(id[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(id[3])) << 24;
}

// Walks the chunks of a RIFF file: find the form, descend into one of its chunks, read it,
// ascend past it (and its pad byte) and look for the next. No size in the file is trusted:
// every walk stays inside the form and the form inside the file, so a chunk that claims more
// than the file holds reports only what is there, and nothing is ever read past the end.
class RiffReader {
public:
    RiffReader() = default;
    ~RiffReader();
    RiffReader(const RiffReader&) = delete;
    RiffReader& operator=(const RiffReader&) = delete;

    // Opens a regular file for reading; anything else (missing, a directory, a pipe) fails.
    bool Open(const std::string& path);
    // Reads from `fd`, which the reader then owns; fails unless it is a regular file.
    bool Attach(int fd);
    void Close();

    // Finds the top-level "RIFF" chunk of form type `form` and moves to its first chunk.
    bool FindForm(uint32_t form);
    // Finds the chunk `id` among the form's chunks from the current position on, and makes it
    // the current chunk. On failure the position is unchanged.
    bool Descend(uint32_t id);
    // Moves past the current chunk and its pad byte.
    void Ascend();

    // The current chunk's size as the file states it.
    uint32_t ChunkSize() const { return chunkSize_; }
    // How much of it the form really holds.
    uint64_t ChunkAvailable() const;
    // Reads up to `size` bytes from the start of the current chunk; returns the count read,
    // which is short when the chunk or the file ends first or the file cannot be read.
    size_t ReadChunk(void* dst, size_t size);

private:
    size_t ReadUpTo(uint64_t offset, void* dst, size_t size);
    bool ReadAt(uint64_t offset, void* dst, size_t size);
    bool FindChunk(uint64_t from, uint64_t end, uint32_t id, uint64_t* at, uint32_t* size);

    int fd_ = -1;
    uint64_t fileSize_ = 0;
    uint64_t formEnd_ = 0;
    uint64_t position_ = 0;
    uint64_t chunkData_ = 0;
    uint32_t chunkSize_ = 0;
};

}  // namespace tarnwick
