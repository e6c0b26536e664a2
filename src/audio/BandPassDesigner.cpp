#include "audio/BandPassDesigner.h"

#include <algorithm>
#include <cmath>

namespace tarnwick {

namespace {

const double kPi = 4.0 * std::atan(1.0);

// Zero-phase amplitude h[n] + 2 sum h[n-k] cos(k w) of a symmetric filter of 2n+1 taps at w
// radians per sample, by Clenshaw's recurrence (one cosine per frequency).
double Amplitude(std::span<const double> h, double w) {
    const int n = static_cast<int>(h.size()) / 2;
    const double x = std::cos(w);
    double b1 = 0.0;
    double b2 = 0.0;
    for (int k = n; k >= 1; --k) {
        const double b0 = 2.0 * h[n - k] + 2.0 * x * b1 - b2;
        b2 = b1;
        b1 = b0;
    }
    return h[n] + x * b1 - b2;
}

// Amplitude() at kLanes frequencies w[0..kLanes-1] at once: the recurrences are independent and
// run side by side instead of each waiting on its own chain of additions.
constexpr int kLanes = 8;
void Amplitudes(std::span<const double> h, const double* w, double* out) {
    const int n = static_cast<int>(h.size()) / 2;
    double x[kLanes];
    double b1[kLanes] = {};
    double b2[kLanes] = {};
    for (int l = 0; l < kLanes; ++l) {
        x[l] = std::cos(w[l]);
    }
    for (int k = n; k >= 1; --k) {
        const double c = 2.0 * h[n - k];
        for (int l = 0; l < kLanes; ++l) {
            const double b0 = c + 2.0 * x[l] * b1[l] - b2[l];
            b2[l] = b1[l];
            b1[l] = b0;
        }
    }
    for (int l = 0; l < kLanes; ++l) {
        out[l] = h[n] + x[l] * b1[l] - b2[l];
    }
}

// Largest |amplitude| on [low, high] around a single peak, by golden-section search; at least
// the larger end value given.
double RefinePeak(std::span<const double> h, double low, double high, double ends, double* at) {
    const double r = 0.5 * (std::sqrt(5.0) - 1.0);
    double c = high - r * (high - low);
    double d = low + r * (high - low);
    double fc = std::fabs(Amplitude(h, c));
    double fd = std::fabs(Amplitude(h, d));
    // 40 steps shrink the interval a hundred-millionfold: far below any change in the gain.
    for (int i = 0; i < 40; ++i) {
        if (fc > fd) {
            high = d;
            d = c;
            fd = fc;
            c = high - r * (high - low);
            fc = std::fabs(Amplitude(h, c));
        } else {
            low = c;
            c = d;
            fc = fd;
            d = low + r * (high - low);
            fd = std::fabs(Amplitude(h, d));
        }
    }
    const double best = std::max(fc, fd);
    if (best > ends) {
        *at = fc > fd ? c : d;
        return best;
    }
    return ends;
}

}  // namespace

BandPassDesigner::Problem BandPassDesigner::ProblemFor(int centreHz, int widthHz,
                                                       int bottomWidthHz) {
    const double f = centreHz;
    const double halfWidth = widthHz / 2.0;
    const double halfBottom = bottomWidthHz / 2.0;
    Problem problem{};
    problem.edges = {0.0,
                     (f - halfBottom) / kSampleRate,
                     (f - halfWidth) / kSampleRate,
                     (f + halfWidth) / kSampleRate,
                     (f + halfBottom) / kSampleRate,
                     0.5};
    problem.desired = {0.0, 1.0, 0.0};
    problem.weights = {kStopWeight, kPassWeight, kStopWeight};
    return problem;
}

std::array<double, 2 * BandPassDesigner::kBands> BandPassDesigner::UsableEdges(
    std::span<const double, 2 * kBands> edges) {
    std::array<double, 2 * kBands> e{};
    for (std::size_t i = 0; i < e.size(); ++i) {
        e[i] = std::isnan(edges[i]) ? 0.0 : std::clamp(edges[i], 0.0, 0.5);
    }
    // Room for the narrowest pass band between the axis ends given.
    e[0] = std::min(e[0], 0.5 - kMinPassBand);
    e[5] = std::max(e[5], e[0] + kMinPassBand);
    if (e[3] - e[2] < kMinPassBand) {
        const double middle = 0.5 * (e[2] + e[3]);
        e[2] = middle - 0.5 * kMinPassBand;
        e[3] = middle + 0.5 * kMinPassBand;
    }
    // Kept whole, the pass band slides into the axis rather than shrinking at an end of it.
    const double width = std::min(e[3] - e[2], e[5] - e[0]);
    e[2] = std::clamp(e[2], e[0], e[5] - width);
    e[3] = std::min(e[2] + width, e[5]);
    if (!(e[2] - e[1] >= kMinTransition)) {
        e[1] = e[2] - kUsableTransition;
    }
    if (!(e[4] - e[3] >= kMinTransition)) {
        e[4] = e[3] + kUsableTransition;
    }
    e[1] = std::max(e[0], std::max(e[1], e[2] - kMaxTransition));
    e[4] = std::min(e[5], std::min(e[4], e[3] + kMaxTransition));
    if (e[1] == e[0] && e[2] - e[0] < kMinEndRoom) {
        e[2] = e[0];
    }
    if (e[4] == e[5] && e[5] - e[3] < kMinEndRoom) {
        e[3] = e[5];
    }
    return e;
}

BandPassDesigner::Peak BandPassDesigner::PeakGain(std::span<const double> h, double limit) {
    const int degree = static_cast<int>(h.size()) / 2;
    const double step = kPi / kPeakPoints;
    std::array<double, kPeakPoints + 1> gain{};
    Peak peak;
    for (int first = 0; first <= kPeakPoints; first += kLanes) {
        double w[kLanes];
        double a[kLanes];
        for (int l = 0; l < kLanes; ++l) {
            w[l] = std::min(first + l, kPeakPoints) * step;
        }
        Amplitudes(h, w, a);
        for (int l = 0; l < kLanes && first + l <= kPeakPoints; ++l) {
            gain[first + l] = std::fabs(a[l]);
            if (gain[first + l] > peak.gain) {
                peak = {gain[first + l], w[l]};
            }
        }
    }
    // Bernstein's inequality, |A'(w)| <= degree * max |A|, bounds the gain half a step from a
    // sample by that sample's gain / (1 - degree * step / 2). Only a local maximum of the
    // samples above limit * that factor can hide a peak above the limit; each is searched
    // between its neighbours (the gain is even about 0 and pi, so the ends are maxima too).
    const double reach = std::max(0.0, 1.0 - degree * step / 2.0);
    for (int i = 0; i <= kPeakPoints; ++i) {
        const double below = gain[i == 0 ? 1 : i - 1];
        const double above = gain[i == kPeakPoints ? i - 1 : i + 1];
        if (gain[i] < limit * reach || gain[i] < below || gain[i] < above) {
            continue;
        }
        double at = i * step;
        const double found = RefinePeak(h, std::max(0.0, (i - 1) * step),
                                        std::min(kPi, (i + 1) * step), gain[i], &at);
        if (found > peak.gain) {
            peak = {found, at};
        }
    }
    peak.frequency /= 2.0 * kPi;
    return peak;
}

bool BandPassDesigner::DesignBandPass(std::span<double> coefficients, int taps,
                                      std::span<const double, 2 * kBands> edges,
                                      std::span<const double, kBands> desired,
                                      std::span<const double, kBands> weights) {
    std::array<double, 2 * kBands> usable = UsableEdges(edges);
    double largest = 1.0;
    for (double d : desired) {
        largest = std::max(largest, std::fabs(d));
    }
    const double limit = kMaxGain * largest;
    for (narrowings_ = 0; narrowings_ <= kMaxNarrowings; ++narrowings_) {
        // A stop band the pass band took in (UsableEdges) is left out of the problem.
        std::array<double, 2 * kBands> bandEdges{};
        std::array<double, kBands> bandDesired{};
        std::array<double, kBands> bandWeights{};
        std::size_t bands = 0;
        for (std::size_t b = 0; b < kBands; ++b) {
            if ((b == 0 && usable[2] == usable[0]) || (b == 2 && usable[3] == usable[5])) {
                continue;
            }
            bandEdges[2 * bands] = usable[2 * b];
            bandEdges[2 * bands + 1] = usable[2 * b + 1];
            bandDesired[bands] = desired[b];
            bandWeights[bands] = weights[b];
            ++bands;
        }
        status_ = exchange_.Design(taps, std::span(bandEdges).first(2 * bands),
                                   std::span(bandDesired).first(bands),
                                   std::span(bandWeights).first(bands), coefficients);
        if (status_ == RemezExchange::Status::Refused) {
            return false;
        }
        const std::span<const double> h = coefficients.first(taps);
        const bool finite =
            std::all_of(h.begin(), h.end(), [](double x) { return std::isfinite(x); });
        const bool levelled = status_ != RemezExchange::Status::DeviationStalled ||
                              exchange_.Deviation() >= kMinDeviation;
        bool lower = true;
        bool upper = true;
        if (finite && levelled) {
            const Peak peak = PeakGain(h, limit);
            if (peak.gain <= limit) {
                return true;
            }
            // The swell lies in a transition the exchange left free; the other transition
            // keeps the slope asked for.
            lower = peak.frequency < usable[2];
            upper = peak.frequency > usable[3];
            if (!lower && !upper) {
                lower = upper = true;
            }
        }
        // Steeper transitions still meet the -60 dB edges asked for, and a task so easy that
        // the deviation vanished into rounding becomes one the exchange can level.
        if (lower) {
            usable[1] = usable[2] - (usable[2] - usable[1]) * kNarrowing;
        }
        if (upper) {
            usable[4] = usable[3] + (usable[4] - usable[3]) * kNarrowing;
        }
    }
    narrowings_ = kMaxNarrowings;
    std::fill(coefficients.begin(), coefficients.end(), 0.0);
    status_ = RemezExchange::Status::Refused;
    return false;
}

}  // namespace tarnwick
