#include "audio/WaterfallLineMaker.h"

#include "audio/FftEngine.h"

namespace tarnwick {

void WaterfallLineMaker::TakeSpectrum(std::span<const double> average, uint64_t number,
                                      const DisplaySettings& settings) {
    const int gain = SpectrumScale::WaterfallGain(settings.DisplayGain, settings.FirFilter);
    FftEngine::ComputeLevels(average, SpectrumScale::kLevelStart, SpectrumScale::kLevelEnd, gain,
                             levels_);
    spectrum_ = number;
}

WaterfallLineMaker::Line WaterfallLineMaker::MakeLine(const DisplaySettings& settings) const {
    Line line;
    line.settings = settings;
    line.spectrum = spectrum_;
    for (int x = 0; x < SpectrumScale::kPaintedColumns; ++x) {
        const int level = levels_[static_cast<std::size_t>(SpectrumScale::LevelIndexForColumn(x))];
        line.colours[static_cast<std::size_t>(x)] =
            static_cast<uint8_t>(SpectrumScale::PaletteIndex(level, settings.DisplayCont));
    }
    return line;
}

}  // namespace tarnwick
