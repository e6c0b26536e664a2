#pragma once

#include <string>

namespace tarnwick {

// What asking the rig-control daemon for the radio's frequency gave.
struct RigProbeResult {
    bool ok = false;
    double frequencyHz = 0;
    // For the operator: the frequency ("145.000000 MHz") or what went wrong.
    std::string text;
};

// Connects to the rig-control daemon at host:port, reads the radio's frequency (the one read
// that shows the radio itself answers) and disconnects. Blocks for up to `timeoutMs` for the
// connection and as long again for the answer, so it belongs on a thread that may wait.
RigProbeResult ProbeRigLink(const std::string& host, int port, int timeoutMs);

// "145.000000 MHz": megahertz to the hertz.
std::string FormatRigFrequency(double hz);

}  // namespace tarnwick
