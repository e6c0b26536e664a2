#pragma once

#include <string>

namespace tarnwick::test {

// ALSA configuration for test PCMs. A process reads it after the system's own configuration
// once Use names the file; ALSA reads it again whenever the named file changes.
class AlsaTestConfig {
public:
    // A PCM that discards what is played and captures silence, and that only one handle may hold
    // at a time, like a card another program has open (a second open fails with EBUSY). Its
    // first open creates `lockFile`. A description puts it in the device list (Hint).
    static std::string ExclusivePcm(const std::string& name, const std::string& lockFile,
                                    const std::string& description = "");
    // The device-list entry of a PCM: `description` as ALSA's hints give it ("|IOIDOutput"
    // after it marks a playback-only PCM).
    static std::string Hint(const std::string& description);
    // The definition (what follows "pcm.NAME" or "capture.pcm") of a PCM that writes what is
    // played to `file` and, given `infile`, captures from that file or pipe as fast as it is
    // read.
    static std::string FilePcm(const std::string& file, const std::string& infile = "");
    // "pcm.NAME", capturing with `capture` and playing with `playback` (definitions).
    static std::string DuplexPcm(const std::string& name, const std::string& capture,
                                 const std::string& playback);
    // Makes this process read `file` after the system's configuration.
    static void Use(const std::string& file);
};

}  // namespace tarnwick::test
