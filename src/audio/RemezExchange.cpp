#include "audio/RemezExchange.h"

#include <algorithm>
#include <cmath>

namespace tarnwick {

namespace {

const double kTwoPi = 8.0 * std::atan(1.0);

// Comparison level of the search at the two ends of the grid, as in the published program.
constexpr double kEndSearchFactor = 1.00001;
// A frequency of the final sampling this close (in cos 2 pi f) to an extremal takes the
// extremal's value instead of interpolating.
constexpr double kSampleTolerance = 1.0e-6;

constexpr int kMaxFunctions = RemezExchange::kMaxTaps / 2 + 1;
// Arrays over the approximating functions hold the extremals, one sentinel past them and the
// unused index 0.
constexpr int kFunctionSlots = kMaxFunctions + 3;

}  // namespace

RemezExchange::RemezExchange()
    : grid_(kGridCapacity + 2),
      gridCos_(kGridCapacity + 2),
      des_(kGridCapacity + 2),
      wt_(kGridCapacity + 2),
      errorCache_(kGridCapacity + 2),
      errorStamp_(kGridCapacity + 2),
      iext_(kFunctionSlots),
      x_(kFunctionSlots),
      y_(kFunctionSlots),
      ad_(kFunctionSlots),
      a_(kFunctionSlots),
      alpha_(kFunctionSlots),
      p_(kFunctionSlots),
      q_(kFunctionSlots) {}

double RemezExchange::GridSpacing(int taps) {
    return 0.5 / (static_cast<double>(kGridDensity) * (taps / 2 + 1));
}

bool RemezExchange::Acceptable(int taps, std::span<const double> edges,
                               std::span<const double> desired, std::span<const double> weights,
                               std::size_t coefficientCount) {
    if (taps < 3 || taps > kMaxTaps || taps % 2 == 0 ||
        coefficientCount < static_cast<std::size_t>(taps)) {
        return false;
    }
    const std::size_t bands = desired.size();
    if (bands < 1 || bands > kMaxBands || weights.size() != bands || edges.size() != 2 * bands) {
        return false;
    }
    for (std::size_t b = 0; b < bands; ++b) {
        if (!std::isfinite(desired[b]) || !std::isfinite(weights[b]) || !(weights[b] > 0.0)) {
            return false;
        }
        const double low = edges[2 * b];
        const double high = edges[2 * b + 1];
        if (!(low >= 0.0 && high <= 0.5 && low <= high)) {
            return false;
        }
        // Touching bands would put two grid points on one abscissa.
        if (b > 0 && !(low > edges[2 * b - 1])) {
            return false;
        }
    }
    return true;
}

bool RemezExchange::BuildGrid(std::span<const double> edges, std::span<const double> desired,
                              std::span<const double> weights) {
    const double delf = GridSpacing(2 * nfcns_ - 1);
    const int bands = static_cast<int>(desired.size());
    int j = 1;
    grid_[1] = edges[0];
    for (int band = 0; band < bands; ++band) {
        const double fup = edges[2 * band + 1];
        double temp = 0.0;
        do {
            temp = grid_[j];
            des_[j] = desired[band];
            wt_[j] = weights[band];
            if (++j > kGridCapacity) {
                return false;
            }
            grid_[j] = temp + delf;
        } while (grid_[j] <= fup);
        // The last point of a band lies exactly on its upper edge.
        grid_[j - 1] = fup;
        if (band + 1 < bands) {
            grid_[j] = edges[2 * band + 2];
        }
    }
    ngrid_ = j - 1;
    for (int l = 1; l <= ngrid_; ++l) {
        gridCos_[l] = std::cos(kTwoPi * grid_[l]);
    }
    return true;
}

RemezExchange::Status RemezExchange::Design(int taps, std::span<const double> edges,
                                            std::span<const double> desired,
                                            std::span<const double> weights,
                                            std::span<double> coefficients) {
    deviation_ = 0.0;
    iterations_ = 0;
    ngrid_ = 0;
    if (!Acceptable(taps, edges, desired, weights, coefficients.size())) {
        std::fill(coefficients.begin(), coefficients.end(), 0.0);
        return Status::Refused;
    }
    nfcns_ = taps / 2 + 1;
    const int nz = nfcns_ + 1;
    // The extremals need distinct grid points.
    if (!BuildGrid(edges, desired, weights) || ngrid_ < nz) {
        std::fill(coefficients.begin(), coefficients.end(), 0.0);
        return Status::Refused;
    }

    // Initial extremals spread evenly over the grid.
    const double step = static_cast<double>(ngrid_ - 1) / nfcns_;
    for (int j = 1; j <= nfcns_; ++j) {
        iext_[j] = static_cast<int>((j - 1) * step) + 1;
    }
    iext_[nz] = ngrid_;

    Status status = Status::IterationLimit;
    double previousDeviation = -1.0;
    while (true) {
        iext_[nz + 1] = ngrid_ + 1;
        if (++iterations_ > kMaxIterations) {
            iterations_ = kMaxIterations;
            break;
        }
        int nu = 1;
        if (!Level(previousDeviation, &nu)) {
            status = Status::DeviationStalled;
            break;
        }
        previousDeviation = deviation_;
        if (!Exchange(nu)) {
            status = Status::Converged;
            break;
        }
    }
    FinalCoefficients(edges, coefficients);
    return status;
}

bool RemezExchange::Level(double previousDeviation, int* nu) {
    const int nz = nfcns_ + 1;
    for (int j = 1; j <= nz; ++j) {
        x_[j] = gridCos_[iext_[j]];
    }
    // Lagrange coefficients; the products are taken over every stride-th abscissa in turn,
    // which keeps their size in range for long filters. All of them advance together, each
    // with its own factors in its own order, so the multiplications do not wait on each other.
    const int stride = (nfcns_ - 1) / 15 + 1;
    for (int k = 1; k <= nz; ++k) {
        ad_[k] = 1.0;
    }
    for (int l = 1; l <= stride; ++l) {
        for (int j = l; j <= nz; j += stride) {
            const double xj = x_[j];
            for (int k = 1; k <= nz; ++k) {
                if (k != j) {
                    ad_[k] = 2.0 * ad_[k] * (x_[k] - xj);
                }
            }
        }
    }
    for (int k = 1; k <= nz; ++k) {
        ad_[k] = 1.0 / ad_[k];
    }
    double dnum = 0.0;
    double dden = 0.0;
    int sign = 1;
    for (int j = 1; j <= nz; ++j) {
        const int l = iext_[j];
        dnum += ad_[j] * des_[l];
        dden += sign * ad_[j] / wt_[l];
        sign = -sign;
    }
    double dev = dnum / dden;
    *nu = dev > 0.0 ? -1 : 1;
    dev = -*nu * dev;
    sign = *nu;
    for (int j = 1; j <= nz; ++j) {
        const int l = iext_[j];
        y_[j] = des_[l] + sign * dev / wt_[l];
        sign = -sign;
    }
    deviation_ = dev;
    // New interpolation values: every cached error is stale. (On wrap-around the stamps
    // start over rather than meet an old one again.)
    if (++stamp_ == 0) {
        std::fill(errorStamp_.begin(), errorStamp_.end(), 0u);
        stamp_ = 1;
    }
    return dev > previousDeviation;
}

double RemezExchange::Interpolate(double xf) const {
    const int nz = nfcns_ + 1;
    double d = 0.0;
    double p = 0.0;
    for (int j = 1; j <= nz; ++j) {
        const double c = ad_[j] / (xf - x_[j]);
        d += c;
        p += c * y_[j];
    }
    return p / d;
}

double RemezExchange::WeightedError(int l, Lookahead lookahead) {
    if (errorStamp_[l] == stamp_) {
        return errorCache_[l];
    }
    // Each interpolation is a chain of dependent additions; several points in one pass keep
    // the divider busy instead of waiting on the chain. The search usually wants the points
    // next to l soon after, so they come along (each lane computes exactly what a lone
    // evaluation would).
    static constexpr int kOffsets[3][kBatch] = {{0, 1, 2, 3}, {0, -1, -2, -3}, {0, -2, 1, -3}};
    const int* offsets = kOffsets[static_cast<int>(lookahead)];
    int points[kBatch];
    double xf[kBatch];
    int count = 0;
    for (int i = 0; i < kBatch; ++i) {
        const int point = l + offsets[i];
        if (point >= 1 && point <= ngrid_ && errorStamp_[point] != stamp_) {
            points[count] = point;
            xf[count] = gridCos_[point];
            ++count;
        }
    }
    for (int i = count; i < kBatch; ++i) {
        xf[i] = xf[0];
    }
    double values[kBatch];
    InterpolateBatch(xf, values);
    for (int i = 0; i < count; ++i) {
        const int point = points[i];
        errorStamp_[point] = stamp_;
        errorCache_[point] = (values[i] - des_[point]) * wt_[point];
    }
    return errorCache_[l];
}

void RemezExchange::InterpolateBatch(const double* xf, double* values) const {
    const int nz = nfcns_ + 1;
    double d[kBatch] = {};
    double p[kBatch] = {};
    for (int j = 1; j <= nz; ++j) {
        for (int i = 0; i < kBatch; ++i) {
            const double c = ad_[j] / (xf[i] - x_[j]);
            d[i] += c;
            p[i] += c * y_[j];
        }
    }
    for (int i = 0; i < kBatch; ++i) {
        values[i] = p[i] / d[i];
    }
}

// The extremal search of the published program. Each extremal in turn is moved to the
// neighbouring local extremum of the weighted error with its own sign (searching upward first,
// then downward, never past the extremal placed before it); then the grid below the first and
// above the last extremal is searched for a larger error, which enters the set at that end
// while the extremal at the other end leaves.
bool RemezExchange::Exchange(int nu) {
    enum class Step {
        NextExtremal,
        ClimbUp,
        PlaceFromClimbUp,
        LookDown,
        ClimbDown,
        PlaceFromClimbDown,
        LookUpAgain,
        KeepExtremal,
        SearchLowEnd,
        AfterEnds,
        SearchHighEnd,
    };
    const int nz = nfcns_ + 1;
    const int nzz = nfcns_ + 2;
    const double dev = deviation_;
    int jchnge = 0;
    int k1 = iext_[1];
    int knz = iext_[nz];
    int klow = 0;
    int nut = -nu;
    int nut1 = 0;
    int j = 1;
    int l = 0;
    int kup = 0;
    int luck = 0;
    double comp = 0.0;
    double ynz = 0.0;
    double y1 = 0.0;
    double err = 0.0;
    // True when the signed error at l exceeds the comparison level.
    const auto exceeds = [&](int point, Lookahead lookahead) {
        err = WeightedError(point, lookahead);
        return nut * err - comp > 0.0;
    };

    Step step = Step::NextExtremal;
    while (true) {
        switch (step) {
            case Step::NextExtremal:
                if (j == nzz) {
                    ynz = comp;
                }
                if (j >= nzz) {
                    step = j > nzz ? Step::AfterEnds : Step::SearchLowEnd;
                    break;
                }
                kup = iext_[j + 1];
                l = iext_[j] + 1;
                nut = -nut;
                if (j == 2) {
                    y1 = comp;
                }
                comp = dev;
                if (l < kup && exceeds(l, Lookahead::Around)) {
                    comp = nut * err;
                    step = Step::ClimbUp;
                } else {
                    --l;
                    step = Step::LookDown;
                }
                break;

            case Step::ClimbUp:
                while (++l < kup && exceeds(l, Lookahead::Up)) {
                    comp = nut * err;
                }
                step = Step::PlaceFromClimbUp;
                break;

            case Step::PlaceFromClimbUp:
                iext_[j] = l - 1;
                ++j;
                klow = l - 1;
                ++jchnge;
                step = Step::NextExtremal;
                break;

            case Step::LookDown:
                step = Step::LookUpAgain;
                while (--l > klow) {
                    if (exceeds(l, Lookahead::Down)) {
                        comp = nut * err;
                        step = Step::ClimbDown;
                        break;
                    }
                    if (jchnge > 0) {
                        step = Step::KeepExtremal;
                        break;
                    }
                }
                if (step == Step::LookUpAgain) {
                    l = iext_[j] + 1;
                    if (jchnge > 0) {
                        step = Step::PlaceFromClimbUp;
                    }
                }
                break;

            case Step::ClimbDown:
                while (--l > klow && exceeds(l, Lookahead::Down)) {
                    comp = nut * err;
                }
                step = Step::PlaceFromClimbDown;
                break;

            case Step::PlaceFromClimbDown:
                klow = iext_[j];
                iext_[j] = l + 1;
                ++j;
                ++jchnge;
                step = Step::NextExtremal;
                break;

            case Step::LookUpAgain:
                step = Step::KeepExtremal;
                while (++l < kup) {
                    if (exceeds(l, Lookahead::Up)) {
                        comp = nut * err;
                        step = Step::ClimbUp;
                        break;
                    }
                }
                break;

            case Step::KeepExtremal:
                klow = iext_[j];
                ++j;
                step = Step::NextExtremal;
                break;

            case Step::SearchLowEnd:
                k1 = std::min(k1, iext_[1]);
                knz = std::max(knz, iext_[nz]);
                nut1 = nut;
                nut = -nu;
                l = 0;
                kup = k1;
                comp = ynz * kEndSearchFactor;
                luck = 1;
                step = Step::SearchHighEnd;
                while (++l < kup) {
                    if (exceeds(l, Lookahead::Up)) {
                        comp = nut * err;
                        j = nzz;
                        step = Step::ClimbUp;
                        break;
                    }
                }
                if (step == Step::SearchHighEnd) {
                    luck = 6;
                }
                break;

            case Step::AfterEnds:
                // Reached with a candidate below the first extremal (luck 1) or, past the high
                // end search, above the last one (luck above 9).
                if (luck > 9) {
                    const int kn = iext_[nzz];
                    for (int i = 1; i <= nfcns_; ++i) {
                        iext_[i] = iext_[i + 1];
                    }
                    iext_[nz] = kn;
                    return true;
                }
                y1 = std::max(y1, comp);
                k1 = iext_[nzz];
                step = Step::SearchHighEnd;
                break;

            case Step::SearchHighEnd:
                l = ngrid_ + 1;
                klow = knz;
                nut = -nut1;
                comp = y1 * kEndSearchFactor;
                while (--l > klow) {
                    if (exceeds(l, Lookahead::Down)) {
                        j = nzz;
                        comp = nut * err;
                        luck += 10;
                        step = Step::ClimbDown;
                        break;
                    }
                }
                if (step == Step::ClimbDown) {
                    break;
                }
                if (luck == 6) {
                    return jchnge > 0;
                }
                // The candidate below the first extremal enters; the last one leaves.
                for (int i = 1; i <= nfcns_; ++i) {
                    iext_[nzz - i] = iext_[nz - i];
                }
                iext_[1] = k1;
                return true;
        }
    }
}

void RemezExchange::FinalCoefficients(std::span<const double> edges,
                                      std::span<double> coefficients) {
    const int nfcns = nfcns_;
    const int nm1 = nfcns - 1;
    const int nzz = nfcns + 2;
    const double cn = 2 * nfcns - 1;
    const double delf = 1.0 / cn;

    // Bands that do not span 0..0.5 are sampled on the axis stretched over the grid's range.
    const bool fullAxis = (edges.front() == 0.0 && edges.back() == 0.5) || nfcns <= 3;
    double aa = 0.0;
    double bb = 0.0;
    if (!fullAxis) {
        const double low = std::cos(kTwoPi * grid_[1]);
        const double high = std::cos(kTwoPi * grid_[ngrid_]);
        aa = 2.0 / (low - high);
        bb = -(low + high) / (low - high);
    }

    x_[nzz] = -2.0;  // below every abscissa: ends the walk along the extremals
    int l = 1;
    for (int j = 1; j <= nfcns; ++j) {
        double ft = (j - 1) * delf;
        double xt = std::cos(kTwoPi * ft);
        if (!fullAxis) {
            xt = (xt - bb) / aa;
            ft = std::acos(xt) / kTwoPi;
        }
        while (true) {
            const double xe = x_[l];
            if (xt > xe) {
                a_[j] = (xt - xe) < kSampleTolerance ? y_[l] : Interpolate(std::cos(kTwoPi * ft));
                break;
            }
            if ((xe - xt) < kSampleTolerance) {
                a_[j] = y_[l];
                break;
            }
            ++l;
        }
        if (l > 1) {
            --l;
        }
    }

    // Cosine coefficients from the nfcns samples: an inverse discrete Fourier transform.
    const double dden = kTwoPi / cn;
    for (int j = 1; j <= nfcns; ++j) {
        double sum = 0.0;
        const double dnum = (j - 1) * dden;
        for (int k = 1; k <= nm1; ++k) {
            sum += a_[k + 1] * std::cos(dnum * k);
        }
        alpha_[j] = 2.0 * sum + a_[1];
    }
    for (int j = 2; j <= nfcns; ++j) {
        alpha_[j] *= 2.0 / cn;
    }
    alpha_[1] /= cn;

    if (!fullAxis) {
        // Undo the stretch: re-expand the polynomial in (aa x + bb) as one in x.
        p_[1] = 2.0 * alpha_[nfcns] * bb + alpha_[nm1];
        p_[2] = 2.0 * aa * alpha_[nfcns];
        q_[1] = alpha_[nfcns - 2] - alpha_[nfcns];
        for (int j = 2; j <= nm1; ++j) {
            if (j >= nm1) {
                aa *= 0.5;
                bb *= 0.5;
            }
            p_[j + 1] = 0.0;
            for (int k = 1; k <= j; ++k) {
                a_[k] = p_[k];
                p_[k] = 2.0 * bb * a_[k];
            }
            p_[2] += a_[1] * 2.0 * aa;
            for (int k = 1; k <= j - 1; ++k) {
                p_[k] += q_[k] + aa * a_[k + 1];
            }
            for (int k = 3; k <= j + 1; ++k) {
                p_[k] += aa * a_[k - 1];
            }
            if (j != nm1) {
                for (int k = 1; k <= j; ++k) {
                    q_[k] = -a_[k];
                }
                q_[1] += alpha_[nfcns - 1 - j];
            }
        }
        for (int j = 1; j <= nfcns; ++j) {
            alpha_[j] = p_[j];
        }
    }

    // Odd length, symmetric: h(j) = alpha(nfcns + 1 - j) / 2 for j below the centre, which
    // holds alpha(1); the second half mirrors the first.
    const int taps = 2 * nfcns - 1;
    for (int j = 1; j <= nm1; ++j) {
        coefficients[j - 1] = 0.5 * alpha_[nfcns + 1 - j];
    }
    coefficients[nfcns - 1] = alpha_[1];
    for (int j = 1; j <= nm1; ++j) {
        coefficients[taps - j] = coefficients[j - 1];
    }
}

}  // namespace tarnwick
