#include "morse/CwTiming.h"

#include <algorithm>
#include <cmath>

namespace tarnwick {

namespace {

uint32_t Term(double ms) {
    if (!(ms > 0)) {  // negative or NaN
        return 0;
    }
    return static_cast<uint32_t>(std::min(std::trunc(ms), static_cast<double>(kMaxCwIntervalMs)));
}

bool IsElement(unsigned pair) {
    return pair == 1 || pair == 2;
}

}  // namespace

CwTiming ComputeCwTiming(unsigned cwRate, double dotWgt, double dashWgt, double letterSp) {
    const unsigned rate = std::clamp(cwRate, kMinCwRate, kMaxCwRate);
    CwTiming t;
    t.unitMs = 1200.0 / rate;
    t.dotMs = Term(t.unitMs * dotWgt);
    t.dashMs = Term(t.unitMs * dashWgt);
    t.elementGapMs = Term(t.unitMs);
    t.letterGapMs = Term(t.unitMs * letterSp);
    t.blankGapMs = std::min(t.letterGapMs + Term(2.0 * dotWgt * t.unitMs), 2 * kMaxCwIntervalMs);
    t.resolutionMs = Term(t.unitMs / 10);
    return t;
}

namespace {

// Lays out the run's intervals exactly as the keying loop times them; returns the time the
// loop takes, including the gap it waits out after the last element.
uint64_t Schedule(const MorseRun& run, const CwTiming& timing, std::vector<CwEdge>& edges) {
    uint64_t at = 0;
    bool down = false;
    for (size_t i = 0; i < run.chars.size(); ++i) {
        if (i > 0) {
            if (down) {
                edges.push_back({at, false});
                down = false;
            }
            at += run.chars[i] == ' ' ? timing.blankGapMs : timing.letterGapMs;
        }
        for (uint16_t code = run.codes[i]; code != 0;) {
            const unsigned pair = code >> 14;
            if (IsElement(pair)) {
                edges.push_back({at, true});
                down = true;
                at += pair == 1 ? timing.dotMs : timing.dashMs;
            }
            code = static_cast<uint16_t>(code << 2);
            if (code != 0 && code != 0xC000) {
                if (down) {
                    edges.push_back({at, false});
                    down = false;
                }
                at += timing.elementGapMs;
            }
        }
    }
    if (down) {
        edges.push_back({at, false});
    }
    return at;
}

}  // namespace

std::vector<CwEdge> IdealCwSchedule(const MorseRun& run, const CwTiming& timing) {
    std::vector<CwEdge> edges;
    Schedule(run, timing, edges);
    return edges;
}

uint64_t CwDurationMs(const MorseRun& run, const CwTiming& timing) {
    std::vector<CwEdge> edges;
    return Schedule(run, timing, edges);
}

}  // namespace tarnwick
