#pragma once

#include <cstdint>
#include <vector>

#include "model/SettingsSchema.h"
#include "morse/MorseTable.h"

namespace tarnwick {

// A stored speed outside kMinCwRate..kMaxCwRate (the settings schema's) is keyed at the
// nearest limit.
// No single element or gap is ever longer than this, whatever weights a hand-edited settings
// file holds; a negative or NaN weight gives a zero length.
inline constexpr uint32_t kMaxCwIntervalMs = 60'000;

// Element and gap lengths of one run, in whole milliseconds, each term truncated separately.
struct CwTiming {
    double unitMs = 0;          // 1200 / speed
    uint32_t dotMs = 0;         // key down, unit x DotWgt
    uint32_t dashMs = 0;        // key down, unit x DashWgt
    uint32_t elementGapMs = 0;  // between the elements of one character, one unit
    uint32_t letterGapMs = 0;   // before a character, unit x LetterSp
    uint32_t blankGapMs = 0;    // before a blank: letter gap + unit x 2 x DotWgt
    uint32_t resolutionMs = 0;  // a tenth of a unit
};

CwTiming ComputeCwTiming(unsigned cwRate, double dotWgt, double dashWgt, double letterSp);

// One key edge of the ideal schedule, as an offset from the start of the run.
struct CwEdge {
    uint64_t atMs;
    bool down;
};

// The edges the keying loop produces for `run`, at exactly the computed lengths; the final
// key-up closes the last element. Used to measure keying against; the duration (which includes
// the gaps after the last element) tells how long a text takes when another device sends it.
std::vector<CwEdge> IdealCwSchedule(const MorseRun& run, const CwTiming& timing);
uint64_t CwDurationMs(const MorseRun& run, const CwTiming& timing);

}  // namespace tarnwick
