#include "trx/RigProbe.h"

#include <cstdio>
#include <optional>

#include "trx/RigConnection.h"
#include "trx/RigStatus.h"

namespace tarnwick {
namespace {

std::string Address(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace

std::string FormatRigFrequency(double hz) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f MHz", hz / 1e6);
    return text;
}

RigProbeResult ProbeRigLink(const std::string& host, int port, int timeoutMs) {
    const std::string where = Address(host, port);
    RigConnection connection;
    if (!connection.Open(host, port, timeoutMs)) {
        return {false, 0, "Cannot connect to the rig-control daemon at " + where};
    }
    const RigResult r = connection.Transact("f", "get_freq", timeoutMs);
    if (!r.Ok()) {
        return {false, 0,
                "The rig-control daemon at " + where +
                    " gave no frequency: " + RigStatusText(r.status)};
    }
    std::optional<double> hz = r.reply.Number("Frequency");
    if (!hz) {
        hz = r.reply.Number("");  // some daemons answer with the bare value
    }
    if (!hz || *hz <= 0) {
        return {false, 0,
                "The rig-control daemon at " + where +
                    " gave no frequency: " + RigStatusText(kRigProtocolError)};
    }
    return {true, *hz, FormatRigFrequency(*hz)};
}

}  // namespace tarnwick
