#pragma once

#include <span>

namespace tarnwick {

// The spectral band-pass of the receive pipeline: a trapezoid over the points of a 1024-point
// spectrum taken at 5512 samples per second, flat between the pass-band points, falling
// linearly to zero across a -60 dB half width on either side, zero elsewhere (the negative
// frequencies included).
//
// Points outside the spectrum simply do not exist: each ramp keeps the slope its unclamped end
// points give it, so with a low centre and wide ramps the lowest points start part-way up the
// ramp rather than the ramp being squeezed into the points that remain.
class SpectralMask {
public:
    // 1024 points over 5512 Hz.
    static constexpr double kPointsPerHz = 0.18577648766328012;

    // centreHz, widthHz, bottomWidthHz: any ints (the operating window keeps 201..2755,
    // 10..2000 and at most 3000). Half widths are truncated toward zero. The points may lie
    // outside 0..points-1; they always fit an int.
    SpectralMask(int centreHz, int widthHz, int bottomWidthHz);

    int I0() const { return i0_; }
    int I1() const { return i1_; }
    int I2() const { return i2_; }
    int I3() const { return i3_; }

    // Multiplies the complex points (2 doubles each) by the mask; only points that exist are
    // touched. Below i0 and from i3 up: zero; i0..i1-1 by (i - i0)/(i1 - i0); i2..i3-1 by
    // (i3 - i)/(i3 - i2); applied in that order, so overlapping ramps multiply.
    void Apply(std::span<double> spectrum) const;

private:
    int i0_;
    int i1_;
    int i2_;
    int i3_;
};

}  // namespace tarnwick
