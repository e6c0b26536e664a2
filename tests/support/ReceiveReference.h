#pragma once

#include <complex>
#include <utility>
#include <vector>

namespace tarnwick::test {

// The receive chain computed the plain way, as a second route to its output: filters as direct
// sums over everything fed to them so far, the spectrum as a direct discrete Fourier transform
// with the engine's sign convention, the mask from its defining formula. Slow and obvious.
class ReceiveReference {
public:
    struct Settings {
        bool fir = false;
        bool fft = false;
        int centre = 1000;
        int width = 100;
        int bottom = 200;
        int averaging = 0;
    };

    // `firCoefficients`: the band-pass the chain designed (used while `fir` is set).
    explicit ReceiveReference(std::vector<double> firCoefficients = {});

    // A new design, taking over the designed filter's delay line as the chain does.
    void SetFir(std::vector<double> firCoefficients) { fir_ = std::move(firCoefficients); }

    // The 2048 samples to play for 2048 captured ones.
    std::vector<double> Block(const std::vector<double>& captured, const Settings& settings);

    const std::vector<std::complex<double>>& Average() const { return average_; }

    // The mask's factor for spectrum point i as the formula defines it (no overlapping ramps).
    static double MaskFactor(int i, int centre, int width, int bottom);

private:
    // sum of c[m] * history[n - m], history before its start being silence.
    static double DirectSum(const std::vector<double>& c, const std::vector<double>& history,
                            long n);
    std::vector<std::complex<double>> Dft(const std::vector<std::complex<double>>& x,
                                          bool inverse) const;

    std::vector<double> fir_;
    std::vector<double> fixedHistory_;  // what the fixed decimator has been fed
    std::vector<double> firHistory_;    // what the designed filter has been fed
    std::vector<double> stuffedHistory_;
    std::vector<std::complex<double>> average_;
    std::vector<std::complex<double>> twiddle_;  // e^(+2 pi i m / 1024)
};

}  // namespace tarnwick::test
