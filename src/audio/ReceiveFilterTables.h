#pragma once

#include <array>
#include <cstddef>

namespace tarnwick {

// The receive pipeline's two fixed low-pass filters at 11025 samples per second. Both are
// symmetric; the tables below are built from their first halves so that a typo cannot make
// them lopsided.

namespace receive_tables_detail {

// The first half of an even-length table followed by itself reversed.
template <std::size_t N>
constexpr std::array<double, 2 * N> MirrorEven(const std::array<double, N>& half) {
    std::array<double, 2 * N> full{};
    for (std::size_t i = 0; i < N; ++i) {
        full[i] = half[i];
        full[2 * N - 1 - i] = half[i];
    }
    return full;
}

// The first half of an odd-length table up to and including its centre tap, then the rest
// mirrored about that centre.
template <std::size_t N>
constexpr std::array<double, 2 * N - 1> MirrorOdd(const std::array<double, N>& half) {
    std::array<double, 2 * N - 1> full{};
    for (std::size_t i = 0; i < N; ++i) {
        full[i] = half[i];
        full[2 * N - 2 - i] = half[i];
    }
    return full;
}

}  // namespace receive_tables_detail

// Low-pass ahead of the decimation by 2: passes 0..2.5 kHz within +-0.3 dB, about 6 dB down at
// 3 kHz, about 70 dB down from 4 kHz.
inline constexpr std::array<double, 32> kDecimationFilter = receive_tables_detail::MirrorEven(
    std::array<double, 16>{-0.002465503014, -0.009440649821, -0.008839032822, 0.006106707944,
                           0.009145639797, -0.011799505971, -0.010447431006, 0.02172224641,
                           0.009195166375, -0.037349565635, -0.001465230596, 0.062232332015,
                           -0.021809275874, -0.112503378635, 0.111138298883, 0.482061268435});

// Low-pass after zero-stuffing back to 11025 per second: passes 0..2 kHz within +-0.25 dB and
// is at least 73 dB down from 2756 Hz, where the image of the decimated band begins.
inline constexpr std::array<double, 45> kInterpolationFilter =
    receive_tables_detail::MirrorOdd(std::array<double, 23>{
        0.00041063658, 0.00040020444, -0.0014690721, -0.0046244896, -0.0048873265, 0.00057075169,
        0.0064849067,  0.0034999371,  -0.0072838126, -0.010484073,  0.0032609865,  0.017545124,
        0.0073308048,  -0.02042501,   -0.024496589,  0.013398095,   0.045762697,   0.010940839,
        -0.066633815,  -0.069373038,  0.081944411,   0.30510648,    0.41246774});

}  // namespace tarnwick
