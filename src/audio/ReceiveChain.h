#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "audio/BandPassDesigner.h"
#include "audio/Decimator.h"
#include "audio/FftEngine.h"
#include "audio/Interpolator.h"
#include "audio/ReceiveFilterTables.h"
#include "audio/ReceiveSettingsChannel.h"

namespace tarnwick {

// The signal processing of one receive block, without the sound devices: 2048 captured samples
// at 11025 per second are low-pass filtered and decimated by 2 (the fixed 32-tap filter, or the
// designed 89-tap band-pass while the FIR filter is on), transformed, averaged and optionally
// masked by the FftEngine, transformed back, zero-stuffed to 11025 per second and smoothed by
// the 45-tap interpolator into the block to play.
//
// Each block is processed with the settings snapshot handed to Process; the chain reads
// nothing the window writes. All storage is part of the object: processing a block allocates
// nothing. Everything runs on one thread, the receive worker; the FftEngine must outlive the
// chain.
class ReceiveChain {
public:
    static constexpr int kBlockFrames = 2048;
    static constexpr int kDecimatedFrames = FftEngine::kSize;
    static constexpr int kFirTaps = BandPassDesigner::kTaps;

    explicit ReceiveChain(FftEngine& fft);
    ReceiveChain(const ReceiveChain&) = delete;
    ReceiveChain& operator=(const ReceiveChain&) = delete;

    // Silences the three delay lines, as at the start of every pass. The designed
    // coefficients stay.
    void Clear();

    // Where the next captured block goes.
    std::span<double, kBlockFrames> CaptureBlock() { return block_; }

    // Processes the captured block and returns the block to play (valid until the next call).
    // With the FIR filter on, a new band-pass is designed first when none has been designed
    // yet or the snapshot's filter generation differs from the last design's, so the filter
    // never runs on coefficients that were not designed for the values it is given.
    std::span<const double, kBlockFrames> Process(const ReceiveSettingsChannel::Snapshot& snapshot);

    // The finished average of the last block (masked when the spectral filter was on).
    std::span<const double> AverageSpectrum() const { return fft_.AverageSpectrum(); }
    bool Designed() const { return designed_; }
    std::span<const double, kFirTaps> FirCoefficients() const { return firCoefficients_; }

private:
    void Design(const ReceiveSettings& settings);

    FftEngine& fft_;
    std::array<double, kBlockFrames> block_{};
    std::array<double, kBlockFrames> playBlock_{};
    Decimator<static_cast<int>(kDecimationFilter.size())> fixedDecimator_;
    Decimator<kFirTaps> firDecimator_;
    Interpolator interpolator_;
    std::array<double, kFirTaps> firCoefficients_{};
    bool designed_ = false;
    uint64_t designedGeneration_ = 0;
    BandPassDesigner designer_;
};

}  // namespace tarnwick
