#pragma once

#include <array>
#include <span>

#include "audio/BandPassDesigner.h"
#include "audio/Decimator.h"
#include "audio/FftEngine.h"
#include "audio/Interpolator.h"
#include "audio/ReceiveFilterTables.h"

namespace tarnwick {

class CTarnwickDoc;

// The signal processing of one receive block, without the sound devices: 2048 captured samples
// at 11025 per second are low-pass filtered and decimated by 2 (the fixed 32-tap filter, or the
// designed 89-tap band-pass while the FIR filter is on), transformed, averaged and optionally
// masked by the document's FftEngine, transformed back, zero-stuffed to 11025 per second and
// smoothed by the 45-tap interpolator into the block to play.
//
// The document's settings and flags are read afresh for every block. FilterFreq, FilterWidth,
// FilterBottomWidth and DisplayAvg are plain ints that the window changes while the chain
// runs: the chain loads each whole through std::atomic_ref, and the window must store them
// the same way. All storage is part of the object: processing a block allocates nothing.
// Everything runs on one thread, the receive worker; the document's Fft must stay the same
// object while the chain lives.
class ReceiveChain {
public:
    static constexpr int kBlockFrames = 2048;
    static constexpr int kDecimatedFrames = FftEngine::kSize;
    static constexpr int kFirTaps = BandPassDesigner::kTaps;

    // `doc.Fft` must exist.
    explicit ReceiveChain(CTarnwickDoc& doc);
    ReceiveChain(const ReceiveChain&) = delete;
    ReceiveChain& operator=(const ReceiveChain&) = delete;

    // Silences the three delay lines, as at the start of every pass. The designed
    // coefficients stay.
    void Clear();

    // Where the next captured block goes.
    std::span<double, kBlockFrames> CaptureBlock() { return block_; }

    // Processes the captured block and returns the block to play (valid until the next call).
    // With the FIR filter on, a new band-pass is designed first when the document's
    // FilterChanged is set (which is then cleared) or when none has been designed yet, so the
    // filter never runs on coefficients that were not designed.
    std::span<const double, kBlockFrames> Process();

    bool Designed() const { return designed_; }
    std::span<const double, kFirTaps> FirCoefficients() const { return firCoefficients_; }

private:
    void Design();

    CTarnwickDoc& doc_;
    FftEngine& fft_;
    std::array<double, kBlockFrames> block_{};
    std::array<double, kBlockFrames> playBlock_{};
    Decimator<static_cast<int>(kDecimationFilter.size())> fixedDecimator_;
    Decimator<kFirTaps> firDecimator_;
    Interpolator interpolator_;
    std::array<double, kFirTaps> firCoefficients_{};
    bool designed_ = false;
    BandPassDesigner designer_;
};

}  // namespace tarnwick
