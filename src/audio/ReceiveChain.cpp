#include "audio/ReceiveChain.h"

#include <atomic>

#include "model/CTarnwickDoc.h"

namespace tarnwick {

namespace {

// The filter values are plain ints that the window writes while the worker runs; each is read
// whole, once per use.
int Read(int& field) {
    return std::atomic_ref<int>(field).load(std::memory_order_relaxed);
}

}  // namespace

ReceiveChain::ReceiveChain(CTarnwickDoc& doc) : doc_(doc), fft_(*doc.Fft) {
    Clear();
}

void ReceiveChain::Clear() {
    fixedDecimator_.Clear();
    firDecimator_.Clear();
    interpolator_.Clear();
}

void ReceiveChain::Design() {
    const BandPassDesigner::Problem problem = BandPassDesigner::ProblemFor(
        Read(doc_.FilterFreq), Read(doc_.FilterWidth), Read(doc_.FilterBottomWidth));
    // A refused design leaves zeros: silence, still a deliberate filter.
    designer_.DesignBandPass(firCoefficients_, kFirTaps, problem.edges, problem.desired,
                             problem.weights);
    designed_ = true;
}

std::span<const double, ReceiveChain::kBlockFrames> ReceiveChain::Process() {
    const bool fir = doc_.FirFilter.load() != 0;
    // The flag is cleared before the values are read: a change made meanwhile sets it again
    // and is designed with the next block instead of being lost.
    if (fir && (doc_.FilterChanged.exchange(0) != 0 || !designed_)) {
        Design();
    }
    if (fir) {
        firDecimator_.Run(block_, firCoefficients_);
    } else {
        fixedDecimator_.Run(block_, kDecimationFilter);
    }
    fft_.LoadBlock(std::span<const double, kDecimatedFrames>(block_.data(), kDecimatedFrames));
    fft_.FilterBlock(Read(doc_.DisplayAvg), doc_.FftFilter.load() != 0, Read(doc_.FilterFreq),
                     Read(doc_.FilterWidth), Read(doc_.FilterBottomWidth), playBlock_);
    interpolator_.Run(playBlock_);
    return playBlock_;
}

}  // namespace tarnwick
