#include "audio/ReceiveChain.h"

namespace tarnwick {

ReceiveChain::ReceiveChain(FftEngine& fft) : fft_(fft) {
    Clear();
}

void ReceiveChain::Clear() {
    fixedDecimator_.Clear();
    firDecimator_.Clear();
    interpolator_.Clear();
}

void ReceiveChain::Design(const ReceiveSettings& settings) {
    const BandPassDesigner::Problem problem = BandPassDesigner::ProblemFor(
        settings.FilterFreq, settings.FilterWidth, settings.FilterBottomWidth);
    // A refused design leaves zeros: silence, still a deliberate filter.
    designer_.DesignBandPass(firCoefficients_, kFirTaps, problem.edges, problem.desired,
                             problem.weights);
    designed_ = true;
}

std::span<const double, ReceiveChain::kBlockFrames> ReceiveChain::Process(
    const ReceiveSettingsChannel::Snapshot& snapshot) {
    const ReceiveSettings& s = snapshot.settings;
    if (s.FirFilter && (!designed_ || designedGeneration_ != snapshot.filterGeneration)) {
        Design(s);
        designedGeneration_ = snapshot.filterGeneration;
    }
    if (s.FirFilter) {
        firDecimator_.Run(block_, firCoefficients_);
    } else {
        fixedDecimator_.Run(block_, kDecimationFilter);
    }
    fft_.LoadBlock(std::span<const double, kDecimatedFrames>(block_.data(), kDecimatedFrames));
    fft_.FilterBlock(s.DisplayAvg, s.FftFilter, s.FilterFreq, s.FilterWidth, s.FilterBottomWidth,
                     playBlock_);
    interpolator_.Run(playBlock_);
    return playBlock_;
}

}  // namespace tarnwick
