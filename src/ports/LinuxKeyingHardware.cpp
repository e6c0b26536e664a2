#include "ports/LinuxKeyingHardware.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ports/PpdevParallelPortIo.h"
#include "ports/RawParallelPortIo.h"
#include "ports/TermiosSerialLines.h"

namespace tarnwick {

namespace {

// The first number of a base-addr file ("888\t1912"), decimal.
std::optional<unsigned long> FirstBaseAddress(const std::filesystem::path& file) {
    std::ifstream in(file);
    unsigned long value = 0;
    if (!(in >> value)) {
        return std::nullopt;
    }
    return value;
}

std::string Hex(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

}  // namespace

SerialOpenResult LinuxKeyingHardware::OpenSerial(const std::string& devicePath) {
    return TermiosSerialLines::Open(devicePath);
}

std::optional<std::string> LinuxKeyingHardware::FindParportNode(uint16_t baseAddress) const {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it(places_.parportInfoDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        if (name.rfind("parport", 0) != 0) {
            continue;
        }
        const auto base = FirstBaseAddress(entry.path() / "base-addr");
        if (base && *base == baseAddress) {
            return (fs::path(places_.deviceDir) / name).string();
        }
    }
    return std::nullopt;
}

std::unique_ptr<ParallelPortIo> LinuxKeyingHardware::OpenParallel(uint16_t baseAddress,
                                                                  std::string* why) {
    std::string reason;
    if (const auto node = FindParportNode(baseAddress)) {
        auto io = PpdevParallelPortIo::Open(*node, &reason);
        if (!io && why) {
            *why = reason;
        }
        return io;
    }
    const std::string noNode = "no parallel port device has base address " + Hex(baseAddress);
    if (!places_.allowDirectPortAccess) {
        if (why) {
            *why = noNode;
        }
        return nullptr;
    }
    auto io = RawParallelPortIo::Open(baseAddress, &reason);
    if (!io && why) {
        *why = noNode + ", and " + reason;
    }
    return io;
}

}  // namespace tarnwick
